// The diagnostic channel: what reaches standard error, and when.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/log/log.h"
#include "platform/win32/messagebox.h"

namespace {
struct Line {
    vlog::Category category;
    vlog::Priority priority;
    std::string text;
};

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        vlog::SetObserver([this](vlog::Category c, vlog::Priority p, const std::string& t) {
            lines.push_back({c, p, t});
        });
    }
    void TearDown() override {
        vlog::SetObserver({});
        vlog::SetVerbose(false);
    }
    std::vector<Line> lines;
};
}  // namespace

TEST_F(LogTest, DebugLinesAppearOnlyWhenVerbose) {
    vlog::SetVerbose(false);
    vlog::Debug(vlog::Category::Video, "hidden %d", 1);
    vlog::Info(vlog::Category::Files, "shown %s", "always");
    vlog::SetVerbose(true);
    vlog::Debug(vlog::Category::Audio, "shown %d", 2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "shown always");
    EXPECT_EQ(lines[0].category, vlog::Category::Files);
    EXPECT_EQ(lines[1].text, "shown 2");
    EXPECT_EQ(lines[1].priority, vlog::Priority::Debug);
}

TEST_F(LogTest, HeadlessMessageBoxIsOneErrorLine) {
    MessageBoxA(nullptr, "first\nsecond", "ERROR", MB_OK);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].priority, vlog::Priority::Error);
    EXPECT_EQ(lines[0].text, "[ERROR] first second");
}
