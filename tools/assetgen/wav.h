// 16-bit PCM WAV files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// Interleaved float samples in -1..1.
std::vector<uint8_t> EncodeWav(const std::vector<float>& samples, int channels, int rate);
// Reads a 16-bit PCM WAV (mono or the first channel); returns false if it is not one.
bool ReadWav(const std::string& path, std::vector<float>& mono, int& rate);

}  // namespace assetgen
