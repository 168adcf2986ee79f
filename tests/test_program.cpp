// The program as a player's shell starts it, driven by its automation options.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {
int RunProgram(const std::string& arguments) {
    const std::string command = std::string("\"") + VORTWING_BINARY + "\" " + arguments + " 2>/dev/null >/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string(name) + "_" + std::to_string(::getpid()))).string();
}
}  // namespace

TEST(Program, StartsAtTheTitleAndSavesAScreenshotOfIt) {
    const std::string shot = TempPath("frame60.png");
    ASSERT_EQ(
        RunProgram(std::string("--data \"") + VORTWING_DATA_DIR + "\" --uncapped --frames 120 --screenshot 60:" + shot),
        0);
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(shot.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    // Sky, sea, dragon and menu cover the clear colour everywhere.
    int grey = 0;
    for (int i = 0; i < width * height; ++i)
        if (pixels[i * 3] == 100 && pixels[i * 3 + 1] == 100 && pixels[i * 3 + 2] == 100) ++grey;
    EXPECT_LT(grey, width * height / 100);
    stbi_image_free(pixels);
    std::filesystem::remove(shot);
}

TEST(Program, EndItemOfTheTitleMenuEndsTheProgram) {
    const std::string script = TempPath("quit_script.txt");
    {
        FILE* file = std::fopen(script.c_str(), "w");
        std::fputs("5 DOWN 1\n6 DOWN 0\n10 RETURN 1\n", file);
        std::fclose(file);
    }
    // Without the menu's help the run would last far beyond the test's time.
    EXPECT_EQ(
        RunProgram(std::string("--data \"") + VORTWING_DATA_DIR + "\" --uncapped --frames 100000000 --input " + script),
        0);
    std::filesystem::remove(script);
}

TEST(Program, BadOptionsAreRefusedWithStatusTwo) {
    EXPECT_EQ(RunProgram("--frames"), 2);
    EXPECT_EQ(RunProgram("--frames ten"), 2);
    EXPECT_EQ(RunProgram("--frames 0"), 2);
    EXPECT_EQ(RunProgram("--screenshot 12"), 2);
    EXPECT_EQ(RunProgram("--screenshot x:a.png"), 2);
    EXPECT_EQ(RunProgram("--no-such-option"), 2);
    EXPECT_EQ(RunProgram("--data /nonexistent/place --frames 1"), 2);
    EXPECT_EQ(RunProgram("--help"), 0);

    const std::string script = TempPath("bad_script.txt");
    {
        FILE* file = std::fopen(script.c_str(), "w");
        std::fputs("0 RETURN 1\n12 NOSUCHKEY 1\n", file);
        std::fclose(file);
    }
    EXPECT_EQ(RunProgram("--input " + script + " --frames 1"), 2);
    std::filesystem::remove(script);
}

namespace {
void WriteBytesTo(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadWhole(const std::string& path) {
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, read);
        std::fclose(file);
    }
    return bytes;
}
}  // namespace

// A mission played from a script, then replayed from what the first run
// recorded, ends in the very same picture: every frame's behaviour depends
// only on the input and the frame count.
TEST(Program, ARecordedMissionReplaysToTheSamePicture) {
    const std::string script = TempPath("mission_script.txt"), record = TempPath("mission_record.txt");
    const std::string first = TempPath("mission_first.png"), second = TempPath("mission_second.png");
    {
        FILE* file = std::fopen(script.c_str(), "w");
        std::fputs("40 RETURN 1\n42 RETURN 0\n", file);
        for (int frame = 150; frame < 330; frame += 9) std::fprintf(file, "%d Z 1\n%d Z 0\n", frame, frame + 3);
        std::fputs("200 LEFT 1\n260 LEFT 0\n280 V 1\n282 V 0\n", file);
        std::fclose(file);
    }
    const std::string common = std::string("--data \"") + VORTWING_DATA_DIR + "\" --uncapped --frames 340 ";
    ASSERT_EQ(RunProgram(common + "--input " + script + " --record " + record + " --screenshot 330:" + first), 0);
    ASSERT_EQ(RunProgram(common + "--input " + record + " --screenshot 330:" + second), 0);
    const std::string a = ReadWhole(first), b = ReadWhole(second);
    ASSERT_GT(a.size(), 1000u);
    EXPECT_TRUE(a == b) << "the replay drew a different frame 330";
    for (const std::string& path : {script, record, first, second}) std::filesystem::remove(path);
}

// At half scale the mission's 3D is drawn at 400 x 300 and stretched, while
// the HUD over it is drawn at full size and stays as sharp as at full scale.
// The run's logic is the same at either scale.
TEST(Program, AtHalfScaleTheMissionsHudStaysSharpOverACoarser3DPicture) {
    const std::string script = TempPath("scale_script.txt");
    {
        FILE* file = std::fopen(script.c_str(), "w");
        std::fputs("40 RETURN 1\n42 RETURN 0\n", file);
        for (int frame = 120; frame < 200; frame += 10) std::fprintf(file, "%d Z 1\n%d Z 0\n", frame, frame + 3);
        std::fclose(file);
    }
    struct Picture {
        int width = 0, height = 0;
        std::vector<unsigned char> rgb;
        bool Same(const Picture& other, int x, int y) const {
            const size_t at = (static_cast<size_t>(y) * width + x) * 3;
            return rgb[at] == other.rgb[at] && rgb[at + 1] == other.rgb[at + 1] && rgb[at + 2] == other.rgb[at + 2];
        }
    };
    auto shoot = [&](const char* scale) {
        const std::string shot = TempPath((std::string("scale_") + scale + ".png").c_str());
        Picture picture;
        if (RunProgram(std::string("--data \"") + VORTWING_DATA_DIR + "\" --uncapped --frames 205 --input " + script +
                       " --scale " + scale + " --screenshot 200:" + shot) != 0)
            return picture;
        int channels = 0;
        unsigned char* pixels = stbi_load(shot.c_str(), &picture.width, &picture.height, &channels, 3);
        if (pixels) picture.rgb.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height * 3);
        stbi_image_free(pixels);
        std::filesystem::remove(shot);
        return picture;
    };
    const Picture full = shoot("1"), half = shoot("0.5");
    std::filesystem::remove(script);
    ASSERT_EQ(full.width, 800);
    ASSERT_EQ(half.width, 800);
    ASSERT_EQ(half.height, 600);

    // Sharpness shows at edges: pixels of the full-scale picture that step
    // far from their left neighbour. Those of the HUD keep their exact
    // values; those of the 3D picture are softened.
    auto edgesKept = [&](int left, int top, int right, int bottom) {
        int edges = 0, kept = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left + 1; x < right; ++x) {
                const size_t at = (static_cast<size_t>(y) * full.width + x) * 3;
                int step = 0;
                for (int c = 0; c < 3; ++c) step += std::abs(full.rgb[at + c] - full.rgb[at + c - 3]);
                if (step < 96) continue;
                ++edges;
                kept += full.Same(half, x, y) ? 1 : 0;
            }
        return edges > 50 ? static_cast<double>(kept) / edges : -1.0;
    };
    // The gauges and the score on the left, the time at the bottom.
    EXPECT_GT(edgesKept(10, 30, 170, 500), 0.85);
    EXPECT_GT(edgesKept(60, 500, 400, 590), 0.85);
    // The sea, the dragon and the fire in the middle.
    const double middle = edgesKept(200, 300, 600, 500);
    EXPECT_GE(middle, 0.0);
    EXPECT_LT(middle, 0.5);
}

namespace {
namespace stdfs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error together
};

Outcome RunShell(const std::string& command) {
    Outcome outcome;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return outcome;
    char buffer[4096];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.output.append(buffer, read);
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

std::string Quoted(const stdfs::path& path) { return "'" + path.string() + "'"; }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

int Count(const std::string& text, const std::string& word) {
    int count = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
    return count;
}

// A scratch folder for one test, removed afterwards.
class ProgramFiles : public ::testing::Test {
protected:
    // The program with a fresh home, run from the given directory.
    Outcome Run(const std::string& arguments, const stdfs::path& from, const std::string& environment = "") const {
        return RunShell("cd " + Quoted(from) + " && env -u XDG_DATA_HOME HOME=" + Quoted(m_root / "home") + " " +
                        environment + " " + Quoted(VORTWING_BINARY) + " " + arguments);
    }
    // A data directory of links to the generated data's folders.
    stdfs::path LinkedData(const char* name) const {
        const stdfs::path data = m_root / name;
        stdfs::create_directories(data);
        for (const auto& entry : stdfs::directory_iterator(VORTWING_DATA_DIR))
            if (entry.path().filename() != "GlobalData")
                stdfs::create_symlink(entry.path(), data / entry.path().filename());
        return data;
    }
    TempFolder m_scratch{"vortwing-program"};
    const stdfs::path& m_root = m_scratch.Root();
};
}  // namespace

TEST_F(ProgramFiles, FindsItsDataBesideItselfOrInTheInstalledTreeAndElseRefusesWithOneLine) {
    // A copy of the program with nothing beside it, started from an empty
    // folder: nothing to play with, and no window.
    stdfs::create_directories(m_root / "prefix/bin");
    stdfs::create_directories(m_root / "work");
    const stdfs::path program = m_root / "prefix/bin/vortwing";
    stdfs::copy_file(VORTWING_BINARY, program);
    const std::string home = "env -u XDG_DATA_HOME HOME=" + Quoted(m_root / "home") + " ";
    Outcome outcome = RunShell("cd " + Quoted(m_root / "work") + " && " + home + Quoted(program) + " --frames 1");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(Lines(outcome.output).size(), 1u) << outcome.output;
    for (const char* place : {"work", "prefix/bin/data", "prefix/share/vortwing"})
        EXPECT_NE(outcome.output.find((m_root / place).string()), std::string::npos) << outcome.output;
    EXPECT_FALSE(stdfs::exists(m_root / "home/.local"));

    // The installed layout: data in ../share/vortwing, results in the home.
    stdfs::create_directories(m_root / "prefix/share");
    stdfs::create_directory_symlink(VORTWING_DATA_DIR, m_root / "prefix/share/vortwing");
    outcome = RunShell("cd / && " + home + Quoted(program) + " --help");
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    const std::vector<std::string> lines = Lines(outcome.output);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "data directory:    " + (m_root / "prefix/share/vortwing").string());
    EXPECT_EQ(lines.back(), "results directory: " + (m_root / "home/.local/share/vortwing/GlobalData").string());
    outcome = RunShell("cd / && " + home + Quoted(program) + " --frames 3 --uncapped");
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_TRUE(stdfs::is_directory(m_root / "home/.local/share/vortwing/GlobalData"));
}

TEST_F(ProgramFiles, AGivenFolderWithoutTheDataIsRefused) {
    stdfs::create_directories(m_root / "empty");
    for (const stdfs::path& wrong : {stdfs::path("/etc"), m_root / "empty"}) {
        const Outcome outcome = Run("--data " + Quoted(wrong) + " --frames 1", m_root);
        EXPECT_EQ(outcome.status, 2) << wrong;
        EXPECT_NE(outcome.output.find(wrong.string()), std::string::npos) << outcome.output;
    }
}

TEST_F(ProgramFiles, HelpEndsWithTheFoldersInUseAndVersionComesFromTheProject) {
    Outcome outcome = Run(std::string("--data ") + Quoted(VORTWING_DATA_DIR) + " --help", m_root,
                          "XDG_DATA_HOME=" + Quoted(m_root / "xdg"));
    ASSERT_EQ(outcome.status, 0);
    std::vector<std::string> lines = Lines(outcome.output);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2],
              "data directory:    " + stdfs::path(VORTWING_DATA_DIR).lexically_normal().string());
    EXPECT_EQ(lines.back(), "results directory: " + (m_root / "xdg/vortwing/GlobalData").string());

    outcome = Run("--save-dir saves/mine --help", m_root);
    lines = Lines(outcome.output);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "results directory: " + (m_root / "saves/mine").string());
    // Asking is not using: nothing was created.
    EXPECT_FALSE(stdfs::exists(m_root / "saves"));
    EXPECT_FALSE(stdfs::exists(m_root / "xdg"));

    outcome = Run("--version", m_root);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output, std::string("vortwing ") + VORTWING_VERSION + "\n");
}

TEST_F(ProgramFiles, ResultsKeptBesideTheDataByEarlierVersionsAreCopiedOnceToThePlayersFolder) {
    const stdfs::path data = LinkedData("data");
    stdfs::create_directories(data / "GlobalData");
    const std::string ranking("\x1E\x00\x14\x00\x0A\x00", 6), last("\x19\x00\x00\x00\x04\x00", 6);
    WriteBytesTo(data / "GlobalData/Ranking.qdf", ranking);
    WriteBytesTo(data / "GlobalData/Global.qdf", last);
    const std::string arguments = "--data " + Quoted(data) + " --frames 2 --uncapped";
    const std::string xdg = "XDG_DATA_HOME=" + Quoted(m_root / "xdg");
    const stdfs::path results = m_root / "xdg/vortwing/GlobalData";

    Outcome outcome = Run(arguments, m_root, xdg);
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(ReadWhole((results / "Ranking.qdf").string()), ranking);
    EXPECT_EQ(ReadWhole((results / "Global.qdf").string()), last);
    EXPECT_EQ(ReadWhole((data / "GlobalData/Ranking.qdf").string()), ranking);
    EXPECT_EQ(ReadWhole((data / "GlobalData/Global.qdf").string()), last);
    EXPECT_EQ(Count(outcome.output, "copied"), 1) << outcome.output;
    EXPECT_FALSE(stdfs::exists(m_root / "home/.local"));

    // The player's own ranking is never replaced by the old one.
    const std::string mine("\x28\x00\x00\x00\x00\x00", 6);
    WriteBytesTo(results / "Ranking.qdf", mine);
    outcome = Run(arguments, m_root, xdg);
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(ReadWhole((results / "Ranking.qdf").string()), mine);
    EXPECT_EQ(Count(outcome.output, "copied"), 0) << outcome.output;
}

TEST_F(ProgramFiles, AGivenSaveDirectoryIsMadeAndClearedOfTemporariesLeftByAnInterruptedSave) {
    const stdfs::path saves = m_root / "saves";
    stdfs::create_directories(saves);
    const stdfs::path stale = saves / "Ranking.qdf.tmp-999999999-0";
    WriteBytesTo(stale, "half");
    const Outcome outcome = Run(std::string("--data ") + Quoted(VORTWING_DATA_DIR) + " --save-dir " +
                                    Quoted(saves / "deeper") + " --frames 2 --uncapped",
                                m_root);
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_TRUE(stdfs::is_directory(saves / "deeper"));
    EXPECT_TRUE(stdfs::exists(stale));  // not the results directory
    stdfs::rename(stale, saves / "deeper" / stale.filename());
    ASSERT_EQ(Run(std::string("--data ") + Quoted(VORTWING_DATA_DIR) + " --save-dir " + Quoted(saves / "deeper") +
                      " --frames 2 --uncapped",
                  m_root)
                  .status,
              0);
    EXPECT_FALSE(stdfs::exists(saves / "deeper" / stale.filename()));
    EXPECT_FALSE(stdfs::exists(m_root / "home/.local"));
}
