// Deterministic value noise (integer hashing, no global state).
#pragma once
#include <cstdint>

namespace assetgen {

uint32_t Hash(uint32_t x);
uint32_t Hash(int x, int y, uint32_t seed);
float Hash01(int x, int y, uint32_t seed);

// Smooth value noise in 0..1; with a period > 0 it tiles every `period` cells.
float ValueNoise(float x, float y, uint32_t seed, int period = 0);
// Fractal sum of octaves, 0..1; tiles when period > 0 (doubled per octave).
float Fbm(float x, float y, uint32_t seed, int octaves, int period = 0);

// Small linear congruential generator for art decisions (independent of the game's).
inline float SmoothStep(float a, float b, float x) {
    float t = (x - a) / (b - a);
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return t * t * (3 - 2 * t);
}

class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed) {}
    uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    float Uniform() { return static_cast<float>(Next() & 0xFFFFFF) / 16777216.0f; }
    float Range(float a, float b) { return a + (b - a) * Uniform(); }

private:
    uint32_t state_;
};

}  // namespace assetgen
