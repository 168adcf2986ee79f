// The program's icon: the dragon's head in profile, jaws open, over a round
// badge of sky and sea. Every size is drawn from the same shapes (in units of
// the icon's side) rather than scaled from one picture, so the small sizes
// stay sharp; the outline grows with the size and never drops below a pixel.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "icon.h"

namespace assetgen {
namespace {
using Points = std::vector<std::pair<float, float>>;

constexpr float kBadgeRadius = 0.47f;

Points Scaled(const Points& unit, int size) {
    Points out;
    for (auto [x, y] : unit) out.emplace_back(x * size, y * size);
    return out;
}

Points Ellipse(float cx, float cy, float rx, float ry) {
    Points out;
    for (int i = 0; i < 40; ++i) {
        const float a = 6.2831853f * i / 40;
        out.emplace_back(cx + rx * std::cos(a), cy + ry * std::sin(a));
    }
    return out;
}

// Coverage of a polygon given in units of the side, as a mask of size x size.
Mask PolygonMask(const Points& unit, int size) {
    Image layer(size, size);
    FillPolygon(layer, Scaled(unit, size), {1, 1, 1, 1});
    Mask m{size, size, std::vector<float>(static_cast<size_t>(size) * size)};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) m.v[static_cast<size_t>(y) * size + x] = layer.at(x, y).a;
    return m;
}

Mask Union(const std::vector<Mask>& masks) {
    Mask out = masks.front();
    for (const Mask& m : masks)
        for (size_t i = 0; i < out.v.size(); ++i) out.v[i] = std::max(out.v[i], m.v[i]);
    return out;
}

// A vertical blend from top to bottom colour between the unit heights y0, y1.
std::function<Rgba(float, float)> Vertical(Rgba top, Rgba bottom, float y0, float y1) {
    return [=](float, float v) { return Lerp(top, bottom, std::clamp((v - y0) / (y1 - y0), 0.0f, 1.0f)); };
}

// Shapes of the head, facing right, in units of the icon's side.
const Points kHead = {
    {0.16f, 0.95f},  {0.20f, 0.75f},  {0.25f, 0.58f},  {0.30f, 0.46f},  {0.33f, 0.38f},  {0.38f, 0.31f},
    {0.46f, 0.28f},  {0.55f, 0.29f},  {0.62f, 0.31f},  {0.71f, 0.35f},  {0.80f, 0.38f},  {0.87f, 0.40f},
    {0.91f, 0.43f},  {0.92f, 0.47f},  {0.88f, 0.505f}, {0.74f, 0.515f}, {0.60f, 0.525f}, {0.555f, 0.55f},
    {0.66f, 0.585f}, {0.77f, 0.605f}, {0.84f, 0.615f}, {0.86f, 0.645f}, {0.77f, 0.675f}, {0.64f, 0.685f},
    {0.55f, 0.695f}, {0.49f, 0.725f}, {0.46f, 0.80f},  {0.45f, 0.95f},
};
const Points kMouth = {{0.58f, 0.52f}, {0.88f, 0.50f}, {0.86f, 0.62f}, {0.66f, 0.59f}, {0.55f, 0.55f}};
const Points kHornFront = {{0.48f, 0.31f}, {0.39f, 0.22f}, {0.27f, 0.13f}, {0.12f, 0.06f},
                           {0.21f, 0.16f}, {0.29f, 0.26f}, {0.35f, 0.35f}};
const Points kHornBack = {{0.37f, 0.36f}, {0.25f, 0.30f}, {0.06f, 0.28f}, {0.19f, 0.35f}, {0.31f, 0.44f}};
const Points kSpines[] = {
    {{0.29f, 0.50f}, {0.13f, 0.50f}, {0.255f, 0.61f}},
    {{0.24f, 0.64f}, {0.09f, 0.66f}, {0.215f, 0.74f}},
    {{0.21f, 0.77f}, {0.07f, 0.81f}, {0.19f, 0.86f}},
};
const Points kBelly = {{0.55f, 0.695f}, {0.49f, 0.725f}, {0.46f, 0.80f}, {0.45f, 0.95f},
                       {0.37f, 0.95f},  {0.385f, 0.80f}, {0.42f, 0.72f}, {0.50f, 0.68f}};
const Points kBrow = {{0.47f, 0.335f}, {0.56f, 0.305f}, {0.65f, 0.325f}, {0.64f, 0.35f}, {0.51f, 0.36f}};

std::vector<Points> Teeth() {
    std::vector<Points> teeth;
    for (float x : {0.66f, 0.73f, 0.80f, 0.86f})
        teeth.push_back({{x - 0.018f, 0.51f}, {x + 0.018f, 0.507f}, {x, 0.56f}});
    for (float x : {0.71f, 0.79f}) teeth.push_back({{x - 0.018f, 0.60f}, {x + 0.018f, 0.61f}, {x + 0.004f, 0.555f}});
    return teeth;
}

const Rgba kOutline = Hex(0x240505);
const Rgba kScaleLight = Hex(0xe0402e), kScaleDark = Hex(0x7a140e);
const Rgba kHornLight = Hex(0xf6eed8), kHornDark = Hex(0xb8a47c);
const Rgba kBellyLight = Hex(0xf2c85a), kBellyDark = Hex(0xb07a22);

void Badge(Image& img) {
    const int size = img.width();
    const float c = size * 0.5f, r = size * kBadgeRadius;
    // Rim, then sky over sea inside it.
    FillCircle(img, c, c, r, Hex(0x0a2740));
    const float inner = r - std::max(1.0f, size * 0.025f);
    Image disc(size, size);
    FillCircle(disc, c, c, inner, {1, 1, 1, 1});
    const float horizon = 0.66f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float cover = disc.at(x, y).a;
            if (cover <= 0) continue;
            const float v = (y + 0.5f) / size;
            Rgba colour = v < horizon ? Lerp(Hex(0x3f9fe0), Hex(0xc4ecff), v / horizon)
                                      : Lerp(Hex(0x1d6aa6), Hex(0x0a3050), (v - horizon) / (1 - horizon));
            // Light glints on the water, in bands.
            if (v > horizon) {
                const float band = std::sin((v - horizon) * 60.0f + std::sin((x + 0.5f) / size * 9.0f) * 1.5f);
                if (band > 0.82f) colour = Lerp(colour, Hex(0x7cc4ee), 0.45f);
            }
            colour.a = cover;
            img.Blend(x, y, colour);
        }
}

Image Dragon(int size) {
    Image layer(size, size);
    const Mask head = PolygonMask(kHead, size), hornFront = PolygonMask(kHornFront, size),
               hornBack = PolygonMask(kHornBack, size);
    std::vector<Mask> silhouette = {head, hornFront, hornBack, PolygonMask(kMouth, size)};
    for (const Points& spine : kSpines) silhouette.push_back(PolygonMask(spine, size));
    const int outline = std::max(1, static_cast<int>(std::lround(size / 64.0f)));
    Stamp(layer, Dilate(Union(silhouette), outline), -outline, -outline, [](float, float) { return kOutline; });

    for (const Points& spine : kSpines)
        Stamp(layer, PolygonMask(spine, size), 0, 0, Vertical(Hex(0xa0201a), Hex(0x5a0e0a), 0.5f, 0.9f));
    Stamp(layer, hornBack, 0, 0, Vertical(kHornLight, kHornDark, 0.28f, 0.44f));
    Stamp(layer, PolygonMask(kMouth, size), 0, 0, [](float, float) { return Hex(0x3a0806); });
    for (const Points& tooth : Teeth()) FillPolygon(layer, Scaled(tooth, size), Hex(0xfaf4e4));
    Stamp(layer, head, 0, 0, Vertical(kScaleLight, kScaleDark, 0.28f, 0.75f));
    Stamp(layer, hornFront, 0, 0, Vertical(kHornLight, kHornDark, 0.06f, 0.35f));
    const Mask belly = PolygonMask(kBelly, size);
    Stamp(layer, belly, 0, 0, Vertical(kBellyLight, kBellyDark, 0.68f, 0.95f));
    // Plates across the throat, kept inside it.
    Image plates(size, size);
    for (float y : {0.75f, 0.81f, 0.87f})
        DrawLine(plates, 0.3f * size, (y + 0.03f) * size, 0.56f * size, (y - 0.01f) * size,
                 std::max(1.0f, size / 96.0f), Hex(0x8a5a14, 0.8f));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) plates.at(x, y).a *= belly.at(x, y);
    layer.Paste(plates, 0, 0);
    FillPolygon(layer, Scaled(kBrow, size), Hex(0x5a0c08));
    // The eye: gold with a slit pupil, the part that reads at every size.
    FillPolygon(layer, Scaled(Ellipse(0.575f, 0.385f, 0.05f, 0.033f), size), Hex(0x1a0402));
    FillPolygon(layer, Scaled(Ellipse(0.575f, 0.385f, 0.04f, 0.025f), size), Hex(0xffd23a));
    FillPolygon(layer, Scaled(Ellipse(0.58f, 0.385f, 0.009f, 0.024f), size), Hex(0x120200));
    FillPolygon(layer, Scaled(Ellipse(0.865f, 0.43f, 0.014f, 0.009f), size), Hex(0x2a0402));

    // Below the head the neck ends at the badge's rim.
    const float c = size * 0.5f, r = size * kBadgeRadius;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if ((y + 0.5f) / size < 0.6f) continue;
            const float d = std::hypot(x + 0.5f - c, y + 0.5f - c);
            layer.at(x, y).a *= std::clamp(r - d + 0.5f, 0.0f, 1.0f);
        }
    return layer;
}

void Put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
}  // namespace

Image DrawIcon(int size) {
    Image img(size, size);
    Badge(img);
    img.Paste(Dragon(size), 0, 0);
    return img;
}

std::vector<uint8_t> EncodeIco(const std::vector<Image>& images) {
    std::vector<std::vector<uint8_t>> pngs;
    for (const Image& img : images) {
        if (img.width() < 1 || img.width() > 256 || img.height() < 1 || img.height() > 256)
            throw std::runtime_error("icon images must be 1 to 256 pixels");
        pngs.push_back(EncodePng(img, true));
    }
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<uint8_t>(images[i].width() & 0xFF));  // 256 is written as 0
        out.push_back(static_cast<uint8_t>(images[i].height() & 0xFF));
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);   // planes
        Put16(out, 32);  // bits per pixel
        Put32(out, static_cast<uint32_t>(pngs[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(pngs[i].size());
    }
    for (const auto& png : pngs) out.insert(out.end(), png.begin(), png.end());
    return out;
}

void GenerateIcon(Output& out) {
    std::vector<Image> images;
    for (int size : kWindowIconSizes) images.push_back(DrawIcon(size));
    out.Write(kWindowIconFile, EncodeIco(images));
    out.Preview("icon", images.back());
}

void WriteDesktopIcons(const std::filesystem::path& directory, const std::string& id) {
    for (int size : kDesktopIconSizes) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path path = directory / "hicolor" / folder / "apps" / (id + ".png");
        std::filesystem::create_directories(path.parent_path());
        const std::vector<uint8_t> bytes = EncodePng(DrawIcon(size), true);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file) throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace assetgen
