// Where the program looks for its data: --data alone when given, else the
// current directory, "data" beside the program (the build tree) and
// "../share/vortwing" beside it (the installed tree); only a folder that
// really holds the data counts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Options.h"
#include "support/temp_folder.h"

namespace stdfs = std::filesystem;

namespace {
class DataSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = (m_root / "prefix/bin/vortwing").string();
        stdfs::create_directories(m_root / "prefix/bin");
        stdfs::create_directories(m_root / "work");
    }
    // The entries that make a folder the game's data, as the generator and
    // the build lay them out.
    static void MakeData(const stdfs::path& folder) {
        for (const char* sub : {"XFile/Character", "XFile/Map", "Texture/Sprite", "Sound/SE", "Shader"})
            stdfs::create_directories(folder / sub);
        for (const char* effect : {"BaseHLSL.fx", "BumpMap.fx", "HDR.fx", "staticShadow.fx"})
            std::ofstream(folder / "Shader" / effect) << "effect";
    }
    std::string Path(const char* relative) const { return (m_root / relative).string(); }
    DataSearch Find(const std::string& given = "") const { return FindDataDirectory(given, Path("work"), m_program); }

    TempFolder m_scratch{"vortwing-datasearch"};
    const stdfs::path& m_root = m_scratch.Root();
    std::string m_program;
};
}  // namespace

TEST_F(DataSearchTest, EachPlaceIsTriedInTurnAndTheFirstHoldingTheDataWins) {
    const std::vector<std::string> all = {Path("work"), Path("prefix/bin/data"), Path("prefix/share/vortwing")};
    DataSearch search = Find();
    EXPECT_EQ(search.directory, "");
    EXPECT_EQ(search.tried, all);

    MakeData(m_root / "prefix/share/vortwing");
    search = Find();
    EXPECT_EQ(search.directory, Path("prefix/share/vortwing"));
    EXPECT_EQ(search.tried, all);

    MakeData(m_root / "prefix/bin/data");
    search = Find();
    EXPECT_EQ(search.directory, Path("prefix/bin/data"));
    EXPECT_EQ(search.tried.size(), 2u);

    MakeData(m_root / "work");
    search = Find();
    EXPECT_EQ(search.directory, Path("work"));
    EXPECT_EQ(search.tried.size(), 1u);
}

TEST_F(DataSearchTest, AGivenDirectoryIsTheOnlyPlaceLookedAt) {
    MakeData(m_root / "prefix/bin/data");
    MakeData(m_root / "mydata");
    EXPECT_EQ(Find("../mydata").directory, Path("mydata"));
    EXPECT_EQ(Find(Path("mydata")).directory, Path("mydata"));

    // A folder without the data is refused, even with data elsewhere.
    for (const std::string& wrong : {std::string("/etc"), Path("work"), Path("nonexistent")}) {
        const DataSearch search = Find(wrong);
        EXPECT_EQ(search.directory, "") << wrong;
        EXPECT_EQ(search.tried, std::vector<std::string>{wrong});
        EXPECT_NE(DataSearchFailure(search).find(wrong), std::string::npos) << DataSearchFailure(search);
    }
}

TEST_F(DataSearchTest, OnlyAFolderWithTheDatasPartsHoldsIt) {
    const stdfs::path data = m_root / "data";
    EXPECT_FALSE(HoldsGameData(data.string()));
    MakeData(data);
    EXPECT_TRUE(HoldsGameData(data.string()));
    EXPECT_FALSE(HoldsGameData(""));

    // Letter case does not matter, as for every asset the game opens.
    stdfs::rename(data / "Shader", data / "shader");
    stdfs::rename(data / "shader/BaseHLSL.fx", data / "shader/basehlsl.FX");
    EXPECT_TRUE(HoldsGameData(data.string()));

    // A missing effect file is left to its loader to name; none at all is
    // not the game's data.
    stdfs::remove(data / "shader/HDR.fx");
    EXPECT_TRUE(HoldsGameData(data.string()));
    for (const char* effect : {"basehlsl.FX", "BumpMap.fx", "staticShadow.fx"}) stdfs::remove(data / "shader" / effect);
    EXPECT_FALSE(HoldsGameData(data.string()));
    std::ofstream(data / "shader/HDR.fx") << "effect";
    stdfs::remove_all(data / "XFile/Map");
    EXPECT_FALSE(HoldsGameData(data.string()));
    stdfs::create_directories(data / "XFile/Map");
    stdfs::remove_all(data / "Sound");
    std::ofstream(data / "Sound") << "a file, not a folder";
    EXPECT_FALSE(HoldsGameData(data.string()));
}

TEST_F(DataSearchTest, TheFailureLineNamesEveryPlaceTried) {
    const DataSearch search = Find();
    const std::string line = DataSearchFailure(search);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    for (const std::string& place : search.tried) EXPECT_NE(line.find(place), std::string::npos) << line;
    EXPECT_NE(line.find("--data"), std::string::npos) << line;
}
