#include "preview.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace assetgen {

void RenderMesh(Image& img, const Mesh& mesh, const std::vector<Vec3>& positions, const Image& texture,
                const View& view) {
    int w = img.width(), h = img.height();
    std::vector<float> depth(static_cast<size_t>(w) * h, std::numeric_limits<float>::max());
    Mat4 rot = RotationY(view.yaw) * RotationX(view.pitch);
    std::vector<Vec3> p(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) p[i] = TransformPoint(positions[i] - view.centre, rot);
    Vec3 light = Normalize({-0.4f, 0.8f, -0.6f});
    for (const auto& f : mesh.faces) {
        Vec3 a = p[static_cast<size_t>(f[0])], b = p[static_cast<size_t>(f[1])], c = p[static_cast<size_t>(f[2])];
        auto sx = [&](Vec3 q) { return w / 2.0f + q.x * view.pixelsPerUnit; };
        auto sy = [&](Vec3 q) { return h / 2.0f - q.y * view.pixelsPerUnit; };
        float ax = sx(a), ay = sy(a), bx = sx(b), by = sy(b), cx = sx(c), cy = sy(c);
        float area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
        if (area <= 0) continue;  // back face
        Vec3 n = Normalize(Cross(b - a, c - a));
        float lit = 0.35f + 0.65f * std::max(0.0f, Dot(n, light));
        const MeshVertex& va = mesh.vertices[static_cast<size_t>(f[0])];
        const MeshVertex& vb = mesh.vertices[static_cast<size_t>(f[1])];
        const MeshVertex& vc = mesh.vertices[static_cast<size_t>(f[2])];
        int x0 = std::max(0, static_cast<int>(std::floor(std::min({ax, bx, cx}))));
        int x1 = std::min(w - 1, static_cast<int>(std::ceil(std::max({ax, bx, cx}))));
        int y0 = std::max(0, static_cast<int>(std::floor(std::min({ay, by, cy}))));
        int y1 = std::min(h - 1, static_cast<int>(std::ceil(std::max({ay, by, cy}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                float px = x + 0.5f, py = y + 0.5f;
                float w0 = ((bx - px) * (cy - py) - (by - py) * (cx - px)) / area;
                float w1 = ((cx - px) * (ay - py) - (cy - py) * (ax - px)) / area;
                float w2 = 1 - w0 - w1;
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                float z = a.z * w0 + b.z * w1 + c.z * w2;
                float& d = depth[static_cast<size_t>(y) * w + x];
                if (z >= d) continue;
                d = z;
                float u = va.u * w0 + vb.u * w1 + vc.u * w2, v = va.v * w0 + vb.v * w1 + vc.v * w2;
                int tx = std::clamp(static_cast<int>(u * texture.width()), 0, texture.width() - 1);
                int ty = std::clamp(static_cast<int>(v * texture.height()), 0, texture.height() - 1);
                Rgba t = texture.at(tx, ty);
                img.at(x, y) = {t.r * lit, t.g * lit, t.b * lit, 1};
            }
    }
}

ContactSheet::ContactSheet(int columns, int cellW, int cellH) : columns_(columns), cellW_(cellW), cellH_(cellH) {}

Image& ContactSheet::NewCell(const std::string& caption) {
    cells_.emplace_back(cellW_, cellH_, Rgba{0.18f, 0.2f, 0.24f, 1});
    captions_.push_back(caption);
    return cells_.back();
}

Image ContactSheet::Compose() const {
    const int captionH = 18, gap = 4;
    int rows = (static_cast<int>(cells_.size()) + columns_ - 1) / columns_;
    Image sheet(columns_ * (cellW_ + gap) + gap, rows * (cellH_ + captionH + gap) + gap, Rgba{0.05f, 0.05f, 0.05f, 1});
    for (size_t i = 0; i < cells_.size(); ++i) {
        int col = static_cast<int>(i) % columns_, row = static_cast<int>(i) / columns_;
        int x = gap + col * (cellW_ + gap), y = gap + row * (cellH_ + captionH + gap);
        sheet.Paste(cells_[i], x, y);
        Mask text = TextMask(FontFace::Sans, captions_[i], 14);
        Stamp(sheet, text, x + 2, y + cellH_ + 2, [](float, float) { return Rgba{1, 1, 1, 1}; });
    }
    return sheet;
}

}  // namespace assetgen
