// Small synthesis building blocks shared by the sound effects and the music.
#pragma once
#include <cmath>
#include <numbers>
#include <vector>

#include "noise.h"

namespace assetgen {

inline constexpr float kTau = 2 * std::numbers::pi_v<float>;

// One-pole low-pass; cutoff in Hz.
class LowPass {
public:
    float Run(float x, float cutoff, float rate) {
        float a = 1 - std::exp(-kTau * cutoff / rate);
        y_ += a * (x - y_);
        return y_;
    }

private:
    float y_ = 0;
};

// Chamberlin state-variable filter with resonance; returns the low-pass output.
class Resonant {
public:
    float Run(float x, float cutoff, float q, float rate) {
        float f = 2 * std::sin(std::numbers::pi_v<float> * std::min(cutoff, rate / 6) / rate);
        low_ += f * band_;
        float high = x - low_ - q * band_;
        band_ += f * high;
        return low_;
    }
    float band() const { return band_; }

private:
    float low_ = 0, band_ = 0;
};

// White noise from a fixed seed.
class Noise {
public:
    explicit Noise(uint32_t seed) : rng_(seed) {}
    float Next() { return rng_.Uniform() * 2 - 1; }

private:
    Rng rng_;
};

inline float Saw(float phase) { return 2 * (phase - std::floor(phase)) - 1; }
inline float Square(float phase, float duty = 0.5f) { return phase - std::floor(phase) < duty ? 1.0f : -1.0f; }
inline float Triangle(float phase) { return 4 * std::fabs(phase - std::floor(phase + 0.5f)) - 1; }
inline float MidiHz(float note) { return 440.0f * std::pow(2.0f, (note - 69) / 12.0f); }
// Attack-decay envelope: linear rise over `attack` s, exponential fall with time constant `decay`.
inline float AttackDecay(float t, float attack, float decay) {
    if (t < 0) return 0;
    return t < attack ? t / attack : std::exp(-(t - attack) / decay);
}

}  // namespace assetgen
