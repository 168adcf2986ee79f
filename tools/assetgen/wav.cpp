#include "wav.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace assetgen {

namespace {
void Put32(std::vector<uint8_t>& o, uint32_t v) {
    for (int i = 0; i < 4; ++i) o.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& o, uint16_t v) {
    o.push_back(static_cast<uint8_t>(v));
    o.push_back(static_cast<uint8_t>(v >> 8));
}
void PutTag(std::vector<uint8_t>& o, const char* t) {
    for (int i = 0; i < 4; ++i) o.push_back(static_cast<uint8_t>(t[i]));
}
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
}  // namespace

std::vector<uint8_t> EncodeWav(const std::vector<float>& samples, int channels, int rate) {
    std::vector<uint8_t> o;
    uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    PutTag(o, "RIFF");
    Put32(o, 36 + data);
    PutTag(o, "WAVE");
    PutTag(o, "fmt ");
    Put32(o, 16);
    Put16(o, 1);
    Put16(o, static_cast<uint16_t>(channels));
    Put32(o, static_cast<uint32_t>(rate));
    Put32(o, static_cast<uint32_t>(rate * channels * 2));
    Put16(o, static_cast<uint16_t>(channels * 2));
    Put16(o, 16);
    PutTag(o, "data");
    Put32(o, data);
    for (float s : samples)
        Put16(o, static_cast<uint16_t>(static_cast<int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f))));
    return o;
}

bool ReadWav(const std::string& path, std::vector<float>& mono, int& rate) {
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), {});
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return false;
    int channels = 0, bits = 0;
    for (size_t at = 12; at + 8 <= b.size();) {
        std::string tag(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4);
        uint32_t size = Get32(b, at + 4);
        size_t body = at + 8;
        if (tag == "fmt " && body + 16 <= b.size()) {
            channels = Get16(b, body + 2);
            rate = static_cast<int>(Get32(b, body + 4));
            bits = Get16(b, body + 14);
        } else if (tag == "data" && channels > 0 && bits == 16) {
            // espeak-ng leaves the data size open when it writes to a file; take what is there.
            size_t end = std::min(b.size(), size == 0xFFFFFFFFu || size == 0 ? b.size() : body + size);
            mono.clear();
            for (size_t i = body; i + 2 * static_cast<size_t>(channels) <= end; i += 2 * static_cast<size_t>(channels))
                mono.push_back(static_cast<int16_t>(Get16(b, i)) / 32768.0f);
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

}  // namespace assetgen
