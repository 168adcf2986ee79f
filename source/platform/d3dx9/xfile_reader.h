// The text form of X files read into a plain description: frames with their
// matrices and meshes, materials, skin weights and animation sets, all as
// the file writes them (left-handed, row vectors, nothing converted). The
// loaders in xfile_loader.cpp build meshes, hierarchies and controllers
// from it.
//
// The reader is strict about what it keeps and careful with what it is
// given: every count is checked against what the rest of the file could
// still hold before anything is reserved, every index against what it
// indexes, nesting is limited, and the first fault ends the read with the
// line it was found on. Templates and data objects it does not know are
// skipped whole. Binary and compressed X files are refused.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xfile {

struct Vector2 {
    float u = 0, v = 0;
};

struct Vector3 {
    float x = 0, y = 0, z = 0;
};

// Sixteen values in the file's order: row-major, the fourth row the
// translation.
using Matrix = std::array<float, 16>;
inline constexpr Matrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct Material {
    std::array<float, 4> faceColor{};  // r, g, b, a
    float power = 0;
    std::array<float, 3> specular{};
    std::array<float, 3> emissive{};
    std::string texture;  // as written; empty when the material names none
};

struct SkinWeights {
    std::string bone;
    std::vector<std::uint32_t> vertices;  // indices into the mesh's positions
    std::vector<float> weights;           // one per vertex index
    Matrix offset = kIdentity;
};

struct Mesh {
    std::string name;
    int line = 0;  // where the mesh begins, for messages
    std::vector<Vector3> positions;
    // Faces as polygons: each face's corner count, and all corners' position
    // indices one face after another.
    std::vector<std::uint32_t> faceSizes;
    std::vector<std::uint32_t> corners;
    bool hasNormals = false;
    std::vector<Vector3> normals;
    std::vector<std::uint32_t> normalCorners;  // same shape as corners
    bool hasTextureCoords = false;
    std::vector<Vector2> textureCoords;  // one per position
    bool hasMaterialList = false;
    std::vector<std::uint32_t> faceMaterials;  // one per face
    std::vector<Material> materials;
    std::vector<SkinWeights> skin;
};

struct Frame {
    std::string name;
    Matrix matrix = kIdentity;
    std::vector<Mesh> meshes;
    std::vector<Frame> children;
};

enum KeyType : std::uint32_t {
    kRotationKey = 0,  // quaternion w, x, y, z
    kScaleKey = 1,
    kPositionKey = 2,
    kMatrixKey = 4,
};

struct AnimationKey {
    std::uint32_t type = kMatrixKey;
    std::vector<std::uint32_t> times;  // in ticks
    std::vector<float> values;         // 4, 3, 3 or 16 per key as written
};

struct Animation {
    std::string frame;  // the frame it animates
    std::vector<AnimationKey> keys;
};

struct AnimationSet {
    std::string name;
    std::vector<Animation> animations;
};

struct File {
    std::uint32_t ticksPerSecond = 0;  // 0 when the file does not say
    std::vector<Frame> frames;         // top-level frames in file order
    std::vector<Mesh> meshes;          // meshes outside every frame
    std::vector<AnimationSet> animationSets;
};

// Limits on what a file may ask for.
inline constexpr int kMaxFrameDepth = 64;        // frames inside frames
inline constexpr std::size_t kMaxFrames = 4096;  // in the whole file
inline constexpr std::size_t kMaxFileBytes = 64u << 20;

struct Error {
    int line = 0;  // 0 when the fault concerns the whole file
    std::string reason;
};

// Reads a whole file image. On failure returns false and describes the
// first fault; *out is then unspecified.
bool Parse(std::string_view bytes, File* out, Error* error);

// Reads the file at a path (resolved without regard to letter case). On
// failure writes one line "PATH:LINE: reason" (or "PATH: reason") to the
// assets log and returns false.
bool ReadFile(const char* path, File* out);

// How messages name a file: its path as found on disk, made absolute.
std::string DisplayName(const char* path);

}  // namespace xfile
