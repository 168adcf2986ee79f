#include "levels.h"

#include <algorithm>
#include <cmath>

namespace assetgen::levels {
namespace {
float Decibels(double power) { return power > 0 ? static_cast<float>(10 * std::log10(power)) : -200.0f; }
float Gain(float decibels) { return std::pow(10.0f, decibels / 20); }
}  // namespace

float Loudness(const std::vector<float>& samples, int channels, int rate, float window) {
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    if (frames == 0) return Decibels(0);
    size_t span = window > 0 ? static_cast<size_t>(window * static_cast<float>(rate)) : frames;
    span = std::clamp<size_t>(span, 1, frames);
    // Sum of squares over a sliding span of frames, all channels together.
    auto power = [&](size_t frame) {
        double sum = 0;
        for (int c = 0; c < channels; ++c) {
            const double s = samples[frame * static_cast<size_t>(channels) + static_cast<size_t>(c)];
            sum += s * s;
        }
        return sum;
    };
    double sum = 0;
    for (size_t i = 0; i < span; ++i) sum += power(i);
    double loudest = sum;
    for (size_t i = span; i < frames; ++i) {
        sum += power(i) - power(i - span);
        loudest = std::max(loudest, sum);
    }
    return Decibels(loudest / static_cast<double>(span * static_cast<size_t>(channels)));
}

void Master(std::vector<float>& samples, int channels, int rate, float window, float loudnessDb, float ceilingDb,
            float softClipDb) {
    float peak = 0;
    for (float s : samples) peak = std::max(peak, std::fabs(s));
    if (peak == 0) return;
    const float ceiling = Gain(ceilingDb);
    const float gain =
        std::min(Gain(loudnessDb - Loudness(samples, channels, rate, window)), Gain(ceilingDb + softClipDb) / peak);
    const float knee = ceiling / 2;
    for (float& s : samples) {
        s *= gain;
        const float magnitude = std::fabs(s);
        if (softClipDb <= 0 || magnitude <= knee) continue;
        s = std::copysign(knee + (ceiling - knee) * std::tanh((magnitude - knee) / (ceiling - knee)), s);
    }
}

}  // namespace assetgen::levels
