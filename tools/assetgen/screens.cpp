// HUD sheets and full-screen pictures of the game, title and ranking scenes.
// Every region the game cuts out (asset_manifest.h) holds its picture.
#include <cmath>
#include <map>

#include "asset_manifest.h"
#include "noise.h"
#include "output.h"
#include "preview.h"

namespace assetgen {
namespace {

using assets::SpriteRect;

const SpriteRect& Region(const char* image, const char* name) {
    for (const SpriteRect& r : assets::kSpriteRects)
        if (std::string(r.image) == image && std::string(r.name) == name) return r;
    throw std::runtime_error(std::string("no region ") + name);
}

// Outlined text with a vertical gradient, centred in a box.
void Label(Image& img, int left, int top, int w, int h, const std::string& text, Rgba topColour, Rgba bottomColour,
           FontFace face = FontFace::SansBold, int outline = 3, Rgba outlineColour = Hex(0x101010)) {
    Mask m = TextFit(face, text, w - 2 * outline, h - 2 * outline, 1);
    Stamp(img, Dilate(m, outline), left, top, [&](float, float) { return outlineColour; });
    Stamp(img, m, left + outline, top + outline, [&](float, float v) { return Lerp(topColour, bottomColour, v); });
}

void LabelIn(Image& img, const SpriteRect& r, const std::string& text, Rgba a, Rgba b,
             FontFace face = FontFace::SansBold) {
    Label(img, r.left, r.top, r.right - r.left, r.bottom - r.top, text, a, b, face);
}

// A ring of the given radius and stroke around (cx, cy), clipped to the image.
void Ring(Image& img, float cx, float cy, float radius, float width, Rgba c) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            float cover = std::clamp(width / 2 + 0.5f - std::fabs(d - radius), 0.0f, 1.0f);
            if (cover > 0) img.Blend(x, y, {c.r, c.g, c.b, c.a * cover});
        }
}

// Each stroke drawn twice: a dark rim first so the marker reads over sky, sea and fire.
template <typename Draw>
void Outlined(Rgba colour, Draw draw) {
    draw(Hex(0x180404, 0.85f), 2.5f);
    draw(colour, 0.0f);
}

// Human marker: a red lock-on reticle around (w, h - kHumanMarkerBelow): a
// half ring with ticks pointing in from the left, above and below.
constexpr int kHumanMarkerBelow = 21;
Image HumanMarker(int w, int h) {
    Image img(w, h);
    const float cx = static_cast<float>(w), cy = static_cast<float>(h - kHumanMarkerBelow), radius = 16.0f;
    Outlined(Hex(0xff3020, 0.95f), [&](Rgba c, float grow) {
        Ring(img, cx, cy, radius, 3 + grow, c);
        DrawLine(img, cx - radius - 9 - grow / 2, cy, cx - radius + 6 + grow / 2, cy, 2 + grow, c);
        DrawLine(img, cx - 1, cy - radius - 6 - grow / 2, cx - 1, cy - radius + 6 + grow / 2, 2 + grow, c);
        DrawLine(img, cx - 1, cy + radius - 6 - grow / 2, cx - 1, cy + radius + 6 + grow / 2, 2 + grow, c);
    });
    return img;
}

// Friendly marker: the target lies beyond the region's bottom-right corner
// (64, 64), so a green ring arc around it and a tick point there from a
// "protect" heart above.
Image CurryMarker(int w, int h) {
    Image img(w, h);
    const float cx = 64.0f, cy = 64.0f, radius = 34.0f, diagonal = 0.7071f;
    const Rgba green = Hex(0x40ff70);
    Outlined(green, [&](Rgba c, float grow) {
        Ring(img, cx, cy, radius, 3 + grow, c);
        const float from = radius + 9 + grow / 2, to = radius - 4 - grow / 2;
        DrawLine(img, cx - from * diagonal, cy - from * diagonal, cx - to * diagonal, cy - to * diagonal, 2 + grow, c);
    });
    const float hx = 17.0f, top = 4.0f;
    for (int pass = 0; pass < 2; ++pass) {
        const float grow = pass == 0 ? 2.0f : 0.0f;
        const Rgba c = pass == 0 ? Hex(0x0a3010) : green;
        FillCircle(img, hx - 6, top + 7, 6 + grow, c);
        FillCircle(img, hx + 6, top + 7, 6 + grow, c);
        FillPolygon(img, {{hx - 11.5f - grow, top + 9}, {hx + 11.5f + grow, top + 9}, {hx, top + 23 + grow}}, c);
    }
    return img;
}

Image TexTmp() {
    const char* sheet = "Texture/Sprite/TexTmp.png";
    Image img(512, 512);
    for (int d = 0; d < 10; ++d) {
        const SpriteRect& r = Region(sheet, std::to_string(d).c_str());
        LabelIn(img, r, std::to_string(d), Hex(0xffffff), Hex(0xd8d8d8));
    }
    // Markers. The HUD puts a marker's region at the target's screen point
    // moved up and left by the marker's anchor, so each picture is centred on
    // its anchor, which lies on or beyond the region's right and bottom edges:
    // only the part of a reticle up and left of the target can show.
    const SpriteRect& human = Region(sheet, "human marker");
    img.Paste(HumanMarker(human.right - human.left, human.bottom - human.top), human.left, human.top);
    const SpriteRect& curry = Region(sheet, "curry marker");
    img.Paste(CurryMarker(curry.right - curry.left, curry.bottom - curry.top), curry.left, curry.top);
    // Mode icons: 1 a fireball, 2 a power burst.
    {
        const SpriteRect& r = Region(sheet, "mode 1");
        float cx = (r.left + r.right) / 2.0f, cy = (r.top + r.bottom) / 2.0f;
        FillCircle(img, cx, cy, 30, Hex(0x202020, 0.8f));
        for (int k = 0; k < 20; ++k)
            FillCircle(img, cx - k * 0.9f, cy + k * 0.5f, 14 - k * 0.6f, Lerp(Hex(0xffe070), Hex(0xff3010), k / 20.0f));
        FillCircle(img, cx + 3, cy - 2, 9, Hex(0xfff8d0));
        Label(img, r.left + 34, r.top + 36, 28, 26, "1", Hex(0xffffff), Hex(0xffd0a0));
    }
    {
        const SpriteRect& r = Region(sheet, "mode 2");
        float cx = (r.left + r.right) / 2.0f, cy = (r.top + r.bottom) / 2.0f;
        FillCircle(img, cx, cy, 30, Hex(0x202020, 0.8f));
        std::vector<std::pair<float, float>> star;
        for (int k = 0; k < 16; ++k) {
            float a = k * 3.14159f / 8, rad = k % 2 ? 10.0f : 25.0f;
            star.push_back({cx + std::cos(a) * rad, cy + std::sin(a) * rad});
        }
        FillPolygon(img, star, Hex(0xc060ff));
        FillCircle(img, cx, cy, 9, Hex(0xffffff));
        Label(img, r.left + 34, r.top + 36, 28, 26, "2", Hex(0xffffff), Hex(0xe0c0ff));
    }
    // Arrow pointing along +x.
    {
        const SpriteRect& r = Region(sheet, "arrow");
        float l = r.left + 3.0f, rt = r.right - 3.0f, cy = (r.top + r.bottom) / 2.0f;
        std::vector<std::pair<float, float>> arrow{{l, cy - 9},        {rt - 26, cy - 9}, {rt - 26, cy - 24}, {rt, cy},
                                                   {rt - 26, cy + 24}, {rt - 26, cy + 9}, {l, cy + 9}};
        std::vector<std::pair<float, float>> shadow;
        shadow.reserve(arrow.size());
        for (auto [x, y] : arrow)
            shadow.push_back({x + (x < rt - 1 ? -1.5f : 1.5f), y + (y < cy ? -1.5f : y > cy ? 1.5f : 0)});
        FillPolygon(img, shadow, Hex(0x102030));
        FillPolygon(img, arrow, Hex(0x60e0ff));
    }
    // The HUD writes its numbers over these regions (score digits 166 px into
    // the score label, the countdown's left of the time label's word, the combo
    // count in the middle of its label), so each word keeps clear of them.
    const SpriteRect& score = Region(sheet, "SCORE");
    Label(img, score.left, score.top, 156, score.bottom - score.top, "SCORE", Hex(0xfff4b0), Hex(0xffa020));
    // TIME and COMBO regions overlap (y 345..359); each picture stays out of the shared band.
    const SpriteRect& time = Region(sheet, "TIME");
    const SpriteRect& combo = Region(sheet, "COMBO");
    Label(img, time.left + 150, time.top, time.right - time.left - 150, combo.top - time.top, "TIME", Hex(0xffffff),
          Hex(0xff8080));
    Label(img, combo.left + 246, time.bottom, combo.right - combo.left - 246, combo.bottom - time.bottom, "COMBO",
          Hex(0xb0ffff), Hex(0x20a0ff));
    return img;
}

Image Gauge(Rgba top, Rgba bottom, bool frame) {
    Image img(32, 400);
    if (frame) {
        StrokeRect(img, 0, 0, 32, 400, Hex(0x101820), 2);
        StrokeRect(img, 2, 2, 30, 398, Hex(0xc0d0e0), 2);
        for (int y = 40; y < 400; y += 40)
            for (int x = 4; x < 12; ++x) img.Blend(x, y, Hex(0xc0d0e0, 0.7f));
        return img;
    }
    img.Shade(4, 0, 24, 400, [&](float u, float v) {
        Rgba c = Lerp(top, bottom, v);
        float shine = 1 - std::fabs(u - 0.35f) * 1.6f;
        c = Lerp(c, Hex(0xffffff), std::max(0.0f, shine) * 0.35f);
        c.a = 0.95f;
        return c;
    });
    return img;
}

Image FullScreen(Rgba top, Rgba bottom) {
    Image img(800, 600);
    img.Shade(0, 0, 800, 600, [&](float u, float v) {
        Rgba c = Lerp(top, bottom, v);
        float vignette = 1 - 0.5f * (std::pow(u - 0.5f, 2.0f) + std::pow(v - 0.5f, 2.0f));
        c = c * vignette;
        c.a = 1;
        return c;
    });
    return img;
}

Image TitleSprite() {
    const char* sheet = "Texture/Title/TitleSprite.png";
    Image img(1024, 256);
    LabelIn(img, Region(sheet, "logo"), "Vortwing2 ~ Drakmora ~", Hex(0xfff0c0), Hex(0xd04010), FontFace::SerifBold);
    LabelIn(img, Region(sheet, "START"), "START", Hex(0xffffff), Hex(0xc0d8ff));
    LabelIn(img, Region(sheet, "EXIT"), "EXIT", Hex(0xffffff), Hex(0xc0d8ff));
    const SpriteRect& bar = Region(sheet, "bar");
    img.Shade(bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top, [](float u, float v) {
        float a = (1 - std::pow(std::fabs(u - 0.5f) * 2, 3.0f)) * (1 - std::pow(std::fabs(v - 0.5f) * 2, 2.0f));
        return Rgba{1, 1, 1, a};
    });
    return img;
}

Image Advice() {
    const char* sheet = "Texture/Title/Advice/Advice.png";
    Image img(1024, 256);
    const char* tips[] = {"Z: fireball   X: lock-on laser", "C: OverDrive   V: change attack mode",
                          "B / N: dash left / right   Enter: pause"};
    for (int i = 0; i < 3; ++i) {
        const SpriteRect& r = Region(sheet, ("advice " + std::to_string(i)).c_str());
        img.Shade(r.left, r.top, r.right - r.left, r.bottom - r.top, [](float, float) { return Hex(0x000000, 0.55f); });
        Label(img, r.left + 8, r.top, r.right - r.left - 16, r.bottom - r.top, tips[i], Hex(0xffffff), Hex(0xffe0a0),
              FontFace::Sans, 2);
    }
    return img;
}

Image RankingSprite() {
    const char* sheet = "Texture/Ranking/RankingSprite.png";
    Image img(256, 256);
    struct Plate {
        const char* name;
        Rgba a, b;
    };
    const Plate plates[] = {{"1ST", Hex(0xfff4a0), Hex(0xd09010)},
                            {"2ND", Hex(0xffffff), Hex(0x9aa8b8)},
                            {"3RD", Hex(0xffd0a0), Hex(0xa05a20)},
                            {"YOU", Hex(0xb0ffff), Hex(0x2080ff)}};
    for (const Plate& p : plates) {
        const SpriteRect& r = Region(sheet, p.name);
        img.Shade(r.left, r.top, r.right - r.left, r.bottom - r.top, [&](float u, float v) {
            Rgba c = Lerp(Hex(0x182030), Hex(0x060a10), v);
            float edge = std::min({u, 1 - u, v, 1 - v});
            c = Lerp(p.b, c, SmoothStep(0.0f, 0.06f, edge));
            c.a = 0.85f;
            return c;
        });
        Label(img, r.left + 4, r.top + 4, r.right - r.left - 8, r.bottom - r.top - 8, p.name, p.a, p.b);
    }
    return img;
}

Image MiniMap() {
    Image img(200, 200);
    img.Shade(0, 0, 200, 200, [](float u, float v) {
        float r = std::hypot(u - 0.5f, v - 0.5f) * 2;
        Rgba c = Hex(0x0a2a40, 0.6f * SmoothStep(1.0f, 0.96f, r));
        float ring =
            std::exp(-std::pow((r - 0.97f) / 0.015f, 2.0f)) + 0.5f * std::exp(-std::pow((r - 0.5f) / 0.01f, 2.0f));
        return Lerp(c, Hex(0x80d0ff, 0.9f), std::min(1.0f, ring));
    });
    DrawLine(img, 100, 6, 100, 194, 1, Hex(0x80d0ff, 0.35f));
    DrawLine(img, 6, 100, 194, 100, 1, Hex(0x80d0ff, 0.35f));
    FillPolygon(img, {{100, 90}, {107, 108}, {100, 104}, {93, 108}}, Hex(0xffffff));
    return img;
}

Image Point() {
    Image img(4, 4);
    img.Shade(0, 0, 4, 4, [](float u, float v) {
        return Rgba{1, 1, 1, SmoothStep(1.0f, 0.6f, std::hypot(u - 0.5f, v - 0.5f) * 2)};
    });
    return img;
}

}  // namespace

void GenerateScreens(Output& out) {
    std::map<std::string, Image> sheets;
    sheets["Texture/Sprite/TexTmp.png"] = TexTmp();
    sheets["Texture/Sprite/gauge2.png"] = Gauge({}, {}, true);
    sheets["Texture/Sprite/gauge1.png"] = Gauge(Hex(0x80ff60), Hex(0xff3020), false);
    sheets["Texture/Sprite/gauge3.png"] = Gauge(Hex(0x80f0ff), Hex(0x2040ff), false);
    sheets["Texture/Title/TitleSprite.png"] = TitleSprite();
    sheets["Texture/Title/Advice/Advice.png"] = Advice();
    sheets["Texture/Ranking/RankingSprite.png"] = RankingSprite();
    sheets["Texture/Sprite/MiniMap.png"] = MiniMap();
    sheets["Texture/Sprite/Point.png"] = Point();

    Image clear(800, 128);
    // The title and, under it, how to go on: Enter, or any of the pad's buttons.
    Label(clear, 40, 0, 720, 88, "MISSION CLEAR", Hex(0xfff8c0), Hex(0xffa010), FontFace::SerifBold, 4);
    Label(clear, 150, 90, 500, 36, "Press Enter  (pad: START or A)", Hex(0xffffff), Hex(0xd0e0ff), FontFace::SansBold,
          2);
    sheets["Texture/Sprite/MisstionClear.png"] = clear;

    Image pause(800, 600);
    pause.Shade(0, 230, 800, 140,
                [](float, float v) { return Hex(0x000000, 0.55f * (1 - std::pow(std::fabs(v - 0.5f) * 2, 4.0f))); });
    Label(pause, 250, 240, 300, 80, "PAUSE", Hex(0xffffff), Hex(0xa0d0ff));
    Label(pause, 250, 320, 300, 40, "Enter: resume", Hex(0xffffff), Hex(0xd0d0d0), FontFace::Sans, 2);
    sheets["Texture/Sprite/Pause.png"] = pause;

    Image load = FullScreen(Hex(0x101828), Hex(0x02040a));
    Label(load, 480, 520, 300, 60, "NOW LOADING", Hex(0xffffff), Hex(0x80a0ff));
    sheets["Texture/Title/Load.png"] = load;

    for (auto& [path, img] : sheets) out.WritePng(path, img);

    Image gameOver = FullScreen(Hex(0x400808), Hex(0x080000));
    Label(gameOver, 100, 220, 600, 140, "GAME OVER", Hex(0xffd0c0), Hex(0xc01010), FontFace::SerifBold, 5);
    out.Write("Texture/Sprite/gameover.JPG", EncodeJpeg(gameOver, 90));
    Image black(800, 600, Rgba{0, 0, 0, 1});
    out.Write("Texture/Ranking/Black.bmp", EncodeBmp(black));

    if (out.previewing()) {
        // Each sheet on a checkerboard with the regions the game cuts out outlined.
        for (auto& sheet : sheets) {
            // Named, not bound: the lambda below captures them.
            const auto& path = sheet.first;
            const Image& img = sheet.second;
            Image view(img.width(), img.height());
            // Captured by name: clang 14 cannot capture structured bindings.
            view.Shade(0, 0, img.width(), img.height(), [&img = img](float u, float v) {
                int cx = static_cast<int>(u * img.width()) / 8, cy = static_cast<int>(v * img.height()) / 8;
                return (cx + cy) % 2 ? Hex(0x505050) : Hex(0x383838);
            });
            view.Paste(img, 0, 0);
            for (const SpriteRect& r : assets::kSpriteRects)
                if (path == r.image) StrokeRect(view, r.left, r.top, r.right, r.bottom, Hex(0x00ff00, 0.8f));
            std::string name = path.substr(path.rfind('/') + 1);
            out.Preview("sheet_" + name.substr(0, name.find('.')), view);
        }
        out.Preview("sheet_gameover", gameOver);
    }
}

}  // namespace assetgen
