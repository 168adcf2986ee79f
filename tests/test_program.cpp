// The program as a player's shell starts it, driven by its automation options.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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
