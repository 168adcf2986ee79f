#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fs/path.h"

namespace fs = std::filesystem;

namespace {
// A scratch tree made current for the test, removed afterwards.
class CaseInsensitivePath : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vortwing-path-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
        m_previous = fs::current_path();
        fs::create_directories(m_root / "Texture" / "Sprite");
        fs::create_directories(m_root / "XFile" / "Map");
        fs::create_directories(m_root / "GlobalData");
        Write("Texture/Sprite/gauge1.png", "gauge");
        Write("XFile/Map/sea.x", "sea");
        Write("Texture/a.txt", "lower");
        Write("Texture/A.txt", "upper");
        fs::current_path(m_root);
    }
    void TearDown() override {
        fs::current_path(m_previous);
        fs::remove_all(m_root);
    }
    void Write(const std::string& relative, const std::string& text) { std::ofstream(m_root / relative) << text; }
    static std::string Read(std::FILE* file) {
        std::string text;
        for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
        std::fclose(file);
        return text;
    }

    fs::path m_root;
    fs::path m_previous;
};
}  // namespace

TEST_F(CaseInsensitivePath, ComponentsAreRespelledAsOnDisk) {
    EXPECT_EQ(ResolveCaseInsensitivePath("Texture/Sprite/gauge1.png"), "Texture/Sprite/gauge1.png");
    EXPECT_EQ(ResolveCaseInsensitivePath("Texture/SPrite/gauge1.png"), "Texture/Sprite/gauge1.png");
    EXPECT_EQ(ResolveCaseInsensitivePath("TEXTURE/sprite/GAUGE1.PNG"), "Texture/Sprite/gauge1.png");
    const std::string absolute = (m_root / "texture" / "SPRITE" / "Gauge1.png").string();
    EXPECT_EQ(ResolveCaseInsensitivePath(absolute.c_str()), (m_root / "Texture/Sprite/gauge1.png").string());
}

TEST_F(CaseInsensitivePath, WindowsSeparatorsAndDotPrefixes) {
    EXPECT_EQ(ResolveCaseInsensitivePath(".\\XFile\\Map\\sea.x"), "./XFile/Map/sea.x");
    EXPECT_EQ(ResolveCaseInsensitivePath(".\\xfile\\MAP\\SEA.X"), "./XFile/Map/sea.x");
    EXPECT_EQ(ResolveCaseInsensitivePath(".\\xfile\\map\\"), "./XFile/Map/");
    EXPECT_EQ(ResolveCaseInsensitivePath("xfile/./map/../Map//sea.X"), "XFile/./Map/../Map/sea.x");
}

TEST_F(CaseInsensitivePath, UnmatchedPathsComeBackAsWritten) {
    EXPECT_EQ(ResolveCaseInsensitivePath("Texture\\Missing\\gauge1.png"), "Texture/Missing/gauge1.png");
    EXPECT_EQ(ResolveCaseInsensitivePath("nothing"), "nothing");
    EXPECT_EQ(ResolveCaseInsensitivePath(""), "");
    // A missing file in a found directory keeps its own spelling, ready to be
    // created there.
    EXPECT_EQ(ResolveCaseInsensitivePath("xfile\\map\\Ranking.qdf"), "XFile/Map/Ranking.qdf");
}

TEST_F(CaseInsensitivePath, ExactSpellingWinsOverOtherCases) {
    EXPECT_EQ(ResolveCaseInsensitivePath("Texture/a.txt"), "Texture/a.txt");
    EXPECT_EQ(ResolveCaseInsensitivePath("Texture/A.txt"), "Texture/A.txt");
    // Neither spelling matches: the choice is the first in byte order.
    EXPECT_EQ(ResolveCaseInsensitivePath("texture/a.TXT"), "Texture/A.txt");
}

TEST_F(CaseInsensitivePath, OpenReadsAndCreatesThroughTheResolvedPath) {
    std::FILE* file = OpenFileCaseInsensitive("Texture\\SPrite\\GAUGE1.png", "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Read(file), "gauge");

    EXPECT_EQ(OpenFileCaseInsensitive("Texture/nothing.png", "rb"), nullptr);

    std::FILE* created = OpenFileCaseInsensitive(".\\xfile\\map\\Global.qdf", "wb");
    ASSERT_NE(created, nullptr);
    std::fputs("saved", created);
    std::fclose(created);
    EXPECT_TRUE(fs::exists(m_root / "XFile" / "Map" / "Global.qdf"));
    EXPECT_FALSE(fs::exists(m_root / "xfile"));
}
