// RGBA float images, file encoders and the drawing helpers the art code shares.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace assetgen {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};

inline Rgba operator*(Rgba c, float k) { return {c.r * k, c.g * k, c.b * k, c.a * k}; }
inline Rgba operator+(Rgba a, Rgba b) { return {a.r + b.r, a.g + b.g, a.b + b.b, a.a + b.a}; }
Rgba Lerp(Rgba a, Rgba b, float t);
Rgba Hex(uint32_t rgb, float alpha = 1.0f);

class Image {
public:
    Image() = default;
    Image(int width, int height, Rgba fill = {});
    int width() const { return width_; }
    int height() const { return height_; }
    Rgba& at(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Rgba& at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    // Source-over composite of one pixel (straight alpha), clipped to the image.
    void Blend(int x, int y, Rgba c);
    // Sets every pixel of a rectangle from a function of the pixel's position
    // inside the rectangle (u, v in 0..1, pixel centres).
    void Shade(int left, int top, int w, int h, const std::function<Rgba(float u, float v)>& f);
    void Paste(const Image& src, int left, int top);  // composited
    Image Scaled(int w, int h) const;                 // box/bilinear resample

    std::vector<uint8_t> Rgba8() const;
    std::vector<uint8_t> Rgb8() const;

private:
    int width_ = 0, height_ = 0;
    std::vector<Rgba> pixels_;
};

// Coverage mask, 0..1 per pixel.
struct Mask {
    int width = 0, height = 0;
    std::vector<float> v;
    float at(int x, int y) const {
        return (x < 0 || y < 0 || x >= width || y >= height) ? 0.0f : v[static_cast<size_t>(y) * width + x];
    }
};

Mask Dilate(const Mask& m, int radius);
// Composites colour(u, v) with the mask's coverage at (left, top); u, v span the mask.
void Stamp(Image& img, const Mask& m, int left, int top, const std::function<Rgba(float u, float v)>& colour);

// Text through stb_truetype from the Debian DejaVu fonts.
enum class FontFace { Sans, SansBold, SerifBold, Condensed };
Mask TextMask(FontFace face, const std::string& utf8, float pixelHeight);
// Largest text that fits inside w x h (with a margin), as a mask of exactly w x h, centred.
Mask TextFit(FontFace face, const std::string& utf8, int w, int h, int margin, float maxHeight = 1e9f);

// Drawing primitives (anti-aliased, composited).
void FillCircle(Image& img, float cx, float cy, float radius, Rgba c);
void StrokeRect(Image& img, int left, int top, int right, int bottom, Rgba c, int thickness = 1);
void FillPolygon(Image& img, const std::vector<std::pair<float, float>>& pts, Rgba c);
void DrawLine(Image& img, float x0, float y0, float x1, float y1, float width, Rgba c);

// Encoders. Each returns the file's bytes; WriteFile stores them.
std::vector<uint8_t> EncodePng(const Image& img, bool withAlpha = true);
std::vector<uint8_t> EncodeJpeg(const Image& img, int quality = 90);
std::vector<uint8_t> EncodeBmp(const Image& img);

}  // namespace assetgen
