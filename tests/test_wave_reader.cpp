#include <gtest/gtest.h>

#include <random>

#include "lib/WaveSoundRead.h"
#include "sound_files.h"

using soundfiles::Bytes;

namespace {
struct WaveReaderTest : ::testing::Test {
    soundfiles::TempDir dir;
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir.Path(name);
        soundfiles::WriteFile(path, bytes);
        return path;
    }
};
}  // namespace

TEST_F(WaveReaderTest, PcmFileGivesItsFormatAndEverySampleAcrossBufferRefills) {
    soundfiles::WavLayout waveform;
    waveform.channels = 2;
    waveform.bits = 16;
    waveform.rate = 22050;
    // Larger than the mmio buffer, so the copy must advance it several times.
    waveform.samples = soundfiles::ToneSamples(0.5, waveform.rate, 2, 16);
    const std::string path = Write("tone.wav", soundfiles::MakeWav(waveform));

    CWaveSoundRead reader;
    ASSERT_EQ(reader.Open(path.c_str()), S_OK);
    ASSERT_NE(reader.m_pwfx, nullptr);
    EXPECT_EQ(reader.m_pwfx->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(reader.m_pwfx->nChannels, 2);
    EXPECT_EQ(reader.m_pwfx->nSamplesPerSec, 22050u);
    EXPECT_EQ(reader.m_pwfx->nBlockAlign, 4);
    EXPECT_EQ(reader.m_pwfx->cbSize, 0);
    ASSERT_EQ(reader.m_ckIn.cksize, waveform.samples.size());

    Bytes read(waveform.samples.size() + 100, 0xEE);
    UINT got = 0;
    // Asking for more than the chunk holds gives exactly the chunk.
    ASSERT_EQ(reader.Read(static_cast<UINT>(read.size()), read.data(), &got), S_OK);
    EXPECT_EQ(got, waveform.samples.size());
    EXPECT_TRUE(std::equal(waveform.samples.begin(), waveform.samples.end(), read.begin()));
    EXPECT_EQ(read[waveform.samples.size()], 0xEE);

    // Reset goes back to the first sample.
    ASSERT_EQ(reader.Reset(), S_OK);
    BYTE first[4] = {};
    ASSERT_EQ(reader.Read(4, first, &got), S_OK);
    EXPECT_TRUE(std::equal(first, first + 4, waveform.samples.begin()));
}

TEST_F(WaveReaderTest, NonPcmFormatKeepsItsExtraBytes) {
    soundfiles::WavLayout waveform;
    waveform.tag = 2;  // ADPCM
    waveform.bits = 4;
    waveform.extra = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70};
    waveform.samples = Bytes(64, 0x11);
    const std::string path = Write("adpcm.wav", soundfiles::MakeWav(waveform));

    CWaveSoundRead reader;
    ASSERT_EQ(reader.Open(path.c_str()), S_OK);
    ASSERT_NE(reader.m_pwfx, nullptr);
    EXPECT_EQ(reader.m_pwfx->wFormatTag, 2);
    ASSERT_EQ(reader.m_pwfx->cbSize, waveform.extra.size());
    const BYTE* extra = reinterpret_cast<const BYTE*>(reader.m_pwfx) + sizeof(WAVEFORMATEX);
    EXPECT_TRUE(std::equal(waveform.extra.begin(), waveform.extra.end(), extra));
    EXPECT_EQ(reader.m_ckIn.cksize, 64u);
}

TEST_F(WaveReaderTest, DataChunkThatEndsEarlyIsAReadFailure) {
    soundfiles::WavLayout waveform;
    waveform.samples = Bytes(4000, 0x42);
    Bytes file = soundfiles::MakeWav(waveform);
    file.resize(file.size() - 1000);
    const std::string path = Write("cut.wav", file);

    CWaveSoundRead reader;
    EXPECT_EQ(reader.Open(path.c_str()), E_FAIL);
    // What is there can still be read, and no more.
    EXPECT_EQ(reader.m_ckIn.cksize, 3000u);
    Bytes read(4000);
    UINT got = 0;
    EXPECT_EQ(reader.Read(4000, read.data(), &got), S_OK);
    EXPECT_EQ(got, 3000u);

    // The copy itself fails when a chunk runs past the file's end.
    HMMIO file2 = nullptr;
    WAVEFORMATEX* format = nullptr;
    MMCKINFO riff{}, data{};
    ASSERT_EQ(WaveOpenFile(path.c_str(), &file2, &format, &riff), S_OK);
    WaveStartDataRead(file2, &data, &riff);
    data.cksize = 4000;
    EXPECT_EQ(WaveReadFile(file2, 4000, read.data(), &data, &got), E_FAIL);
    EXPECT_EQ(got, 0u);
    FreeWaveFormat(format);
    mmioClose(file2, 0);
}

TEST_F(WaveReaderTest, MissingEmptyAndForeignFilesFailWithoutAFormat) {
    soundfiles::WavLayout waveform;
    waveform.samples = Bytes(100, 1);
    Bytes notWave = soundfiles::MakeWav(waveform);
    std::copy_n("AVI ", 4, notWave.begin() + 8);
    Bytes shortFormat = soundfiles::MakeWav(waveform);
    shortFormat[16] = 14;  // "fmt " chunk of 14 bytes
    const std::string paths[] = {dir.Path("missing.wav"), Write("empty.wav", {}), Write("avi.wav", notWave),
                                 Write("text.wav", Bytes{'h', 'e', 'l', 'l', 'o'}), Write("shortfmt.wav", shortFormat)};
    for (const std::string& path : paths) {
        CWaveSoundRead reader;
        EXPECT_EQ(reader.Open(path.c_str()), E_FAIL) << path;
        EXPECT_EQ(reader.m_pwfx, nullptr) << path;
        EXPECT_EQ(reader.m_hmmioIn, nullptr) << path;
    }
}

TEST_F(WaveReaderTest, ChunkSearchSkipsOtherChunksAndStopsAtTheParentsEnd) {
    // RIFF WAVE with a LIST chunk of odd size before "fmt " and "data".
    soundfiles::WavLayout waveform;
    waveform.samples = Bytes(10, 7);
    Bytes wav = soundfiles::MakeWav(waveform);
    const Bytes list = {'L', 'I', 'S', 'T', 5, 0, 0, 0, 'I', 'N', 'F', 'O', 'x', 0};
    wav.insert(wav.begin() + 12, list.begin(), list.end());
    wav[4] += static_cast<std::uint8_t>(list.size());
    const std::string path = Write("list.wav", wav);
    CWaveSoundRead reader;
    ASSERT_EQ(reader.Open(path.c_str()), S_OK);
    EXPECT_EQ(reader.m_ckIn.cksize, 10u);

    // A "data" chunk after the end the RIFF chunk claims is not found.
    Bytes cut = soundfiles::MakeWav(waveform);
    const std::uint32_t riffSize = 4 + 8 + 16;
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&riffSize), 4, cut.begin() + 4);
    HMMIO file = nullptr;
    WAVEFORMATEX* format = nullptr;
    MMCKINFO riff{}, data{};
    const std::string cutPath = Write("outside.wav", cut);
    ASSERT_EQ(WaveOpenFile(cutPath.c_str(), &file, &format, &riff), S_OK);
    EXPECT_EQ(WaveStartDataRead(file, &data, &riff), E_FAIL);
    FreeWaveFormat(format);
    mmioClose(file, 0);
}

// Hundreds of mutated files: lying sizes, cut files, random bytes. Whatever
// comes back, no read goes past a buffer (checked by AddressSanitizer) and
// whatever is reported as read fits the file.
TEST_F(WaveReaderTest, MutatedFilesNeverReadPastTheirData) {
    soundfiles::WavLayout waveform;
    waveform.tag = 0x11;
    waveform.bits = 4;
    waveform.extra = {1, 2};
    waveform.samples = Bytes(300, 0x55);
    const Bytes adpcm = soundfiles::MakeWav(waveform);
    waveform = {};
    waveform.samples = Bytes(500, 0x66);
    const Bytes pcm = soundfiles::MakeWav(waveform);

    std::mt19937 random(12345);
    const std::string path = dir.Path("fuzz.wav");
    int opened = 0;
    for (int round = 0; round < 600; ++round) {
        Bytes file = (round & 1) ? adpcm : pcm;
        switch (round % 4) {
        case 0:  // a 32-bit field somewhere becomes a lie
            for (int i = 0; i < 3; ++i) {
                const std::size_t at = random() % (file.size() - 4);
                const std::uint32_t lie = (random() & 1) ? random() : 0xFFFFFFF0u + (random() % 16);
                std::copy_n(reinterpret_cast<const std::uint8_t*>(&lie), 4, file.begin() + at);
            }
            break;
        case 1:  // the file is cut anywhere
            file.resize(random() % file.size());
            break;
        case 2:  // single bytes flipped in the headers
            for (int i = 0; i < 4; ++i) file[random() % 48] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            break;
        default:  // headers kept, the rest random, then cut
            for (std::size_t i = 12; i < file.size(); ++i)
                if (random() % 3 == 0) file[i] = static_cast<std::uint8_t>(random());
            file.resize(12 + random() % (file.size() - 12));
            break;
        }
        soundfiles::WriteFile(path, file);
        CWaveSoundRead reader;
        reader.Open(path.c_str());
        if (reader.m_pwfx) ++opened;
        ASSERT_LE(reader.m_ckIn.cksize, file.size()) << "round " << round;
        if (!reader.m_hmmioIn) continue;
        Bytes out(reader.m_ckIn.cksize + 1);
        UINT got = 0;
        reader.Read(static_cast<UINT>(out.size()), out.data(), &got);
        ASSERT_LE(got, file.size()) << "round " << round;
    }
    // The mutations leave many files readable, so the read path ran too.
    EXPECT_GT(opened, 100);
}
