#include <gtest/gtest.h>

#include <vorbis/vorbisfile.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "lib/DirectAudio.h"
#include "lib/DirectSound.h"
#include "platform/win32/messagebox.h"
#include "sound_files.h"
#include "support/log_lines.h"

namespace {
DWORD Le32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24); }
WORD Le16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
void Wait(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

struct MusicTest : ::testing::Test {
    soundfiles::TempDir dir;
    CDirectAudio* audio = nullptr;

    void SetUp() override {
        audio = CDirectAudio::GetInstance();
        ASSERT_EQ(audio->DirectAudioInit(nullptr), 1) << "no OpenAL device: run with ALSOFT_DRIVERS=null";
    }
    void TearDown() override {
        audio->ReleaseAllSegment();
        audio->DirectAudioUnInit();
        CDirectAudio::DeleteInstance();
    }
    bool Playing(int slot) {
        return audio->Segment(slot) && audio->Performance()->IsPlaying(audio->Segment(slot), nullptr) == S_OK;
    }
    std::string Ogg(const std::string& name, int channels, long rate, double seconds) {
        const std::string path = dir.Path(name);
        soundfiles::WriteOggTone(path, channels, rate, seconds);
        return path;
    }
};

// What libvorbisfile itself decodes from the file, for comparison (reading
// on past holes when asked to).
long DecodedBytes(const std::string& path, bool pastHoles = false) {
    OggVorbis_File vorbis;
    if (ov_fopen(path.c_str(), &vorbis) < 0) return -1;
    long total = 0;
    char buffer[8192];
    int section = 0;
    long got;
    while ((got = ov_read(&vorbis, buffer, sizeof buffer, 0, 2, 1, &section)) > 0 || (pastHoles && got == OV_HOLE))
        if (got > 0) total += got;
    ov_clear(&vorbis);
    return total;
}
}  // namespace

TEST_F(MusicTest, OggDecodesIntoTheWaveImageOfTheTable) {
    const std::string path = Ogg("short.ogg", 2, 22050, 0.75);
    EXPECT_EQ(audio->LoadFile2Segment(path.c_str(), 0, 2), 1);
    ASSERT_NE(audio->Segment(0), nullptr);
    const BYTE* image = audio->Image(0);
    ASSERT_NE(image, nullptr);

    const long decoded = DecodedBytes(path);
    ASSERT_GT(decoded, 0);
    // The estimate (rate x channels x seconds x 2, rounded up) is the cap.
    const DWORD dataSize = Le32(image + 42);
    EXPECT_LE(std::abs(static_cast<long>(dataSize) - decoded), 4);
    EXPECT_LE(dataSize, static_cast<DWORD>(std::ceil(22050 * 2 * 0.75 * 2) + 4));
    EXPECT_EQ(dataSize % 4, 0u);

    EXPECT_EQ(std::memcmp(image, "RIFF", 4), 0);
    EXPECT_EQ(Le32(image + 4), 46 + dataSize - 8);
    EXPECT_EQ(std::memcmp(image + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(Le32(image + 16), 18u);
    EXPECT_EQ(Le16(image + 20), 1);
    EXPECT_EQ(Le16(image + 22), 2);
    EXPECT_EQ(Le32(image + 24), 22050u);
    EXPECT_EQ(Le32(image + 28), 22050u * 4);
    EXPECT_EQ(Le16(image + 32), 4);
    EXPECT_EQ(Le16(image + 34), 16);
    EXPECT_EQ(Le16(image + 36), 18);
    EXPECT_EQ(std::memcmp(image + 38, "data", 4), 0);

    // The samples are the decoder's, not silence.
    int loud = 0;
    for (DWORD i = 0; i + 1 < dataSize; i += 2)
        if (std::abs(static_cast<std::int16_t>(Le16(image + 46 + i))) > 3000) ++loud;
    EXPECT_GT(loud, static_cast<int>(dataSize / 20));
}

TEST_F(MusicTest, LoadingIntoAUsedSlotReplacesSegmentAndImage) {
    audio->LoadFile2Segment(Ogg("a.ogg", 1, 11025, 0.3).c_str(), 5, 2);
    ASSERT_NE(audio->Segment(5), nullptr);
    const BYTE* oldImage = audio->Image(5);
    audio->PlaySegment(5, 1, 0, 0);
    EXPECT_TRUE(Playing(5));

    audio->LoadFile2Segment(Ogg("b.ogg", 2, 8000, 0.2).c_str(), 5, 2);
    ASSERT_NE(audio->Image(5), nullptr);
    // The new image is the stereo one (and under ASan the old one is gone).
    EXPECT_EQ(Le16(audio->Image(5) + 22), 2);
    (void)oldImage;
    EXPECT_FALSE(Playing(5));

    audio->ReleaseSegment(5);
    EXPECT_EQ(audio->Segment(5), nullptr);
    EXPECT_EQ(audio->Image(5), nullptr);
}

TEST_F(MusicTest, MissingOrBrokenFilesLeaveTheSlotEmptyWithOneLineAndNoBox) {
    soundfiles::WriteFile(dir.Path("broken.ogg"), {'O', 'g', 'g', 'S', 1, 2, 3});
    LogLines log;
    const unsigned before = win32::MessageBoxCount();
    EXPECT_EQ(audio->LoadFile2Segment(dir.Path("missing.ogg").c_str(), 0, 2), 1);
    EXPECT_EQ(audio->Segment(0), nullptr);
    EXPECT_EQ(audio->Image(0), nullptr);
    EXPECT_EQ(audio->LoadFile2Segment(dir.Path("broken.ogg").c_str(), 1, 2), 1);
    EXPECT_EQ(audio->Segment(1), nullptr);
    EXPECT_EQ(win32::MessageBoxCount(), before);
    const auto missing = log.Naming(dir.Path("missing.ogg"));
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_NE(missing[0].text.find("No such file"), std::string::npos) << missing[0].text;
    const auto broken = log.Naming(dir.Path("broken.ogg"));
    ASSERT_EQ(broken.size(), 1u);
    EXPECT_NE(broken[0].text.find("not Ogg Vorbis data"), std::string::npos) << broken[0].text;
    EXPECT_EQ(broken[0].category, vlog::Category::Assets);
    // Playing and stopping empty slots does nothing.
    audio->PlaySegment(0, 1, 0, 0);
    audio->PlaySegment(999, 0, 1, -1);
    audio->StopSegment(0);
    audio->PlaySegment(1000, 0, 1, -1);
    audio->StopAllSegment();
}

TEST_F(MusicTest, ADamagedPageCostsOnlyWhatItHeld) {
    const std::string whole = Ogg("whole.ogg", 2, 22050, 10.0);
    soundfiles::Bytes bytes = soundfiles::ReadFile(whole);
    // One byte flipped in the body of a page in the middle: the page fails
    // its check sum and the decoder reports a hole there.
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t page = text.find("OggS", text.size() / 2);
    ASSERT_NE(page, std::string::npos);
    bytes[page + 27 + bytes[page + 26] + 10] ^= 0x55;
    const std::string damaged = dir.Path("damaged.ogg");
    soundfiles::WriteFile(damaged, bytes);

    LogLines log;
    EXPECT_EQ(audio->LoadFile2Segment(damaged.c_str(), 0, 2), 1);
    ASSERT_NE(audio->Segment(0), nullptr);
    // Everything around the damaged page is kept.
    const long full = DecodedBytes(whole);
    const long kept = static_cast<long>(Le32(audio->Image(0) + 42));
    // (Reading stopped at the hole, the rest would be lost.)
    EXPECT_LT(DecodedBytes(damaged), kept);
    EXPECT_EQ(kept, DecodedBytes(damaged, true));
    EXPECT_LT(kept, full);
    EXPECT_GT(kept, full / 2);
    const auto lines = log.Naming(damaged);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].priority, vlog::Priority::Warn);
    EXPECT_NE(lines[0].text.find("1 damaged stretch skipped"), std::string::npos) << lines[0].text;
    audio->PlaySegment(0, 1, 0, 0);
    EXPECT_TRUE(Playing(0));
}

TEST_F(MusicTest, StreamsOpenALCannotPlayAreRefusedBeforeDecoding) {
    const std::string surround = Ogg("surround.ogg", 3, 22050, 0.25);
    const std::string slow = Ogg("slow.ogg", 1, 50, 2.0);
    const std::string fine = Ogg("fine.ogg", 1, 100, 2.0);
    LogLines log;
    for (const std::string& path : {surround, slow}) {
        EXPECT_EQ(audio->LoadFile2Segment(path.c_str(), 0, 2), 1);
        EXPECT_EQ(audio->Segment(0), nullptr) << path;
        EXPECT_EQ(audio->Image(0), nullptr) << path;
        const auto lines = log.Naming(path);
        ASSERT_EQ(lines.size(), 1u) << path;
        EXPECT_NE(lines[0].text.find("cannot be played (mono or stereo, 100 to 200000 Hz)"), std::string::npos)
            << lines[0].text;
    }
    EXPECT_NE(log.Naming(surround)[0].text.find("3 channels at 22050 Hz"), std::string::npos);
    // The lowest rate DirectSound takes plays.
    EXPECT_EQ(audio->LoadFile2Segment(fine.c_str(), 0, 2), 1);
    EXPECT_NE(audio->Segment(0), nullptr);
    EXPECT_TRUE(log.Naming(fine).empty());
}

TEST_F(MusicTest, RepeatCountsPlayOnceTwiceOrUntilStopped) {
    audio->LoadFile2Segment(Ogg("once.ogg", 1, 8000, 0.25).c_str(), 0, 2);
    audio->LoadFile2Segment(Ogg("loop.ogg", 1, 8000, 0.25).c_str(), 1, 2);
    audio->LoadFile2Segment(Ogg("twice.ogg", 1, 8000, 0.25).c_str(), 2, 2);
    audio->PlaySegment(0, 1, 1, -1);
    audio->PlaySegment(1, 1, 0, 3);
    audio->PlaySegment(2, 1, 2, 9);
    Wait(100);
    EXPECT_TRUE(Playing(0) && Playing(1) && Playing(2));
    Wait(300);
    EXPECT_FALSE(Playing(0));
    EXPECT_TRUE(Playing(2));
    Wait(400);
    EXPECT_FALSE(Playing(2));
    EXPECT_TRUE(Playing(1));
    audio->StopSegment(1);
    EXPECT_FALSE(Playing(1));

    audio->PlaySegment(1, 1, 0, 0);
    audio->PlaySegment(2, 1, 0, 0);
    audio->StopAllSegment();
    EXPECT_FALSE(Playing(1) || Playing(2));
}

TEST_F(MusicTest, NewPrimarySegmentStopsTheOldOneButSecondariesPlayOn) {
    audio->LoadFile2Segment(Ogg("p1.ogg", 1, 8000, 0.5).c_str(), 0, 2);
    audio->LoadFile2Segment(Ogg("p2.ogg", 1, 8000, 0.5).c_str(), 1, 2);
    audio->LoadFile2Segment(Ogg("s.ogg", 1, 8000, 0.5).c_str(), 2, 2);
    audio->PlaySegment(2, 1, 0, 0);
    audio->PlaySegment(0, 0, 0, -1);
    EXPECT_TRUE(Playing(0));
    audio->PlaySegment(1, 0, 0, -1);
    EXPECT_FALSE(Playing(0));
    EXPECT_TRUE(Playing(1));
    EXPECT_TRUE(Playing(2));
}

TEST_F(MusicTest, MusicAndSoundEffectsShareTheDevice) {
    CDirectSound* sound = CDirectSound::GetInstance();
    sound->DirectSoundInit(nullptr);
    soundfiles::WavLayout waveform;
    waveform.samples = soundfiles::ToneSamples(1.0, 8000, 1, 8);
    soundfiles::WriteFile(dir.Path("se.wav"), soundfiles::MakeWav(waveform));
    IDirectSoundBuffer8* effect = sound->GetSecondryBuffer(dir.Path("se.wav").c_str());
    audio->LoadFile2Segment(Ogg("bgm.ogg", 2, 44100, 1.0).c_str(), 1, 2);
    audio->PlaySegment(1, 1, 0, 0);
    effect->SetCurrentPosition(0);
    effect->Play(0, 0, 0);
    Wait(100);
    DWORD status = 0;
    effect->GetStatus(&status);
    EXPECT_TRUE(status & DSBSTATUS_PLAYING);
    EXPECT_TRUE(Playing(1));
    // Releasing the effects leaves the music playing, and the other way round.
    sound->FreeBuffer();
    sound->DirectSoundRelease();
    EXPECT_TRUE(Playing(1));
}
