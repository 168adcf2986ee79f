#include "image.h"

#include <stb_image_write.h>
#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <stdexcept>

namespace assetgen {

Rgba Lerp(Rgba a, Rgba b, float t) { return a * (1.0f - t) + b * t; }

Rgba Hex(uint32_t rgb, float alpha) {
    return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f, alpha};
}

Image::Image(int width, int height, Rgba fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void Image::Blend(int x, int y, Rgba c) {
    if (!Inside(x, y) || c.a <= 0.0f) return;
    Rgba& d = at(x, y);
    float a = std::min(c.a, 1.0f);
    float outA = a + d.a * (1.0f - a);
    if (outA <= 0.0f) return;
    auto mix = [&](float s, float t) { return (s * a + t * d.a * (1.0f - a)) / outA; };
    d = {mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), outA};
}

void Image::Shade(int left, int top, int w, int h, const std::function<Rgba(float, float)>& f) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Inside(left + x, top + y)) at(left + x, top + y) = f((x + 0.5f) / w, (y + 0.5f) / h);
}

void Image::Paste(const Image& src, int left, int top) {
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) Blend(left + x, top + y, src.at(x, y));
}

Image Image::Scaled(int w, int h) const {
    Image out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Average the source pixels that fall into this destination pixel.
            int x0 = x * width_ / w, x1 = std::max(x0 + 1, (x + 1) * width_ / w);
            int y0 = y * height_ / h, y1 = std::max(y0 + 1, (y + 1) * height_ / h);
            Rgba sum;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx) {
                    const Rgba& p = at(sx, sy);
                    sum = sum + Rgba{p.r * p.a, p.g * p.a, p.b * p.a, p.a};
                }
            float n = static_cast<float>((x1 - x0) * (y1 - y0));
            out.at(x, y) = sum.a > 0 ? Rgba{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / n} : Rgba{};
        }
    return out;
}

static uint8_t To8(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

std::vector<uint8_t> Image::Rgba8() const {
    std::vector<uint8_t> out;
    out.reserve(pixels_.size() * 4);
    for (const Rgba& p : pixels_) {
        out.push_back(To8(p.r));
        out.push_back(To8(p.g));
        out.push_back(To8(p.b));
        out.push_back(To8(p.a));
    }
    return out;
}

std::vector<uint8_t> Image::Rgb8() const {
    std::vector<uint8_t> out;
    out.reserve(pixels_.size() * 3);
    for (const Rgba& p : pixels_) {  // composited over black
        float a = std::clamp(p.a, 0.0f, 1.0f);
        out.push_back(To8(p.r * a));
        out.push_back(To8(p.g * a));
        out.push_back(To8(p.b * a));
    }
    return out;
}

Mask Dilate(const Mask& m, int radius) {
    Mask out{m.width + 2 * radius, m.height + 2 * radius, {}};
    out.v.assign(static_cast<size_t>(out.width) * out.height, 0.0f);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            float best = 0;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx) {
                    float d = std::sqrt(static_cast<float>(dx * dx + dy * dy));
                    if (d > radius + 0.5f) continue;
                    float w = std::clamp(radius + 0.5f - d, 0.0f, 1.0f);
                    best = std::max(best, m.at(x - radius + dx, y - radius + dy) * w);
                }
            out.v[static_cast<size_t>(y) * out.width + x] = best;
        }
    return out;
}

void Stamp(Image& img, const Mask& m, int left, int top, const std::function<Rgba(float, float)>& colour) {
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            float cov = m.v[static_cast<size_t>(y) * m.width + x];
            if (cov <= 0) continue;
            Rgba c = colour((x + 0.5f) / m.width, (y + 0.5f) / m.height);
            c.a *= cov;
            img.Blend(left + x, top + y, c);
        }
}

namespace {

const char* FontPath(FontFace face) {
    switch (face) {
    case FontFace::Sans: return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    case FontFace::SansBold: return "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    case FontFace::SerifBold: return "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";
    case FontFace::Condensed: return "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
    }
    return "";
}

struct LoadedFont {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
};

const LoadedFont& Font(FontFace face) {
    static std::map<FontFace, LoadedFont> fonts;
    auto it = fonts.find(face);
    if (it != fonts.end()) return it->second;
    LoadedFont& f = fonts[face];
    std::ifstream in(FontPath(face), std::ios::binary);
    if (!in) throw std::runtime_error(std::string("font missing: ") + FontPath(face));
    f.data.assign(std::istreambuf_iterator<char>(in), {});
    if (!stbtt_InitFont(&f.info, f.data.data(), 0)) throw std::runtime_error("bad font");
    return f;
}

std::vector<int> Codepoints(const std::string& s) {
    std::vector<int> out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int cp = c, n = 1;
        if (c >= 0xF0) {
            cp = c & 7;
            n = 4;
        } else if (c >= 0xE0) {
            cp = c & 15;
            n = 3;
        } else if (c >= 0xC0) {
            cp = c & 31;
            n = 2;
        }
        for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 63);
        out.push_back(cp);
        i += n;
    }
    return out;
}

}  // namespace

Mask TextMask(FontFace face, const std::string& utf8, float pixelHeight) {
    const LoadedFont& f = Font(face);
    float scale = stbtt_ScaleForPixelHeight(&f.info, pixelHeight);
    int ascent, descent, gap;
    stbtt_GetFontVMetrics(&f.info, &ascent, &descent, &gap);
    std::vector<int> cps = Codepoints(utf8);
    // Pen positions first, to size the mask.
    float pen = 0;
    std::vector<float> xs;
    for (size_t i = 0; i < cps.size(); ++i) {
        xs.push_back(pen);
        int adv, lsb;
        stbtt_GetCodepointHMetrics(&f.info, cps[i], &adv, &lsb);
        pen += adv * scale;
        if (i + 1 < cps.size()) pen += stbtt_GetCodepointKernAdvance(&f.info, cps[i], cps[i + 1]) * scale;
    }
    // Tight box of the inked pixels.
    int minX = 1 << 20, minY = 1 << 20, maxX = -(1 << 20), maxY = -(1 << 20);
    float baseline = ascent * scale;
    for (size_t i = 0; i < cps.size(); ++i) {
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(&f.info, cps[i], scale, scale, xs[i] - std::floor(xs[i]), 0, &x0, &y0, &x1,
                                            &y1);
        if (x1 <= x0) continue;
        int ox = static_cast<int>(std::floor(xs[i])), oy = static_cast<int>(baseline);
        minX = std::min(minX, ox + x0);
        maxX = std::max(maxX, ox + x1);
        minY = std::min(minY, oy + y0);
        maxY = std::max(maxY, oy + y1);
    }
    Mask m;
    if (maxX <= minX) return m;
    m.width = maxX - minX;
    m.height = maxY - minY;
    m.v.assign(static_cast<size_t>(m.width) * m.height, 0.0f);
    for (size_t i = 0; i < cps.size(); ++i) {
        int x0, y0, x1, y1;
        float shift = xs[i] - std::floor(xs[i]);
        stbtt_GetCodepointBitmapBoxSubpixel(&f.info, cps[i], scale, scale, shift, 0, &x0, &y0, &x1, &y1);
        int gw = x1 - x0, gh = y1 - y0;
        if (gw <= 0 || gh <= 0) continue;
        std::vector<unsigned char> bmp(static_cast<size_t>(gw) * gh);
        stbtt_MakeCodepointBitmapSubpixel(&f.info, bmp.data(), gw, gh, gw, scale, scale, shift, 0, cps[i]);
        int ox = static_cast<int>(std::floor(xs[i])) + x0 - minX, oy = static_cast<int>(baseline) + y0 - minY;
        for (int y = 0; y < gh; ++y)
            for (int x = 0; x < gw; ++x) {
                float& dst = m.v[static_cast<size_t>(oy + y) * m.width + ox + x];
                dst = std::min(1.0f, dst + bmp[static_cast<size_t>(y) * gw + x] / 255.0f);
            }
    }
    return m;
}

Mask TextFit(FontFace face, const std::string& utf8, int w, int h, int margin, float maxHeight) {
    // Text height grows until the inked box no longer fits.
    float size = std::min(static_cast<float>(h) * 1.4f, maxHeight);
    Mask text = TextMask(face, utf8, size);
    while (size > 4 && (text.width > w - 2 * margin || text.height > h - 2 * margin)) {
        size *= 0.95f;
        text = TextMask(face, utf8, size);
    }
    Mask out{w, h, std::vector<float>(static_cast<size_t>(w) * h, 0.0f)};
    int ox = (w - text.width) / 2, oy = (h - text.height) / 2;
    for (int y = 0; y < text.height; ++y)
        for (int x = 0; x < text.width; ++x)
            if (ox + x >= 0 && oy + y >= 0 && ox + x < w && oy + y < h)
                out.v[static_cast<size_t>(oy + y) * w + ox + x] = text.v[static_cast<size_t>(y) * text.width + x];
    return out;
}

void FillCircle(Image& img, float cx, float cy, float radius, Rgba c) {
    int x0 = static_cast<int>(std::floor(cx - radius - 1)), x1 = static_cast<int>(std::ceil(cx + radius + 1));
    int y0 = static_cast<int>(std::floor(cy - radius - 1)), y1 = static_cast<int>(std::ceil(cy + radius + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            float cov = std::clamp(radius - d + 0.5f, 0.0f, 1.0f);
            if (cov > 0) img.Blend(x, y, {c.r, c.g, c.b, c.a * cov});
        }
}

void StrokeRect(Image& img, int left, int top, int right, int bottom, Rgba c, int thickness) {
    for (int t = 0; t < thickness; ++t) {
        for (int x = left; x < right; ++x) {
            img.Blend(x, top + t, c);
            img.Blend(x, bottom - 1 - t, c);
        }
        for (int y = top + thickness; y < bottom - thickness; ++y) {
            img.Blend(left + t, y, c);
            img.Blend(right - 1 - t, y, c);
        }
    }
}

void FillPolygon(Image& img, const std::vector<std::pair<float, float>>& pts, Rgba c) {
    // 4x4 supersampled even-odd fill.
    float minY = 1e9f, maxY = -1e9f, minX = 1e9f, maxX = -1e9f;
    for (auto& p : pts) {
        minY = std::min(minY, p.second);
        maxY = std::max(maxY, p.second);
        minX = std::min(minX, p.first);
        maxX = std::max(maxX, p.first);
    }
    for (int y = static_cast<int>(std::floor(minY)); y <= static_cast<int>(std::ceil(maxY)); ++y)
        for (int x = static_cast<int>(std::floor(minX)); x <= static_cast<int>(std::ceil(maxX)); ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    float px = x + (sx + 0.5f) / 4, py = y + (sy + 0.5f) / 4;
                    bool in = false;
                    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
                        auto [xi, yi] = pts[i];
                        auto [xj, yj] = pts[j];
                        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) in = !in;
                    }
                    hits += in;
                }
            if (hits) img.Blend(x, y, {c.r, c.g, c.b, c.a * hits / 16.0f});
        }
}

void DrawLine(Image& img, float x0, float y0, float x1, float y1, float width, Rgba c) {
    float dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
    if (len <= 0) return;
    float nx = -dy / len * width / 2, ny = dx / len * width / 2;
    FillPolygon(img, {{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}}, c);
}

namespace {
void Append(void* ctx, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(ctx);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}
}  // namespace

std::vector<uint8_t> EncodePng(const Image& img, bool withAlpha) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> px = withAlpha ? img.Rgba8() : img.Rgb8();
    int comp = withAlpha ? 4 : 3;
    stbi_write_png_to_func(Append, &out, img.width(), img.height(), comp, px.data(), img.width() * comp);
    return out;
}

std::vector<uint8_t> EncodeJpeg(const Image& img, int quality) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> px = img.Rgb8();
    stbi_write_jpg_to_func(Append, &out, img.width(), img.height(), 3, px.data(), quality);
    return out;
}

std::vector<uint8_t> EncodeBmp(const Image& img) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> px = img.Rgb8();
    stbi_write_bmp_to_func(Append, &out, img.width(), img.height(), 3, px.data());
    return out;
}

}  // namespace assetgen
