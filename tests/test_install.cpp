// The installed game. The build is installed into a scratch prefix with
// "cmake --install" (or, when VORTWING_INSTALLED_PREFIX names one, the tree
// installed there is checked instead, as CI does), then the installed
// program is started from "/" with a fresh home, as a player's desktop would.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "app/Options.h"

namespace {
namespace stdfs = std::filesystem;

std::string Quoted(const stdfs::path& path) { return "'" + path.string() + "'"; }

int Shell(const std::string& command) {
    const int status = std::system((command + " > /dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadText(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Picture {
    int width = 0, height = 0;
    std::string rgba;
};
Picture Load(const stdfs::path& path) {
    Picture picture;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 4);
    if (pixels)
        picture.rgba.assign(reinterpret_cast<char*>(pixels), static_cast<size_t>(picture.width) * picture.height * 4);
    stbi_image_free(pixels);
    return picture;
}
unsigned char Alpha(const Picture& p, int x, int y) {
    return static_cast<unsigned char>(p.rgba[(static_cast<size_t>(y) * p.width + x) * 4 + 3]);
}

class InstalledGame : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vortwing-install-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_scratch = pattern;
        if (const char* given = std::getenv("VORTWING_INSTALLED_PREFIX"); given && *given) {
            m_prefix = given;
        } else {
            m_prefix = m_scratch / "prefix";
            ASSERT_EQ(Shell(Quoted(VORTWING_CMAKE_COMMAND) + " --install " + Quoted(VORTWING_BUILD_DIR) + " --prefix " +
                            Quoted(m_prefix)),
                      0);
        }
    }
    void TearDown() override { stdfs::remove_all(m_scratch); }
    stdfs::path Share(const std::string& relative) const { return m_prefix / "share" / relative; }

    stdfs::path m_scratch, m_prefix;
};
}  // namespace

TEST_F(InstalledGame, HoldsTheProgramItsDataAndItsDesktopFilesAndNoResults) {
    struct stat info;
    ASSERT_EQ(::stat((m_prefix / "bin/vortwing").c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXOTH);
    EXPECT_TRUE(HoldsGameData(Share("vortwing").string()));
    EXPECT_TRUE(stdfs::is_regular_file(Share("vortwing/icon1.ico")));
    for (const auto& entry : stdfs::recursive_directory_iterator(m_prefix)) {
        EXPECT_NE(entry.path().filename(), "GlobalData") << entry.path();
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
    std::set<std::string> top;
    for (const auto& entry : stdfs::directory_iterator(m_prefix / "share")) top.insert(entry.path().filename());
    EXPECT_EQ(top, (std::set<std::string>{"applications", "icons", "metainfo", "vortwing"}));

    const std::string id = VORTWING_APP_ID;
    const std::string desktop = ReadText(Share("applications/" + id + ".desktop"));
    for (const std::string& line : {std::string("Exec=vortwing\n"), "Icon=" + id + "\n",
                                    std::string("Type=Application\n"), std::string("Categories=Game;ActionGame;\n")})
        EXPECT_NE(desktop.find(line), std::string::npos) << line;
    const std::string metainfo = ReadText(Share("metainfo/" + id + ".metainfo.xml"));
    for (const std::string& part :
         {"<id>" + id + "</id>", "<launchable type=\"desktop-id\">" + id + ".desktop</launchable>",
          std::string("<content_rating type=\"oars-1.1\">"), std::string("<release version=\"") + VORTWING_VERSION})
        EXPECT_NE(metainfo.find(part), std::string::npos) << part;
}

TEST_F(InstalledGame, IconsComeInEveryThemeSizeWithTheHeadOnAClearGround) {
    for (int size : {48, 64, 128, 256, 512}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const Picture icon = Load(Share("icons/hicolor/" + folder + "/apps/" + VORTWING_APP_ID + ".png"));
        ASSERT_EQ(icon.width, size) << folder;
        ASSERT_EQ(icon.height, size) << folder;
        EXPECT_EQ(Alpha(icon, 0, size - 1), 0) << folder;
        EXPECT_EQ(Alpha(icon, size - 1, 0), 0) << folder;
        EXPECT_EQ(Alpha(icon, size / 2, size / 2), 255) << folder;
        // The head is red: most of the middle band is more red than blue.
        int red = 0, counted = 0;
        for (int x = size / 3; x < size * 2 / 3; ++x, ++counted) {
            const size_t at = (static_cast<size_t>(size / 2) * size + x) * 4;
            red += static_cast<unsigned char>(icon.rgba[at]) > static_cast<unsigned char>(icon.rgba[at + 2]) + 60;
        }
        EXPECT_GT(red * 2, counted) << folder;
    }
}

TEST_F(InstalledGame, StartsFromAnywhereWithAFreshHomeAndDrawsTheSameTitleAsTheBuildTree) {
    const stdfs::path home = m_scratch / "home", shot = m_scratch / "installed.png",
                      reference = m_scratch / "built.png";
    const std::string frames = " --uncapped --frames 120 --screenshot 60:";
    ASSERT_EQ(Shell("cd / && env -u XDG_DATA_HOME HOME=" + Quoted(home) + " " + Quoted(m_prefix / "bin/vortwing") +
                    frames + Quoted(shot)),
              0);
    ASSERT_EQ(Shell("cd / && env -u XDG_DATA_HOME HOME=" + Quoted(m_scratch / "home2") + " " + Quoted(VORTWING_BINARY) +
                    " --data " + Quoted(VORTWING_DATA_DIR) + frames + Quoted(reference)),
              0);
    const Picture installed = Load(shot), built = Load(reference);
    ASSERT_EQ(installed.width, 800);
    ASSERT_EQ(installed.height, 600);
    // The title, not the grey of a scene that found nothing to draw.
    size_t grey = 0;
    for (size_t i = 0; i < installed.rgba.size(); i += 4)
        grey += installed.rgba[i] == 100 && installed.rgba[i + 1] == 100 && installed.rgba[i + 2] == 100;
    EXPECT_LT(grey, installed.rgba.size() / 4 / 100);
    EXPECT_TRUE(installed.rgba == built.rgba) << "the installed game drew another title than the build tree's";

    EXPECT_TRUE(stdfs::is_directory(home / ".local/share/vortwing/GlobalData"));
    EXPECT_TRUE(stdfs::is_empty(home / ".local/share/vortwing/GlobalData"));
    EXPECT_FALSE(stdfs::exists(Share("vortwing/GlobalData")));
}
