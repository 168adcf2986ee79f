// Files the game reads are regular files of a bounded size: a FIFO, a device
// or a directory in their place is refused at once, without blocking.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/automation.h"
#include "platform/fs/regular_file.h"
#include "support/temp_folder.h"

namespace {
class RegularFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
        std::ofstream(Path("ten")) << "0123456789";
        std::ofstream(Path("empty"));
    }
    void TearDown() override {
        automation::UnloadInputScript();
        automation::StopRecording();
    }
    std::string Path(const char* name) const { return (m_root / name).string(); }

    TempFolder m_scratch{"vortwing-regular"};
    const std::filesystem::path& m_root = m_scratch.Root();
};
}  // namespace

TEST_F(RegularFile, SpecialFilesAreRefusedAtOnceNamingWhatTheyAre) {
    const std::pair<std::string, const char*> refused[] = {
        {Path("fifo"), "not a regular file (a FIFO)"},
        {"/dev/zero", "not a regular file (a character device)"},
        {m_root.string(), "not a regular file (a directory)"},
        {Path("missing"), "No such file or directory"},
        {"", "no file name"},
    };
    for (const auto& [path, reason] : refused) {
        std::string why;
        EXPECT_EQ(fs::OpenRegularFile(path.c_str(), 100, &why), nullptr) << path;
        EXPECT_EQ(why, reason) << path;
        std::vector<std::uint8_t> bytes{1};
        EXPECT_FALSE(fs::ReadRegularFile(path.c_str(), 100, &bytes, &why)) << path;
        EXPECT_TRUE(bytes.empty());
    }
}

TEST_F(RegularFile, SizeIsBoundedAndAnEmptyFileIsNoBytes) {
    std::vector<std::uint8_t> bytes;
    std::string why;
    EXPECT_TRUE(fs::ReadRegularFile(Path("ten").c_str(), 10, &bytes, &why));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789");
    EXPECT_FALSE(fs::ReadRegularFile(Path("ten").c_str(), 9, &bytes, &why));
    EXPECT_EQ(why, "larger than 9 bytes");
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(fs::ReadRegularFile(Path("empty").c_str(), 0, &bytes, &why));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(fs::SizeText(8u * 1024 * 1024), "8 MiB");
    EXPECT_EQ(fs::SizeText(1536), "1536 bytes");
    EXPECT_EQ(fs::SizeText(2048), "2 KiB");
    // An open file reads from its start and closes normally.
    std::FILE* file = fs::OpenRegularFile(Path("ten").c_str(), 10, nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fgetc(file), '0');
    EXPECT_EQ(std::fclose(file), 0);
}

TEST_F(RegularFile, ScriptsAndRecordingsRefuseSpecialFilesAndHugeScripts) {
    std::string error;
    EXPECT_FALSE(automation::LoadInputScript("/dev/zero", &error));
    EXPECT_EQ(error, "/dev/zero: not read as an input script: not a regular file (a character device)");
    EXPECT_FALSE(automation::LoadInputScript(Path("fifo").c_str(), &error));
    EXPECT_NE(error.find("(a FIFO)"), std::string::npos) << error;
    EXPECT_FALSE(automation::InputScriptActive());

    // A script just over the limit, all comments, is refused unread.
    {
        std::ofstream big(Path("big"));
        const std::string comment(1023, '#');
        for (std::uint64_t written = 0; written <= automation::kMaxScriptBytes; written += 1024) big << comment << '\n';
    }
    EXPECT_FALSE(automation::LoadInputScript(Path("big").c_str(), &error));
    EXPECT_NE(error.find("larger than 8 MiB"), std::string::npos) << error;
    std::filesystem::resize_file(Path("big"), automation::kMaxScriptBytes);
    EXPECT_TRUE(automation::LoadInputScript(Path("big").c_str(), &error)) << error;

    EXPECT_FALSE(automation::StartRecording(Path("fifo").c_str(), &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(automation::StartRecording("/dev/null", &error));
    EXPECT_TRUE(automation::StartRecording(Path("recording").c_str(), &error)) << error;
}
