// The real program on a copy of the data directory holding one damaged or
// missing file: it runs through the title into a mission and ends normally,
// in bounded memory, and standard error holds exactly one line naming the
// file. One row of the table per kind of damage.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace fs = std::filesystem;

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Damages: each changes the file at the path it is given.
using Damage = std::function<void(const fs::path&)>;

Damage Remove() {
    return [](const fs::path& file) { fs::remove(file); };
}
// The file's place taken by a regression input of the fuzz targets.
Damage ReplaceWith(const char* regression) {
    return [regression](const fs::path& file) {
        fs::copy_file(fs::path(VORTWING_FUZZ_REGRESSIONS) / regression, file, fs::copy_options::overwrite_existing);
    };
}
Damage CutTo(double fraction) {
    return [fraction](const fs::path& file) {
        Bytes bytes = Read(file);
        bytes.resize(static_cast<std::size_t>(static_cast<double>(bytes.size()) * fraction));
        Write(file, bytes);
    };
}
// A JPEG whose frame header claims another size.
Damage JpegFrameClaims(unsigned width, unsigned height) {
    return [width, height](const fs::path& file) {
        Bytes bytes = Read(file);
        for (std::size_t at = 2; at + 9 < bytes.size(); at += 2 + (bytes[at + 2] << 8 | bytes[at + 3])) {
            if (bytes[at + 1] == 0xC0 || bytes[at + 1] == 0xC1 || bytes[at + 1] == 0xC2) {
                bytes[at + 5] = static_cast<std::uint8_t>(height >> 8), bytes[at + 6] = height & 0xFF;
                bytes[at + 7] = static_cast<std::uint8_t>(width >> 8), bytes[at + 8] = width & 0xFF;
                return Write(file, bytes);
            }
        }
        ADD_FAILURE() << file << " has no frame header";
    };
}
// One byte flipped inside the body of the Ogg page nearest the middle.
Damage FlipAByteInAMiddleOggPage() {
    return [](const fs::path& file) {
        Bytes bytes = Read(file);
        const std::string text(bytes.begin(), bytes.end());
        const std::size_t page = text.find("OggS", text.size() / 2);
        ASSERT_NE(page, std::string::npos);
        bytes[page + 27 + bytes[page + 26] + 10] ^= 0x55;
        Write(file, bytes);
    };
}
// Bytes in the middle of the file overwritten.
Damage Scribble() {
    return [](const fs::path& file) {
        Bytes bytes = Read(file);
        for (std::size_t i = bytes.size() / 3; i < bytes.size() * 2 / 3; ++i) bytes[i] = 0xA5;
        Write(file, bytes);
    };
}

// Every occurrence of one text replaced by another.
Damage ReplaceText(std::string from, std::string to) {
    return [from, to](const fs::path& file) {
        const Bytes bytes = Read(file);
        std::string text(bytes.begin(), bytes.end());
        std::size_t replaced = 0;
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
            ++replaced;
        }
        ASSERT_GT(replaced, 0u) << file << " holds no " << from;
        Write(file, Bytes(text.begin(), text.end()));
    };
}

struct DamagedFile {
    const char* name;     // names the test case
    const char* file;     // relative to the data directory
    Damage damage;        //
    const char* namedAs;  // how the line names the file
    const char* says;     // part of the reason the line gives
};

const DamagedFile kDamagedFiles[] = {
    {"BmpHeaderClaiming16384Squared", "Texture/Title/TitleSprite.png",
     ReplaceWith("image/bmp-16384x16384-header-only.bmp"), "Texture/Title/TitleSprite.png", "16384 x 16384"},
    {"JpegFrameClaiming65535By8191", "Texture/Sprite/gameover.JPG", JpegFrameClaims(65535, 8191),
     "Texture/Sprite/gameover.JPG", "65535 x 8191"},
    {"PngWithScribbledPixels", "Texture/Explode.png", Scribble(), "Texture/Explode.png", "damaged PNG"},
    {"MissingMeshTexture", "XFile/Map/Sky.png", Remove(), "Sky.png", "No such file"},
    {"OggWithOneFlippedByte", "Sound/BGM/反逆.ogg", FlipAByteInAMiddleOggPage(), "Sound/BGM/反逆.ogg",
     "1 damaged stretch skipped"},
    {"MissingMusic", "Sound/BGM/Galewrath.ogg", Remove(), "Sound/BGM/Galewrath.ogg", "No such file"},
    {"MissingEffect", "Shader/BumpMap.fx", Remove(), "Shader/BumpMap.fx", "No such file"},
    {"EffectCutInHalf", "Shader/BaseHLSL.fx", CutTo(0.5), "Shader/BaseHLSL.fx", ": line "},
    {"WavCutShort", "Sound/SE/Wing.wav", CutTo(0.5), "Sound/SE/Wing.wav", "but the file holds"},
    {"MissingWav", "Sound/SE/Key_shift.wav", Remove(), "Sound/SE/Key_shift.wav", "No such file"},
    {"SkinNamingAnUnknownBone", "XFile/Character/hito.x", ReplaceText("\"Spine\";\n", "\"NoSuchBone\";\n"),
     "XFile/Character/hito.x", "\"NoSuchBone\""},
    {"XMaterialListShorterThanFaces", "XFile/Character/Curry.x",
     ReplaceWith("xfile/material-list-shorter-than-faces.x"), "XFile/Character/Curry.x", ":"},
    {"XNormalIndexPastNormals", "XFile/Character/hito.x", ReplaceWith("xfile/normal-index-past-normals.x"),
     "XFile/Character/hito.x", ":"},
    {"XSkinWeightForVertexMinusOne", "XFile/Character/Dragoon.x", ReplaceWith("xfile/skin-weight-vertex-minus-one.x"),
     "XFile/Character/Dragoon.x", ":"},
    {"XHugeCount", "XFile/Map/Sky.x", ReplaceWith("xfile/huge-count.x"), "XFile/Map/Sky.x", ":"},
    {"XCutInHalf", "XFile/Character/Dragoon.x", CutTo(0.5), "XFile/Character/Dragoon.x", ":"},
    {"MissingMesh", "XFile/Map/sea.x", Remove(), "XFile/Map/sea.x", "No such file"},
};

// Normal runs take about 200 MB; the sanitizers' shadow memory and
// quarantine take about as much again, twice over.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kPeakLimitKiB = 1200 * 1024;
#else
constexpr long kPeakLimitKiB = 400 * 1024;
#endif
// Generous: a run takes seconds. Only a hang should reach it.
constexpr int kTimeoutSeconds = 180;

// Test names carry the row's name; the file names the parameter.
void PrintTo(const DamagedFile& damaged, std::ostream* out) { *out << damaged.file; }

class DataCopy {
public:
    DataCopy() {
        char pattern[] = "/tmp/vortwing-damaged-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("no temporary directory");
        m_root = pattern;
        fs::copy(VORTWING_DATA_DIR, m_root / "data", fs::copy_options::recursive);
        // The copy starts without results, and nothing is kept for the player.
        fs::remove_all(m_root / "data" / "GlobalData");
        fs::create_directories(m_root / "data" / "GlobalData");
        fs::create_directories(m_root / "home");
    }
    ~DataCopy() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    fs::path Data() const { return m_root / "data"; }
    fs::path Root() const { return m_root; }

    // Into the mission: Enter on the title's first item, then a few seconds
    // of play.
    ChildRun Run() const {
        const fs::path script = m_root / "enter.txt";
        std::ofstream(script) << "5 RETURN 1\n7 RETURN 0\n";
        const std::string home = (m_root / "home").string();
        return RunChild(VORTWING_BINARY,
                        {"--data", Data().string(), "--uncapped", "--frames", "120", "--input", script.string()},
                        {{"SDL_VIDEODRIVER", "offscreen"},
                         {"ALSOFT_DRIVERS", "null"},
                         {"HOME", home},
                         {"XDG_DATA_HOME", home + "/.local/share"},
                         {"XDG_CONFIG_HOME", home + "/.config"}},
                        kTimeoutSeconds);
    }

private:
    fs::path m_root;
};

class DamagedData : public ::testing::TestWithParam<DamagedFile> {};
}  // namespace

TEST_P(DamagedData, RunsIntoAMissionAndNamesTheFileOnce) {
    const DamagedFile& damaged = GetParam();
    DataCopy copy;
    const fs::path file = copy.Data() / damaged.file;
    ASSERT_TRUE(fs::exists(file)) << file;
    damaged.damage(file);

    const ChildRun run = copy.Run();
    ASSERT_FALSE(run.timedOut) << "still running after " << kTimeoutSeconds << " s";
    EXPECT_EQ(run.signal, 0) << run.standardError;
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_LT(run.peakResidentKiB, kPeakLimitKiB);
    const std::vector<std::string> lines = run.LinesNaming(damaged.namedAs);
    ASSERT_EQ(lines.size(), 1u) << run.standardError;
    EXPECT_NE(lines[0].find(damaged.says), std::string::npos) << lines[0];
    std::printf("%s: %.1f s, peak %ld MiB\n", damaged.name, run.seconds, run.peakResidentKiB / 1024);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedData, ::testing::ValuesIn(kDamagedFiles),
                         [](const ::testing::TestParamInfo<DamagedFile>& info) { return info.param.name; });

TEST(DamagedData, UndamagedDataLeavesStandardErrorEmpty) {
    DataCopy copy;
    const ChildRun run = copy.Run();
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardError, "");
    EXPECT_LT(run.peakResidentKiB, kPeakLimitKiB);
    std::printf("undamaged: %.1f s, peak %ld MiB\n", run.seconds, run.peakResidentKiB / 1024);
}

// Scripts that are not regular files are refused before anything starts:
// reading /dev/zero would never end, opening a FIFO would wait for a writer.
TEST(DamagedData, InputFromSpecialFilesIsRefusedWithStatusTwo) {
    DataCopy copy;
    const std::string fifo = (copy.Root() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::vector<std::string>> refused = {
        {"--input", "/dev/zero"}, {"--input", fifo}, {"--record", fifo}, {"--input", copy.Root().string()}};
    for (std::vector<std::string> arguments : refused) {
        const std::string named = arguments[1];
        arguments.insert(arguments.end(), {"--data", copy.Data().string(), "--frames", "1"});
        const ChildRun run = RunChild(VORTWING_BINARY, arguments, {{"SDL_VIDEODRIVER", "offscreen"}}, 60);
        ASSERT_FALSE(run.timedOut) << named;
        EXPECT_EQ(run.exitStatus, 2) << named;
        EXPECT_EQ(run.LinesNaming(named + ":").size(), 1u) << run.standardError;
        EXPECT_NE(run.standardError.find("not a regular file"), std::string::npos) << run.standardError;
    }
}
