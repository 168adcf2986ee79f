// Ogg Vorbis encoding through libvorbisenc, with a fixed stream serial number
// so the same samples always give the same bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// Interleaved stereo float samples.
std::vector<uint8_t> EncodeOggVorbis(const std::vector<float>& stereo, int rate, float quality, int serial,
                                     const std::string& title);

}  // namespace assetgen
