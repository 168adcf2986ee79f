// Every input that once broke a reader (tests/fuzz/regressions/<target>/, the
// fuzz targets' names) goes through that reader again in the normal suite,
// so the sanitizer build of the tests replays them too.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "lib/DirectAudio.h"
#include "lib/DirectSound.h"
#include "platform/automation.h"
#include "platform/d3dx9/effect.h"
#include "platform/image/image_file.h"

namespace fs = std::filesystem;

namespace {
std::vector<fs::path> Inputs(const char* target) {
    std::vector<fs::path> inputs;
    const fs::path directory = fs::path(VORTWING_FUZZ_REGRESSIONS) / target;
    if (fs::is_directory(directory))
        for (const auto& entry : fs::directory_iterator(directory))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
    return inputs;
}
std::vector<std::uint8_t> Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(FuzzRegressions, ImagesAreRefusedOrDecodedWhole) {
    for (const fs::path& input : Inputs("image")) {
        const std::vector<std::uint8_t> bytes = Read(input);
        image::Header header;
        std::vector<std::uint8_t> rgba;
        std::string reason;
        if (image::Decode(bytes.data(), bytes.size(), image::kMaxDimension, &header, &rgba, &reason)) {
            EXPECT_EQ(rgba.size(), static_cast<std::size_t>(header.width) * header.height * 4) << input;
        } else {
            EXPECT_FALSE(reason.empty()) << input;
        }
    }
}

TEST(FuzzRegressions, EffectsAndScriptsParseOrSayWhereNot) {
    for (const fs::path& input : Inputs("effect")) {
        const std::vector<std::uint8_t> bytes = Read(input);
        std::string error;
        if (!d3dx9::ParseEffect(std::string(bytes.begin(), bytes.end()), &error)) {
            EXPECT_FALSE(error.empty()) << input;
        }
    }
    for (const fs::path& input : Inputs("script")) {
        std::string error;
        if (!automation::LoadInputScript(input.c_str(), &error)) {
            EXPECT_FALSE(error.empty()) << input;
        }
        automation::UnloadInputScript();
    }
}

TEST(FuzzRegressions, SoundsAndMusicLoadOrStaySilent) {
    CDirectSound* sound = CDirectSound::GetInstance();
    sound->DirectSoundInit(nullptr);
    for (const fs::path& input : Inputs("wav")) {
        LPDIRECTSOUNDBUFFER8 buffer = nullptr;
        sound->LoadWAVE(&buffer, input.c_str());
        if (buffer) buffer->Release();
    }
    sound->DirectSoundRelease();

    CDirectAudio* audio = CDirectAudio::GetInstance();
    ASSERT_EQ(audio->DirectAudioInit(nullptr), 1) << "no OpenAL device: run with ALSOFT_DRIVERS=null";
    for (const fs::path& input : Inputs("ogg")) {
        audio->LoadFile2Segment(input.c_str(), 0, CDirectAudio::FILE_KIND_OGG_VORBIS);
        audio->PlaySegment(0, 1, 0, 0);
        audio->ReleaseSegment(0);
    }
    audio->DirectAudioUnInit();
    CDirectAudio::DeleteInstance();
}
