#include "noise.h"

#include <cmath>

namespace assetgen {

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

uint32_t Hash(int x, int y, uint32_t seed) {
    return Hash(static_cast<uint32_t>(x) * 0x9E3779B1u ^ Hash(static_cast<uint32_t>(y) + seed * 0x85EBCA77u));
}

float Hash01(int x, int y, uint32_t seed) { return (Hash(x, y, seed) & 0xFFFFFF) / 16777215.0f; }

static int Wrap(int v, int period) {
    if (period <= 0) return v;
    v %= period;
    return v < 0 ? v + period : v;
}

float ValueNoise(float x, float y, uint32_t seed, int period) {
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    float fx = x - ix, fy = y - iy;
    float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    auto h = [&](int dx, int dy) { return Hash01(Wrap(ix + dx, period), Wrap(iy + dy, period), seed); };
    float a = h(0, 0) + (h(1, 0) - h(0, 0)) * sx;
    float b = h(0, 1) + (h(1, 1) - h(0, 1)) * sx;
    return a + (b - a) * sy;
}

float Fbm(float x, float y, uint32_t seed, int octaves, int period) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += ValueNoise(x, y, seed + o * 101u, period) * amp;
        norm += amp;
        x *= 2;
        y *= 2;
        if (period > 0) period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

}  // namespace assetgen
