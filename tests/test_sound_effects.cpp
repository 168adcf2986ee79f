#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "lib/DirectSound.h"
#include "platform/win32/messagebox.h"
#include "sound_files.h"
#include "support/log_lines.h"

using soundfiles::Bytes;

namespace {
DWORD Position(IDirectSoundBuffer8* buffer) {
    DWORD play = 0;
    buffer->GetCurrentPosition(&play, nullptr);
    return play;
}
bool Playing(IDirectSoundBuffer8* buffer) {
    DWORD status = 0;
    buffer->GetStatus(&status);
    return (status & DSBSTATUS_PLAYING) != 0;
}
void Wait(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

struct SoundEffectsTest : ::testing::Test {
    soundfiles::TempDir dir;
    CDirectSound* sound = nullptr;

    void SetUp() override {
        sound = CDirectSound::GetInstance();
        const unsigned before = win32::MessageBoxCount();
        sound->DirectSoundInit(nullptr);
        ASSERT_EQ(win32::MessageBoxCount(), before) << "no OpenAL device: run with ALSOFT_DRIVERS=null";
    }
    void TearDown() override {
        sound->FreeBuffer();
        sound->DirectSoundRelease();
    }
    std::string WriteTone(const std::string& name, double seconds, std::uint16_t channels = 1, std::uint16_t bits = 8,
                          std::uint32_t rate = 8000) {
        soundfiles::WavLayout waveform;
        waveform.channels = channels;
        waveform.bits = bits;
        waveform.rate = rate;
        waveform.samples = soundfiles::ToneSamples(seconds, rate, channels, bits);
        const std::string path = dir.Path(name);
        soundfiles::WriteFile(path, soundfiles::MakeWav(waveform));
        return path;
    }
};
}  // namespace

TEST_F(SoundEffectsTest, SamePathLoadsOnceUntilTheCacheIsFreed) {
    const std::string path = WriteTone("Wing.wav", 0.5);
    IDirectSoundBuffer8* first = sound->GetSecondryBuffer(path.c_str());
    ASSERT_NE(first, nullptr);
    // With the file gone, a second request can only come from the cache.
    ASSERT_EQ(unlink(path.c_str()), 0);
    const unsigned before = win32::MessageBoxCount();
    EXPECT_EQ(sound->GetSecondryBuffer(path.c_str()), first);
    EXPECT_EQ(win32::MessageBoxCount(), before);
    EXPECT_EQ(sound->GetSecondryBuffer(nullptr), nullptr);

    // After FreeBuffer the path is read again (and now it is missing).
    EXPECT_EQ(sound->FreeBuffer(), 0);
    sound->GetSecondryBuffer(path.c_str());
    EXPECT_EQ(win32::MessageBoxCount(), before + 1);
}

TEST_F(SoundEffectsTest, TwoPathsPlayTogetherInEveryPcmLayout) {
    IDirectSoundBuffer8* buffers[] = {
        sound->GetSecondryBuffer(WriteTone("FireBall.wav", 1.0, 1, 8, 8000).c_str()),
        sound->GetSecondryBuffer(WriteTone("Wing.wav", 1.0, 2, 16, 44100).c_str()),
        sound->GetSecondryBuffer(WriteTone("mono16.wav", 1.0, 1, 16, 11025).c_str()),
        sound->GetSecondryBuffer(WriteTone("stereo8.wav", 1.0, 2, 8, 22050).c_str()),
    };
    for (IDirectSoundBuffer8* buffer : buffers) {
        buffer->SetCurrentPosition(0);
        buffer->Play(0, 0, 0);
    }
    Wait(150);
    for (IDirectSoundBuffer8* buffer : buffers) {
        EXPECT_TRUE(Playing(buffer));
        EXPECT_GT(Position(buffer), 0u);
    }
}

TEST_F(SoundEffectsTest, PlayGoesOnWhileRewindThenPlayRestarts) {
    IDirectSoundBuffer8* buffer = sound->GetSecondryBuffer(WriteTone("Wing.wav", 3.0).c_str());
    buffer->SetCurrentPosition(0);
    buffer->Play(0, 0, 0);
    Wait(300);
    const DWORD reached = Position(buffer);
    ASSERT_GT(reached, 800u);  // 8000 bytes per second

    buffer->Play(0, 0, 0);
    EXPECT_GE(Position(buffer), reached);

    buffer->SetCurrentPosition(0);
    buffer->Play(0, 0, 0);
    EXPECT_LT(Position(buffer), reached / 2);
    EXPECT_TRUE(Playing(buffer));
}

TEST_F(SoundEffectsTest, OneShotEndsAndPlaysAgainFromTheStartWhileALoopGoesOn) {
    IDirectSoundBuffer8* shot = sound->GetSecondryBuffer(WriteTone("shot.wav", 0.2).c_str());
    IDirectSoundBuffer8* loop = sound->GetSecondryBuffer(WriteTone("burner.wav", 0.2).c_str());
    shot->Play(0, 0, 0);
    loop->Play(0, 0, DSBPLAY_LOOPING);
    Wait(600);
    EXPECT_FALSE(Playing(shot));
    EXPECT_TRUE(Playing(loop));
    shot->Play(0, 0, 0);
    EXPECT_TRUE(Playing(shot));
    EXPECT_LT(Position(shot), 800u);
}

TEST_F(SoundEffectsTest, UnloadableFilesReportOnceAndPlaySilently) {
    soundfiles::WavLayout adpcm;
    adpcm.tag = 2;
    adpcm.bits = 4;
    adpcm.extra = {0, 0};
    adpcm.samples = Bytes(4000, 0);
    soundfiles::WriteFile(dir.Path("adpcm.wav"), soundfiles::MakeWav(adpcm));
    soundfiles::WriteFile(dir.Path("empty.wav"), {});
    soundfiles::WriteFile(dir.Path("text.wav"), Bytes{'R', 'I', 'F', 'F', 'x'});
    const std::string tooShort = WriteTone("click.wav", 0.05);  // below the effects minimum
    const std::pair<std::string, const char*> cases[] = {{dir.Path("missing.wav"), "No such file"},
                                                         {dir.Path("adpcm.wav"), "format tag 2"},
                                                         {dir.Path("empty.wav"), "too short for a RIFF header"},
                                                         {dir.Path("text.wav"), "too short for a RIFF header"},
                                                         {tooShort, "400 bytes"}};
    for (const auto& [path, reason] : cases) {
        LogLines log;
        const unsigned before = win32::MessageBoxCount();
        IDirectSoundBuffer8* buffer = sound->GetSecondryBuffer(path.c_str());
        ASSERT_NE(buffer, nullptr) << path;
        EXPECT_EQ(win32::MessageBoxCount(), before + 1) << path;
        EXPECT_STREQ(win32::LastMessageBoxText(), "セカンダリバッファの作成に失敗しました");
        EXPECT_STREQ(win32::LastMessageBoxCaption(), "ERROR");
        // Besides the box, one line names the file and what is wrong with it.
        const auto lines = log.Naming(path + ":");
        ASSERT_EQ(lines.size(), 1u) << path;
        EXPECT_EQ(lines[0].category, vlog::Category::Assets);
        EXPECT_NE(lines[0].text.find(reason), std::string::npos) << lines[0].text;
        EXPECT_EQ(buffer->SetCurrentPosition(0), DS_OK);
        EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
        EXPECT_FALSE(Playing(buffer));
        // Asking again neither reloads nor reports again.
        EXPECT_EQ(sound->GetSecondryBuffer(path.c_str()), buffer);
        EXPECT_EQ(win32::MessageBoxCount(), before + 1);
    }
}

TEST_F(SoundEffectsTest, DataCutShortPlaysWhatIsThereAndSaysSo) {
    soundfiles::WavLayout waveform;
    waveform.samples = soundfiles::ToneSamples(0.5, 8000, 1, 8);
    Bytes file = soundfiles::MakeWav(waveform);
    file.resize(file.size() - 1000);
    soundfiles::WriteFile(dir.Path("cut.wav"), file);
    LogLines log;
    const unsigned boxes = win32::MessageBoxCount();
    IDirectSoundBuffer8* buffer = sound->GetSecondryBuffer(dir.Path("cut.wav").c_str());
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(win32::MessageBoxCount(), boxes);
    buffer->SetCurrentPosition(0);
    buffer->Play(0, 0, 0);
    EXPECT_TRUE(Playing(buffer));
    const auto lines = log.Naming(dir.Path("cut.wav"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].text.find("claims 4000 bytes, but the file holds 3000"), std::string::npos) << lines[0].text;
}

TEST_F(SoundEffectsTest, BufferTakesTheSamplesOfTheFile) {
    // The wave driver would let us listen; here the buffer's own bytes are
    // checked through a lock of the whole buffer.
    const std::string path = WriteTone("tone.wav", 0.25, 2, 16, 22050);
    LPDIRECTSOUNDBUFFER8 buffer = nullptr;
    sound->LoadWAVE(&buffer, path.c_str());
    ASSERT_NE(buffer, nullptr);
    LPVOID audio = nullptr, audio2 = nullptr;
    DWORD bytes = 0, bytes2 = 0;
    ASSERT_EQ(buffer->Lock(0, 0, &audio, &bytes, &audio2, &bytes2, DSBLOCK_ENTIREBUFFER), DS_OK);
    const Bytes expected = soundfiles::ToneSamples(0.25, 22050, 2, 16);
    ASSERT_EQ(bytes, expected.size());
    EXPECT_EQ(bytes2, 0u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), static_cast<BYTE*>(audio)));
    buffer->Unlock(audio, bytes, audio2, bytes2);
    buffer->Release();
}

TEST(SoundEffectsWithoutDevice, ReportOnceThenEveryCallIsHarmless) {
    setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
    soundfiles::TempDir dir;
    const unsigned before = win32::MessageBoxCount();
    CDirectSound* sound = CDirectSound::GetInstance();
    EXPECT_EQ(sound->DirectSoundInit(nullptr), 1);
    EXPECT_EQ(win32::MessageBoxCount(), before + 1);
    EXPECT_STREQ(win32::LastMessageBoxText(), "D3DDeviceの作成に失敗しました");
    IDirectSoundBuffer8* buffer = sound->GetSecondryBuffer(dir.Path("missing.wav").c_str());
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->SetCurrentPosition(0), DS_OK);
    EXPECT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(win32::MessageBoxCount(), before + 1);
    EXPECT_EQ(sound->FreeBuffer(), 0);
    EXPECT_EQ(sound->DirectSoundRelease(), 1);
}
