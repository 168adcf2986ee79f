// The sky dome and the sea, with their textures.
#include <cmath>

#include "noise.h"
#include "output.h"
#include "xfile.h"

namespace assetgen {
namespace {

// Daylight sky in longitude (u) and latitude (v: 0 zenith, 0.5 horizon, 1 nadir),
// seamless across u = 0 / 1.
Image SkyTexture() {
    const int w = 1024, h = 512;
    Image img(w, h);
    img.Shade(0, 0, w, h, [&](float u, float v) {
        Rgba c;
        if (v < 0.5f) {
            float elev = 1 - v * 2;  // 1 at the zenith, 0 at the horizon
            c = Lerp(Hex(0xcfe3f2), Hex(0x2f6fc0), std::pow(elev, 0.6f));
            // Clouds thin out towards the zenith and sit low near the horizon.
            float n = Fbm(u * 16, v * 12, 31, 5, 16);
            float cover =
                SmoothStep(0.52f, 0.7f, n) * (0.35f + 0.65f * (1 - elev)) * (elev > 0.03f ? 1.0f : elev / 0.03f);
            float shade = Fbm(u * 32, v * 24 + 3, 37, 3, 32);
            c = Lerp(c, Lerp(Hex(0xffffff), Hex(0xb8c4d0), shade * 0.8f), cover);
        } else {
            // Below the horizon: haze that meets the sea.
            float d = (v - 0.5f) * 2;
            c = Lerp(Hex(0xb8d2e6), Hex(0x3a6a8a), std::sqrt(d));
        }
        c.a = 1;
        return c;
    });
    return img;
}

// Seamless water: layered ripples, tiling across both edges.
Image SeaTexture() {
    const int n = 256;
    Image img(n, n);
    img.Shade(0, 0, n, n, [&](float u, float v) {
        float a = Fbm(u * 8, v * 8, 41, 4, 8);
        float b = Fbm(u * 16 + 5, v * 16, 43, 3, 16);
        float crest = std::pow(std::clamp((a * 0.6f + b * 0.4f - 0.45f) / 0.25f, 0.0f, 1.0f), 3.0f);
        Rgba c = Lerp(Hex(0x0d3b5e), Hex(0x2a7aa4), a);
        c = Lerp(c, Hex(0xcfe8f4), crest * 0.5f);
        c.a = 1;
        return c;
    });
    return img;
}

}  // namespace

void GenerateScenery(Output& out) {
    // Sky: a unit sphere turned inside out, so it is seen from its centre.
    Mesh sky;
    sky.texture = "Sky.png";
    AddEllipsoid(sky, {}, {1, 1, 1}, Mat4{}, 24, 48, {0, 0, 1, 1}, RigidTo(0));
    for (MeshVertex& v : sky.vertices) v.normal = v.normal * -1.0f;
    for (auto& f : sky.faces) std::swap(f[1], f[2]);
    out.Write("XFile/Map/Sky.x", WriteStaticX(sky, "Sky"));
    out.WritePng("XFile/Map/Sky.png", SkyTexture(), false);

    // Sea: a 24 000-unit square at y = 0, the water texture repeating every 40 units.
    Mesh sea;
    sea.texture = "Sea.png";
    const int cells = 16;
    const float half = 12000, repeat = 40;
    for (int i = 0; i <= cells; ++i)
        for (int j = 0; j <= cells; ++j) {
            MeshVertex v;
            v.position = {-half + 2 * half * j / cells, 0, half - 2 * half * i / cells};
            v.normal = {0, 1, 0};
            v.u = (v.position.x + half) / repeat;
            v.v = (half - v.position.z) / repeat;
            sea.vertices.push_back(v);
        }
    for (int i = 0; i < cells; ++i)
        for (int j = 0; j < cells; ++j) {
            int a = i * (cells + 1) + j, b = a + 1, c = a + cells + 1, d = c + 1;
            // Seen from above, (a, b, c) runs clockwise: a top-left, b top-right, c bottom-left.
            sea.faces.push_back({a, b, c});
            sea.faces.push_back({b, d, c});
        }
    out.Write("XFile/Map/sea.x", WriteStaticX(sea, "Sea"));
    out.WritePng("XFile/Map/Sea.png", SeaTexture(), false);
    if (out.previewing()) {
        out.Preview("texture_sky", SkyTexture());
        out.Preview("texture_sea_tiled", [] {
            Image t = SeaTexture(), big(512, 512);
            for (int y = 0; y < 512; ++y)
                for (int x = 0; x < 512; ++x) big.at(x, y) = t.at(x % 256, y % 256);
            return big;
        }());
    }
}

}  // namespace assetgen
