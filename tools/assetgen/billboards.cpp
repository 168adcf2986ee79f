// Billboard textures: fire puff sheets, flames, laser ribbons, beam streaks and
// shot sprites. Fire and glow sit on black or transparent, for additive blending.
#include <cmath>
#include <numbers>

#include "noise.h"
#include "output.h"
#include "preview.h"

namespace assetgen {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

struct FirePalette {
    Rgba core, mid, edge, smoke;
};

// One puff at age t (0 new .. 1 gone) in a cell of the sheet: it grows, its
// hot core cools, and noise eats it away as it thins out.
Rgba Puff(float x, float y, float t, const FirePalette& p, uint32_t seed) {
    float r = std::hypot(x, y);
    float radius = 0.5f + 0.42f * std::sqrt(t);
    float angle = std::atan2(y, x);
    float n = Fbm(std::cos(angle) * 2 + 4 + t * 3, std::sin(angle) * 2 + 4 + r * 3, seed, 4);
    float edge = radius * (0.8f + 0.4f * n);
    float density = SmoothStep(edge, edge * 0.35f, r);
    float thin = 1 - 0.9f * SmoothStep(0.35f, 1.0f, t);
    float holes = SmoothStep(0.15f + 0.55f * t, 0.4f + 0.55f * t, Fbm(x * 3 + 10, y * 3 + 10 + t * 2, seed + 7, 4));
    density *= thin * (t < 0.3f ? 1.0f : holes);
    float heat = SmoothStep(0.6f, 0.0f, r / std::max(radius, 1e-3f)) * (1 - SmoothStep(0.0f, 0.6f, t));
    Rgba c = Lerp(Lerp(p.edge, p.mid, density), p.core, heat);
    c = Lerp(c, p.smoke, SmoothStep(0.4f, 0.9f, t));
    // Bursts pile up additively behind every fireball: even the hot core stays
    // short of opaque so that a cluster of them does not burn out to white.
    c.a = std::clamp(density * (0.5f + 0.3f * heat), 0.0f, 1.0f);
    return c;
}

Image PuffSheet(const FirePalette& p, uint32_t seed) {
    const int cell = 64;
    Image img(cell * 8, cell * 8);
    for (int k = 0; k < 64; ++k) {
        float t = k / 63.0f;
        int cx = (k % 8) * cell, cy = (k / 8) * cell;
        img.Shade(cx, cy, cell, cell, [&](float u, float v) { return Puff(u * 2 - 1, v * 2 - 1, t, p, seed); });
    }
    return img;
}

// A tall flame on opaque black, rising from the bottom of the picture.
Image Flame(uint32_t seed) {
    const int w = 128, h = 256;
    Image img(w, h, Rgba{0, 0, 0, 1});
    img.Shade(0, 0, w, h, [&](float u, float v) {
        float up = 1 - v;  // 0 at the base
        float sway = (Fbm(up * 3, 0.5f, seed, 3) - 0.5f) * 0.5f * up;
        float x = (u - 0.5f - sway) * 2;
        float width = 0.75f * std::pow(1 - up, 0.7f) + 0.05f;
        float n = Fbm(u * 6, v * 5 + seed * 0.37f, seed + 3, 4);
        float body = SmoothStep(width, width * 0.3f, std::fabs(x) + (n - 0.5f) * 0.6f * up);
        float tongues = SmoothStep(0.35f, 0.65f, Fbm(u * 4 + 3, v * 3, seed + 9, 3) + (1 - up) * 0.5f);
        float f = body * (1 + (tongues - 1) * SmoothStep(0.3f, 0.7f, up)) * SmoothStep(1.0f, 0.8f, up) *
                  SmoothStep(0.0f, 0.06f, up);
        Rgba c = Lerp(Hex(0x000000), Hex(0xc02000), SmoothStep(0.0f, 0.3f, f));
        c = Lerp(c, Hex(0xff9020), SmoothStep(0.3f, 0.7f, f));
        c = Lerp(c, Hex(0xfff0b0), SmoothStep(0.75f, 1.0f, f) * (1 - up));
        c.a = 1;
        return c;
    });
    return img;
}

// A slow pulse along a ribbon's length, between 0.7 and 1.
float Pulse(float v, float pulses, uint32_t seed) {
    return 0.85f + 0.15f * std::sin(v * kPi * 2 * pulses + Fbm(v * 8, 0, seed, 2) * 3);
}

// A ribbon: across is u (bright at the middle), along is v.
Image Ribbon(Rgba core, Rgba fringe, float pulses, uint32_t seed) {
    const int w = 64, h = 256;
    Image img(w, h);
    img.Shade(0, 0, w, h, [&](float u, float v) {
        float d = std::fabs(u - 0.5f) * 2;
        float wobble = Pulse(v, pulses, seed);
        float glow = SmoothStep(1.0f, 0.0f, d / wobble);
        float hot = SmoothStep(0.35f, 0.0f, d);
        Rgba c = Lerp(fringe, core, hot);
        c.a = glow * glow;
        return c;
    });
    return img;
}

// A bolt for a ribbon drawn twenty times over under additive blending, often
// edge-on and close to the camera, and often all twenty along one path: a thin
// core and a faint narrow glow in a colour without green, so that however
// many bolts add up they saturate to their own violet, never to white.
Image Bolt(Rgba core, Rgba glow, float pulses, uint32_t seed) {
    const int w = 64, h = 256;
    Image img(w, h);
    img.Shade(0, 0, w, h, [&](float u, float v) {
        float d = std::fabs(u - 0.5f) * 2;
        float flicker = Pulse(v, pulses, seed);
        float line = SmoothStep(0.2f, 0.06f, d);
        float halo = std::exp(-std::pow(d / 0.4f, 2.0f)) * SmoothStep(1.0f, 0.7f, d);
        Rgba c = Lerp(glow, core, line);
        c.a = std::clamp(line * 0.75f * flicker + halo * 0.22f, 0.0f, 1.0f);
        return c;
    });
    return img;
}

// A streak of fire, narrow across and long along the picture.
Image FireStreak(Rgba hot, Rgba cool, uint32_t seed) {
    const int w = 32, h = 256;
    Image img(w, h);
    img.Shade(0, 0, w, h, [&](float u, float v) {
        float d = std::fabs(u - 0.5f) * 2;
        float flicker = Fbm(u * 2, v * 12, seed, 4);
        float width = 0.5f + 0.5f * flicker;
        float a = SmoothStep(width, 0.0f, d) * SmoothStep(0.0f, 0.1f, v) * SmoothStep(1.0f, 0.85f, v);
        Rgba c = Lerp(cool, hot, SmoothStep(0.5f, 0.0f, d / width));
        c.a = a;
        return c;
    });
    return img;
}

// Round glowing sprite with optional rays.
Image Glow(Rgba core, Rgba halo, int rays, float ring, uint32_t seed) {
    const int n = 128;
    Image img(n, n);
    img.Shade(0, 0, n, n, [&](float u, float v) {
        float x = u * 2 - 1, y = v * 2 - 1, r = std::hypot(x, y), a = std::atan2(y, x);
        float g = std::exp(-r * r * 6) + 0.35f * std::exp(-r * r * 1.5f);
        if (rays > 0) g += 0.5f * std::pow(std::fabs(std::cos(a * rays / 2)), 16.0f) * SmoothStep(1.0f, 0.1f, r);
        if (ring > 0)
            g += 0.8f * std::exp(-std::pow((r - ring) / 0.06f, 2.0f)) * (0.7f + 0.3f * Fbm(a * 3 + 5, 1, seed, 2));
        g *= SmoothStep(1.0f, 0.85f, r);
        Rgba c = Lerp(halo, core, SmoothStep(0.2f, 0.9f, g));
        c.a = std::clamp(g, 0.0f, 1.0f);
        return c;
    });
    return img;
}

}  // namespace

void GenerateBillboards(Output& out) {
    // Trail bursts stack up additively along a fireball's path, a dozen and
    // more deep: each palette keeps one channel low (blue in fire, green in
    // the violet fire) so a stack saturates to its own colour, not to white.
    const FirePalette fire{Hex(0xffd448), Hex(0xff8a1c), Hex(0xc02a08), Hex(0x3a2a24)};
    const FirePalette hot{Hex(0xffe060), Hex(0xffa030), Hex(0xff5010), Hex(0x40302a)};
    const FirePalette enemy{Hex(0xb018ff), Hex(0x7010ff), Hex(0x3010b0), Hex(0x201838)};
    const FirePalette blast{Hex(0xffd870), Hex(0xff7a20), Hex(0x902008), Hex(0x2a2420)};
    std::vector<std::pair<std::string, Image>> sprites;
    sprites.emplace_back("Texture/FireBall.png", PuffSheet(fire, 101));
    sprites.emplace_back("Texture/FireBallNormal.png", PuffSheet(hot, 103));
    sprites.emplace_back("Texture/EnemyFireBall.png", PuffSheet(enemy, 107));
    sprites.emplace_back("Texture/Explode.png", PuffSheet(blast, 109));
    const char* flames[] = {"Flame", "Flame2", "Flame3", "Flame4", "Flame5", "Flame6"};
    for (int i = 0; i < 6; ++i)
        sprites.emplace_back(std::string("Texture/Flame/") + flames[i] + ".png", Flame(200 + i * 17));
    sprites.emplace_back("Texture/Laser/BlueRedBeam_.png", Ribbon(Hex(0xe0f0ff), Hex(0xff3040), 3, 301));
    sprites.emplace_back("Texture/Laser/MultyRock.png", Bolt(Hex(0xc40cff), Hex(0x5a08ff), 6, 303));
    sprites.emplace_back("Texture/Laser/_FireLaser.png", FireStreak(Hex(0xfff0a0), Hex(0xff5010), 305));
    sprites.emplace_back("Texture/Laser/FireLaser.png", FireStreak(Hex(0xffe0c0), Hex(0xe02010), 307));
    sprites.emplace_back("Texture/Effect/Shot.png", Glow(Hex(0xf0fff0), Hex(0x30e060), 0, 0.6f, 401));
    sprites.emplace_back("Texture/Effect/BlueFlash.png", Glow(Hex(0xffffff), Hex(0x3080ff), 8, 0.75f, 403));
    sprites.emplace_back("Texture/Effect/Shot_09.png", Glow(Hex(0xffffff), Hex(0x40e0ff), 4, 0.0f, 405));
    sprites.emplace_back("Texture/Effect/DEATH.png", Glow(Hex(0xffe0f0), Hex(0xe02080), 6, 0.45f, 407));
    for (auto& [path, img] : sprites) {
        // Flames are opaque pictures keyed on black by the game.
        bool alpha = path.find("/Flame/") == std::string::npos;
        out.WritePng(path, img, alpha);
    }
    if (out.previewing()) {
        ContactSheet sheet(4, 256, 256);
        for (auto& [path, img] : sprites) {
            int w = img.width() >= img.height() ? 256 : 256 * img.width() / img.height();
            int h = img.width() >= img.height() ? 256 * img.height() / img.width() : 256;
            Image& cell = sheet.NewCell(path.substr(path.rfind('/') + 1));
            cell = Image(256, 256, Rgba{0, 0, 0, 1});
            cell.Paste(img.Scaled(w, h), (256 - w) / 2, (256 - h) / 2);
        }
        out.Preview("billboards", sheet.Compose());
    }
}

}  // namespace assetgen
