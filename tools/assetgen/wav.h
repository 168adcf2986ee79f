// 16-bit PCM WAV files, and the sample-level helpers sound code shares.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// Interleaved float samples in -1..1.
std::vector<uint8_t> EncodeWav(const std::vector<float>& samples, int channels, int rate);
// Reads a 16-bit PCM WAV (mono or the first channel); returns false if it is not one.
bool ReadWav(const std::string& path, std::vector<float>& mono, int& rate);
// Scales so the largest magnitude is `peak`.
void Normalize(std::vector<float>& samples, float peak = 0.89f);

}  // namespace assetgen
