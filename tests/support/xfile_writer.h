// Small X files written by the tests and benchmarks themselves: a strip of
// quads along +x bent by a chain of bones, with optional normals, material
// list, blended seams and animation sets of matrix keys.
#pragma once
#include <cstdio>
#include <string>

namespace xtest {

struct ChainOptions {
    int bones = 2;
    int columnsPerBone = 1;  // quads along x per bone
    int rows = 1;            // quads along y
    bool normals = true;
    bool materials = true;
    bool blendSeams = false;  // seam vertices half on each neighbouring bone
    int animationSets = 0;
    std::string texture;  // empty: none
};

inline std::string Matrix(float tx, float ty, float tz) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,0.000000,"
                  "0.000000,0.000000,1.000000,0.000000,%.6f,%.6f,%.6f,1.000000;;",
                  tx, ty, tz);
    return text;
}

inline std::string BoneName(int bone) { return "Bone" + std::to_string(bone); }

// Bone i sits at x = i in the bind pose, each frame one unit from its
// parent; vertex (column, row) is at (column / columnsPerBone, row, 0).
inline std::string ChainText(const ChainOptions& o) {
    const int columns = o.bones * o.columnsPerBone + 1, rowsOfVertices = o.rows + 1;
    const int vertices = columns * rowsOfVertices, faces = o.bones * o.columnsPerBone * o.rows * 2;
    auto at = [&](int c, int r) { return r * columns + c; };
    std::string t = "xof 0303txt 0032\n";
    if (o.animationSets > 0) t += "AnimTicksPerSecond { 4800; }\n";
    t += "Frame Root {\n FrameTransformMatrix { " + Matrix(0, 0, 0) + " }\n";
    t += " Mesh Strip {\n  " + std::to_string(vertices) + ";\n";
    char line[128];
    for (int r = 0; r < rowsOfVertices; ++r)
        for (int c = 0; c < columns; ++c) {
            std::snprintf(line, sizeof line, "  %.6f;%.6f;0.000000;%s\n", static_cast<float>(c) / o.columnsPerBone,
                          static_cast<float>(r), at(c, r) + 1 < vertices ? "," : ";");
            t += line;
        }
    t += "  " + std::to_string(faces) + ";\n";
    std::string faceList;
    int written = 0;
    for (int r = 0; r < o.rows; ++r)
        for (int c = 0; c + 1 < columns; ++c) {
            // Clockwise seen from -z: lower left, upper left, lower right.
            std::snprintf(line, sizeof line, "  3;%d,%d,%d;,\n  3;%d,%d,%d;%s\n", at(c, r), at(c, r + 1), at(c + 1, r),
                          at(c + 1, r), at(c, r + 1), at(c + 1, r + 1), (written += 2) < faces ? "," : ";");
            faceList += line;
        }
    t += faceList;
    if (o.normals) {
        t += "  MeshNormals { 1; 0.000000;0.000000;-1.000000;;\n  " + std::to_string(faces) + ";\n";
        for (int f = 0; f < faces; ++f) t += std::string("  3;0,0,0;") + (f + 1 < faces ? ",\n" : ";\n");
        t += "  }\n";
    }
    t += "  MeshTextureCoords { " + std::to_string(vertices) + ";\n";
    for (int r = 0; r < rowsOfVertices; ++r)
        for (int c = 0; c < columns; ++c) {
            std::snprintf(line, sizeof line, "  %.6f;%.6f;%s\n", static_cast<float>(c) / (columns - 1),
                          1.0f - static_cast<float>(r) / o.rows, at(c, r) + 1 < vertices ? "," : ";");
            t += line;
        }
    t += "  }\n";
    if (o.materials) {
        t += "  MeshMaterialList { 1; " + std::to_string(faces) + ";\n";
        for (int f = 0; f < faces; ++f) t += std::string("  0") + (f + 1 < faces ? ",\n" : ";\n");
        t += "  Material { 0.800000;0.600000;0.400000;1.000000;; 8.000000; 0.200000;0.200000;0.200000;; "
             "0.000000;0.000000;0.000000;;";
        if (!o.texture.empty()) t += " TextureFilename { \"" + o.texture + "\"; }";
        t += " }\n  }\n";
    }
    // Weights: column c belongs to bone c / columnsPerBone (the last column
    // to the last bone); blended seams share with the bone before.
    for (int b = 0; b < o.bones; ++b) {
        std::string ids, weights;
        int count = 0;
        for (int r = 0; r < rowsOfVertices; ++r)
            for (int c = 0; c < columns; ++c) {
                const int owner = std::min(c / o.columnsPerBone, o.bones - 1);
                const bool seam = o.blendSeams && c % o.columnsPerBone == 0 && c > 0 && c < columns - 1;
                float weight = 0.0f;
                if (owner == b)
                    weight = seam ? 0.5f : 1.0f;
                else if (seam && owner - 1 == b)
                    weight = 0.5f;
                if (weight == 0.0f) continue;
                ids += (count ? "," : "") + std::to_string(at(c, r));
                std::snprintf(line, sizeof line, "%s%.6f", count ? "," : "", weight);
                weights += line;
                ++count;
            }
        t += "  SkinWeights { \"" + BoneName(b) + "\"; " + std::to_string(count) + "; " + ids + "; " + weights + "; " +
             Matrix(static_cast<float>(-b), 0, 0) + " }\n";
    }
    t += " }\n";
    std::string frames;
    for (int b = 0; b < o.bones; ++b)
        frames +=
            " Frame " + BoneName(b) + " {\n FrameTransformMatrix { " + Matrix(b == 0 ? 0.0f : 1.0f, 0, 0) + " }\n";
    for (int b = 0; b < o.bones; ++b) frames += " }\n";
    t += frames + "}\n";
    // Set s lifts every bone but the first by s + 1 units at its middle key.
    for (int s = 0; s < o.animationSets; ++s) {
        t += "AnimationSet Set" + std::to_string(s) + " {\n";
        for (int b = 0; b < o.bones; ++b) {
            const float x = b == 0 ? 0.0f : 1.0f, lift = b == 0 ? 0.0f : static_cast<float>(s + 1);
            t += " Animation { {" + BoneName(b) + "} AnimationKey { 4; 3;\n";
            t += "  0;16;" + Matrix(x, 0, 0) + ",\n  2400;16;" + Matrix(x, lift, 0) + ",\n  4800;16;" +
                 Matrix(x, 0, 0) + ";\n } }\n";
        }
        t += "}\n";
    }
    return t;
}

inline bool WriteText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace xtest
