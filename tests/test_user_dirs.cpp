// The results directory: where it is, how "GlobalData/..." reaches it, and
// how the results of an earlier version (kept in the data directory) are
// taken over.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/fs/path.h"
#include "platform/fs/user_dirs.h"
#include "platform/log/log.h"

namespace stdfs = std::filesystem;

namespace {
std::string ReadText(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void WriteText(const stdfs::path& path, const std::string& text) {
    stdfs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A scratch folder, and HOME / XDG_DATA_HOME / the override as the test
// leaves them restored afterwards.
class ResultsDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vortwing-userdirs-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
        for (const char* name : {"HOME", "XDG_DATA_HOME"})
            if (const char* value = std::getenv(name)) m_saved.emplace_back(name, value);
        m_previousOverride = fs::SetResultsDirectory("");
        vlog::SetObserver([this](vlog::Category, vlog::Priority priority, const std::string& text) {
            if (priority >= vlog::Priority::Info) m_lines.push_back(text);
        });
    }
    void TearDown() override {
        vlog::SetObserver({});
        ::unsetenv("HOME");
        ::unsetenv("XDG_DATA_HOME");
        for (const auto& [name, value] : m_saved) ::setenv(name.c_str(), value.c_str(), 1);
        fs::SetResultsDirectory(m_previousOverride);
        stdfs::remove_all(m_root);
    }
    stdfs::path m_root;
    std::vector<std::pair<std::string, std::string>> m_saved;
    std::string m_previousOverride;
    std::vector<std::string> m_lines;
};
}  // namespace

TEST_F(ResultsDirectoryTest, FollowsXdgDataHomeThenHomeAndAnOverrideWins) {
    ::setenv("HOME", (m_root / "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (m_root / "data/").c_str(), 1);
    EXPECT_EQ(fs::ResultsDirectory(), (m_root / "data/vortwing/GlobalData").string());

    // Unset, empty or relative: the rules' default under HOME.
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(fs::ResultsDirectory(), (m_root / "home/.local/share/vortwing/GlobalData").string());
    for (const char* ignored : {"", "relative/data"}) {
        ::setenv("XDG_DATA_HOME", ignored, 1);
        EXPECT_EQ(fs::ResultsDirectory(), (m_root / "home/.local/share/vortwing/GlobalData").string()) << ignored;
    }

    // A given directory is made absolute when it is set.
    const stdfs::path previous = stdfs::current_path();
    stdfs::current_path(m_root);
    EXPECT_EQ(fs::SetResultsDirectory("saves/./here/"), "");
    stdfs::current_path(previous);
    EXPECT_EQ(fs::ResultsDirectory(), (m_root / "saves/here").string());
    EXPECT_EQ(fs::SetResultsDirectory(""), (m_root / "saves/here").string());
    EXPECT_EQ(fs::ResultsDirectory(), (m_root / "home/.local/share/vortwing/GlobalData").string());
}

TEST_F(ResultsDirectoryTest, PathsIntoGlobalDataAndOnlyThoseReachTheResultsDirectory) {
    fs::SetResultsDirectory((m_root / "results").string());
    const std::string results = (m_root / "results").string();
    WriteText(m_root / "results" / "Ranking.qdf", "ranking");

    EXPECT_EQ(ResolveCaseInsensitivePath("GlobalData/Ranking.qdf"), results + "/Ranking.qdf");
    EXPECT_EQ(ResolveCaseInsensitivePath(".\\globaldata\\RANKING.QDF"), results + "/Ranking.qdf");
    EXPECT_EQ(ResolveCaseInsensitivePath("././/GLOBALDATA/Global.qdf"), results + "/Global.qdf");
    EXPECT_EQ(ResolveCaseInsensitivePath("GlobalData"), results);
    std::FILE* file = OpenFileCaseInsensitive("GlobalData\\Ranking.qdf", "rb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);

    // Other folders, names that only start alike, absolute paths and deeper
    // folders of the same name stay where they are.
    EXPECT_EQ(ResolveCaseInsensitivePath("GlobalDataOld/Ranking.qdf"), "GlobalDataOld/Ranking.qdf");
    EXPECT_EQ(ResolveCaseInsensitivePath("Texture/GlobalData/a.png"), "Texture/GlobalData/a.png");
    EXPECT_EQ(ResolveCaseInsensitivePath("/srv/GlobalData/Ranking.qdf"), "/srv/GlobalData/Ranking.qdf");
}

TEST_F(ResultsDirectoryTest, CreationMakesPrivateFoldersAndReportsWhatIsInTheWay) {
    ::setenv("XDG_DATA_HOME", (m_root / "share").c_str(), 1);
    std::string reason;
    ASSERT_TRUE(fs::CreateResultsDirectory(&reason)) << reason;
    EXPECT_TRUE(stdfs::is_directory(m_root / "share/vortwing/GlobalData"));
    struct stat info;
    ASSERT_EQ(::stat((m_root / "share/vortwing").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Again: nothing to do, no failure.
    EXPECT_TRUE(fs::CreateResultsDirectory(&reason));

    WriteText(m_root / "blocked", "a file, not a folder");
    fs::SetResultsDirectory((m_root / "blocked/GlobalData").string());
    EXPECT_FALSE(fs::CreateResultsDirectory(&reason));
    EXPECT_NE(reason.find((m_root / "blocked").string()), std::string::npos) << reason;
}

TEST_F(ResultsDirectoryTest, EarlierResultsAreCopiedOnceAndNeverOverwriteThePlayersOwn) {
    const stdfs::path earlier = m_root / "data/GlobalData", results = m_root / "results";
    WriteText(earlier / "Ranking.qdf", "RANK01");
    WriteText(earlier / "Global.qdf", "LAST01");
    WriteText(earlier / "Ranking.qdf.tmp", "junk");
    fs::SetResultsDirectory(results.string());
    ASSERT_TRUE(stdfs::create_directories(results));
    const std::vector<std::string> names = {"Ranking.qdf", "Global.qdf"};

    EXPECT_EQ(fs::AdoptEarlierResults(earlier.string(), names), names);
    EXPECT_EQ(ReadText(results / "Ranking.qdf"), "RANK01");
    EXPECT_EQ(ReadText(results / "Global.qdf"), "LAST01");
    EXPECT_FALSE(stdfs::exists(results / "Ranking.qdf.tmp"));
    // Copied, not moved.
    EXPECT_EQ(ReadText(earlier / "Ranking.qdf"), "RANK01");
    EXPECT_EQ(ReadText(earlier / "Global.qdf"), "LAST01");
    ASSERT_EQ(m_lines.size(), 1u);
    EXPECT_NE(m_lines[0].find(earlier.string()), std::string::npos) << m_lines[0];
    // Nothing of ours is left beside them.
    EXPECT_EQ(std::distance(stdfs::directory_iterator(results), stdfs::directory_iterator()), 2);

    // Once the player has a ranking of their own, nothing is copied again,
    // not even a last result that went missing.
    WriteText(results / "Ranking.qdf", "MINE!!");
    stdfs::remove(results / "Global.qdf");
    WriteText(earlier / "Ranking.qdf", "RANK02");
    EXPECT_TRUE(fs::AdoptEarlierResults(earlier.string(), names).empty());
    EXPECT_EQ(ReadText(results / "Ranking.qdf"), "MINE!!");
    EXPECT_FALSE(stdfs::exists(results / "Global.qdf"));
    EXPECT_EQ(m_lines.size(), 1u);

    // Without a ranking of their own but with a last result, the ranking is
    // copied and their last result stays.
    stdfs::remove(results / "Ranking.qdf");
    WriteText(results / "Global.qdf", "MYLAST");
    EXPECT_EQ(fs::AdoptEarlierResults(earlier.string(), names), std::vector<std::string>{"Ranking.qdf"});
    EXPECT_EQ(ReadText(results / "Ranking.qdf"), "RANK02");
    EXPECT_EQ(ReadText(results / "Global.qdf"), "MYLAST");
}

TEST_F(ResultsDirectoryTest, NothingIsCopiedWithoutAnEarlierRankingOrIntoTheSameFolder) {
    const stdfs::path earlier = m_root / "data/GlobalData";
    WriteText(earlier / "Global.qdf", "LAST01");
    fs::SetResultsDirectory((m_root / "results").string());
    stdfs::create_directories(m_root / "results");
    EXPECT_TRUE(fs::AdoptEarlierResults(earlier.string(), {"Ranking.qdf", "Global.qdf"}).empty());
    EXPECT_FALSE(stdfs::exists(m_root / "results/Global.qdf"));
    EXPECT_TRUE(fs::AdoptEarlierResults((m_root / "missing").string(), {"Ranking.qdf"}).empty());

    // --save-dir pointing at the old folder itself.
    WriteText(earlier / "Ranking.qdf", "RANK01");
    fs::SetResultsDirectory(earlier.string());
    EXPECT_TRUE(fs::AdoptEarlierResults(earlier.string(), {"Ranking.qdf", "Global.qdf"}).empty());
    EXPECT_TRUE(m_lines.empty());
}
