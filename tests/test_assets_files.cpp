// The generated data directory: every asset the game names exists and has the
// right format, sprite regions lie inside their pictures and hold something,
// and the generator writes the same bytes on every run.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#include <vorbis/vorbisfile.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "asset_manifest.h"
#include "levels.h"

namespace {

namespace fs = std::filesystem;

fs::path DataPath(const char* relative) { return fs::path(VORTWING_DATA_DIR) / fs::u8path(relative); }

std::vector<unsigned char> ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), {});
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    bool ok() const { return width > 0; }
    int alpha(int x, int y) const { return rgba[(static_cast<size_t>(y) * width + x) * 4 + 3]; }
    int luma(int x, int y) const {
        const unsigned char* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return (p[0] + p[1] + p[2]) / 3;
    }
};

Picture Load(const char* relative) {
    Picture pic;
    std::vector<unsigned char> bytes = ReadAll(DataPath(relative));
    int comp = 0;
    unsigned char* px =
        stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &pic.width, &pic.height, &comp, 4);
    if (!px) return {};
    pic.rgba.assign(px, px + static_cast<size_t>(pic.width) * pic.height * 4);
    stbi_image_free(px);
    return pic;
}

struct WavInfo {
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<short> samples;
};

bool ParseWav(const std::vector<unsigned char>& b, WavInfo& w) {
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
    };
    auto u16 = [&](size_t at) { return static_cast<int>(b[at] | b[at + 1] << 8); };
    if (b.size() < 44 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return false;
    if (u32(4) != b.size() - 8) return false;
    for (size_t at = 12; at + 8 <= b.size();) {
        std::string tag(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4);
        size_t size = u32(at + 4), body = at + 8;
        if (body + size > b.size()) return false;
        if (tag == "fmt ") {
            w.format = u16(body);
            w.channels = u16(body + 2);
            w.rate = static_cast<int>(u32(body + 4));
            w.bits = u16(body + 14);
        }
        if (tag == "data") {
            for (size_t i = 0; i + 1 < size; i += 2) w.samples.push_back(static_cast<short>(u16(body + i)));
            return w.format != 0;
        }
        at = body + size + (size & 1);
    }
    return false;
}

TEST(AssetFiles, EveryNamedAssetExistsAndIsNotEmpty) {
    for (const assets::Asset& a : assets::kAssets) {
        fs::path p = DataPath(a.path);
        ASSERT_TRUE(fs::exists(p)) << a.path;
        EXPECT_GT(fs::file_size(p), 64u) << a.path;
    }
    // Names the game spells in another case resolve to a real file.
    for (const assets::CaseAlias& alias : assets::kCaseAliases)
        EXPECT_TRUE(fs::exists(DataPath(alias.file))) << alias.requested;
}

TEST(AssetFiles, PicturesDecodeInTheirFileFormats) {
    for (const assets::Asset& a : assets::kAssets) {
        if (a.kind != assets::Kind::Texture) continue;
        std::vector<unsigned char> bytes = ReadAll(DataPath(a.path));
        std::string path = a.path;
        std::string ext = path.substr(path.rfind('.') + 1);
        // The container must match the extension the game asks for.
        std::string magic = ext == "png"   ? std::string(bytes.begin() + 1, bytes.begin() + 4)
                            : ext == "bmp" ? std::string(bytes.begin(), bytes.begin() + 2)
                                           : std::to_string(bytes[0]) + "," + std::to_string(bytes[1]);
        EXPECT_EQ(magic, ext == "png" ? "PNG" : ext == "bmp" ? "BM" : "255,216") << path;
        EXPECT_TRUE(Load(a.path).ok()) << path;
    }
    Picture gameOver = Load("Texture/Sprite/gameover.JPG"), black = Load("Texture/Ranking/Black.bmp");
    EXPECT_EQ(gameOver.width, 800);
    EXPECT_EQ(gameOver.height, 600);
    ASSERT_EQ(black.width, 800);
    ASSERT_EQ(black.height, 600);
    for (int y = 0; y < 600; y += 37)
        for (int x = 0; x < 800; x += 41) ASSERT_EQ(black.luma(x, y), 0);
}

TEST(AssetFiles, SpriteRegionsLieInsideTheirPicturesAndHoldSomething) {
    std::map<std::string, Picture> pictures;
    for (const assets::SpriteRect& r : assets::kSpriteRects) {
        if (!pictures.count(r.image)) pictures[r.image] = Load(r.image);
        const Picture& pic = pictures[r.image];
        ASSERT_TRUE(pic.ok()) << r.image;
        EXPECT_LT(r.left, r.right) << r.name;
        EXPECT_LT(r.top, r.bottom) << r.name;
        EXPECT_GE(r.left, 0) << r.name;
        EXPECT_GE(r.top, 0) << r.name;
        EXPECT_LE(r.right, pic.width) << r.name;
        EXPECT_LE(r.bottom, pic.height) << r.name;
        if (std::string(r.image) == "Texture/Ranking/Black.bmp") continue;  // meant to be plain black
        int inked = 0, total = 0;
        for (int y = r.top; y < std::min(r.bottom, pic.height); ++y)
            for (int x = r.left; x < std::min(r.right, pic.width); ++x, ++total) inked += pic.alpha(x, y) > 128;
        EXPECT_GT(inked, total / 20) << r.image << " region " << r.name << " is nearly empty";
    }
}

TEST(AssetFiles, SheetsOfSixtyFourFramesHaveAPuffInEveryFrame) {
    for (const char* sheet :
         {"Texture/FireBall.png", "Texture/FireBallNormal.png", "Texture/EnemyFireBall.png", "Texture/Explode.png"}) {
        Picture pic = Load(sheet);
        ASSERT_TRUE(pic.ok()) << sheet;
        ASSERT_EQ(pic.width % 8, 0);
        int cw = pic.width / 8, ch = pic.height / 8;
        std::vector<long> weight(64, 0);
        for (int k = 0; k < 64; ++k)
            for (int y = 0; y < ch; ++y)
                for (int x = 0; x < cw; ++x) weight[k] += pic.alpha((k % 8) * cw + x, (k / 8) * ch + y);
        for (int k = 0; k < 63; ++k) EXPECT_GT(weight[k], 0) << sheet << " frame " << k;
        // The puff thins out: late frames carry much less than the early ones.
        EXPECT_LT(weight[60], weight[8] / 3) << sheet;
        // Frames are centred: the border columns of a cell stay clear early on.
        EXPECT_EQ(pic.alpha(0, ch / 2), 0) << sheet;
    }
}

TEST(AssetFiles, FlamesAreOpaqueOnBlackForTheColourKey) {
    for (const char* name : {"Flame", "Flame2", "Flame3", "Flame4", "Flame5", "Flame6"}) {
        std::string path = std::string("Texture/Flame/") + name + ".png";
        Picture pic = Load(path.c_str());
        ASSERT_TRUE(pic.ok());
        EXPECT_GT(pic.height, pic.width) << "flames are tall";
        EXPECT_EQ(pic.alpha(0, 0), 255);
        EXPECT_EQ(pic.luma(0, 0), 0) << "corner must be keyed black";
        EXPECT_GT(pic.luma(pic.width / 2, pic.height * 3 / 4), 100) << "bright fire near the base";
    }
}

// RMS in dBFS of the loudest `seconds` of interleaved 16-bit samples (of all
// of them when seconds is 0).
double LoudnessDb(const std::vector<short>& samples, int channels, int rate, double seconds) {
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    const size_t span = seconds > 0 ? std::min(frames, static_cast<size_t>(seconds * rate)) : frames;
    auto power = [&](size_t frame) {
        double sum = 0;
        for (size_t c = 0; c < static_cast<size_t>(channels); ++c) {
            const double s = samples[frame * static_cast<size_t>(channels) + c] / 32768.0;
            sum += s * s;
        }
        return sum;
    };
    double sum = 0;
    for (size_t i = 0; i < span; ++i) sum += power(i);
    double loudest = sum;
    for (size_t i = span; i < frames; ++i) loudest = std::max(loudest, sum += power(i) - power(i - span));
    return 10 * std::log10(loudest / static_cast<double>(span * static_cast<size_t>(channels)));
}

double PeakDb(const std::vector<short>& samples) {
    int peak = 1;
    for (short s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return 20 * std::log10(peak / 32768.0);
}

std::vector<short> DecodeVorbis(const fs::path& path, int* channels, int* rate) {
    std::vector<short> pcm;
    OggVorbis_File vf;
    if (ov_fopen(path.string().c_str(), &vf) != 0) return pcm;
    *channels = ov_info(&vf, -1)->channels;
    *rate = static_cast<int>(ov_info(&vf, -1)->rate);
    char buf[8192];
    int section = 0;
    long got;
    while ((got = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0)
        pcm.insert(pcm.end(), reinterpret_cast<short*>(buf), reinterpret_cast<short*>(buf) + got / 2);
    ov_clear(&vf);
    return pcm;
}

TEST(AssetFiles, SoundsAre16BitPcm) {
    for (const assets::Asset& a : assets::kAssets) {
        if (a.kind != assets::Kind::Sound) continue;
        WavInfo w;
        ASSERT_TRUE(ParseWav(ReadAll(DataPath(a.path)), w)) << a.path;
        EXPECT_EQ(w.format, 1) << a.path;
        EXPECT_EQ(w.bits, 16) << a.path;
        EXPECT_TRUE(w.rate == 22050 || w.rate == 44100) << a.path;
        EXPECT_GE(w.channels, 1);
        double seconds = static_cast<double>(w.samples.size()) / w.channels / w.rate;
        EXPECT_GT(seconds, 0.03) << a.path;
        EXPECT_LT(seconds, 5.0) << a.path;
    }
}

// Music and effects share one mix: the music keeps its headroom, and every
// effect is heard a few dB under the music and peaks well under full scale,
// reaching its loudness or else its ceiling.
TEST(AssetFiles, EffectsAreMasteredUnderTheMusicWithHeadroomForTheMix) {
    namespace lv = assetgen::levels;
    constexpr double kTolerance = 0.6;  // dB, for rounding to 16 bits
    for (const assets::Asset& a : assets::kAssets) {
        if (a.kind != assets::Kind::Music) continue;
        int channels = 0, rate = 0;
        const std::vector<short> pcm = DecodeVorbis(DataPath(a.path), &channels, &rate);
        ASSERT_FALSE(pcm.empty()) << a.path;
        const double loudness = LoudnessDb(pcm, channels, rate, 0.0), peak = PeakDb(pcm);
        EXPECT_LE(loudness, lv::kMusicLoudnessDb + kTolerance) << a.path;
        // The codec's ripple may lift the peak a little over the ceiling.
        EXPECT_LE(peak, lv::kMusicCeilingDb + 1.5) << a.path;
        EXPECT_TRUE(loudness >= lv::kMusicLoudnessDb - kTolerance || peak >= lv::kMusicCeilingDb - 1.5)
            << a.path << " is quieter than it need be: " << loudness << " dBFS";
    }
    for (const assets::Asset& a : assets::kAssets) {
        if (a.kind != assets::Kind::Sound) continue;
        WavInfo w;
        ASSERT_TRUE(ParseWav(ReadAll(DataPath(a.path)), w)) << a.path;
        ASSERT_EQ(w.channels, 1) << a.path;
        const bool engine = std::string(a.path) == "Sound/SE/burner_f15.wav";
        const double loudness = LoudnessDb(w.samples, 1, w.rate, engine ? 0.0 : lv::kLoudnessWindow);
        const double heard = loudness + lv::kMonoSpreadDb;
        const double under = engine ? lv::kEngineUnderMusicDb : lv::kEffectsUnderMusicDb;
        EXPECT_LE(heard, lv::kMusicLoudnessDb - under + kTolerance) << a.path;
        EXPECT_GE(heard, lv::kMusicLoudnessDb - under - 3.0) << a.path << " is lost under the music";
        EXPECT_LE(PeakDb(w.samples), lv::kEffectCeilingDb + 0.1) << a.path;
    }
}

TEST(AssetFiles, EngineLoopJoinsWithoutAStep) {
    WavInfo w;
    ASSERT_TRUE(ParseWav(ReadAll(DataPath("Sound/SE/burner_f15.wav")), w));
    ASSERT_GT(w.samples.size(), 1000u);
    // The jump from the last sample back to the first is no larger than an ordinary step.
    long maxStep = 0;
    for (size_t i = 1; i < w.samples.size(); ++i)
        maxStep = std::max(maxStep, std::labs(long(w.samples[i]) - w.samples[i - 1]));
    EXPECT_LE(std::labs(long(w.samples.front()) - w.samples.back()), maxStep);
}

TEST(AssetFiles, MusicDecodesAsStereoVorbisOfAMinuteOrTwoThatLoops) {
    for (const assets::Asset& a : assets::kAssets) {
        if (a.kind != assets::Kind::Music) continue;
        OggVorbis_File vf;
        ASSERT_EQ(ov_fopen(DataPath(a.path).string().c_str(), &vf), 0) << a.path;
        vorbis_info* info = ov_info(&vf, -1);
        EXPECT_EQ(info->channels, 2) << a.path;
        EXPECT_EQ(info->rate, 44100) << a.path;
        double seconds = ov_time_total(&vf, -1);
        EXPECT_GE(seconds, 60.0) << a.path;
        EXPECT_LE(seconds, 120.0) << a.path;
        ov_clear(&vf);
        // Decode all of it: the ends must meet (no click at the loop point), and it is not silent.
        int channels = 0, rate = 0;
        const std::vector<short> pcm = DecodeVorbis(DataPath(a.path), &channels, &rate);
        ASSERT_GT(pcm.size(), 44100u * 2 * 60);
        double energy = 0;
        for (short s : pcm) energy += double(s) * s;
        EXPECT_GT(std::sqrt(energy / pcm.size()), 1000.0) << a.path;
        for (int ch = 0; ch < 2; ++ch) {
            long last = pcm[pcm.size() - 2 + ch], first = pcm[ch];
            EXPECT_LT(std::labs(last - first), 6000) << a.path << " channel " << ch;
        }
    }
}

std::map<std::string, std::string> HashTree(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::vector<unsigned char> b = ReadAll(e.path());
        // FNV-1a over the bytes; the size is kept beside it.
        uint64_t h = 1469598103934665603ull;
        for (unsigned char c : b) h = (h ^ c) * 1099511628211ull;
        out[fs::relative(e.path(), root).string()] = std::to_string(h) + ":" + std::to_string(b.size());
    }
    return out;
}

// The results folder of earlier versions may still sit in a data directory:
// the generator neither makes it nor touches it.
TEST(AssetGenerator, WritesIdenticalFilesOnEveryRunAndLeavesGlobalDataAlone) {
    fs::path base = fs::temp_directory_path() / ("assetgen-test-" + std::to_string(::getpid()));
    fs::remove_all(base);
    fs::path a = base / "a", b = base / "b";
    // A player's ranking must survive a regeneration.
    fs::create_directories(b / "GlobalData");
    { std::ofstream(b / "GlobalData" / "Ranking.qdf", std::ios::binary) << "rank!!"; }
    for (const fs::path& dir : {a, b}) {
        std::string cmd = std::string("'") + ASSETGEN_BINARY + "' '" + dir.string() + "' > /dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    std::map<std::string, std::string> ha = HashTree(a), hb = HashTree(b);
    EXPECT_EQ(ReadAll(b / "GlobalData" / "Ranking.qdf").size(), 6u);
    hb.erase("GlobalData/Ranking.qdf");
    EXPECT_EQ(ha.size(), hb.size());
    for (const auto& [path, hash] : ha) EXPECT_EQ(hash, hb[path]) << path << " differs between runs";
    EXPECT_FALSE(fs::exists(a / "GlobalData"));
    fs::remove_all(base);
}

}  // namespace
