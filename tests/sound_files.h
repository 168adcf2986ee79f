// Sound files the sound tests write for themselves: WAV images built byte by
// byte and Ogg Vorbis files encoded with libvorbisenc.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace soundfiles {
using Bytes = std::vector<std::uint8_t>;

// A fresh temporary folder, removed with its contents.
using TempDir = TempFolder;

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

struct WavLayout {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 8000;
    std::uint16_t bits = 8;
    Bytes extra;  // written after a cbSize field when tag is not PCM
    Bytes samples;
};
// RIFF WAVE with a "fmt " chunk and a "data" chunk holding waveform.samples.
Bytes MakeWav(const WavLayout& waveform);
// A tone of the given length in 8-bit mono at 8 kHz, or 16-bit as asked.
Bytes ToneSamples(double seconds, std::uint32_t rate, std::uint16_t channels, std::uint16_t bits);

// The interleaved samples of a WAV file in -1..1, from 16-bit PCM or 32-bit
// IEEE float, in the plain or the extensible format record (as OpenAL
// Soft's wave writer makes them). False when it is neither.
struct Waveform {
    int channels = 0;
    int rate = 0;
    std::vector<float> samples;
};
bool ReadWaveform(const Bytes& bytes, Waveform* out);

// Encodes frames of a stereo or mono tone; returns the number of sample
// frames written.
long WriteOggTone(const std::string& path, int channels, long rate, double seconds);
}  // namespace soundfiles
