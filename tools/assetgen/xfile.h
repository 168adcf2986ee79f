// Meshes, skeletons and animation sets, and their writer for the text form of
// the X file format (left-handed, y up, row vectors: a point is p * M).
#pragma once
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace assetgen {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalize(Vec3 a) {
    float l = Length(a);
    return l > 0 ? a * (1.0f / l) : Vec3{0, 1, 0};
}

// Row-major 4x4 matrix in the row-vector convention: the fourth row is the translation.
struct Mat4 {
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float& operator()(int r, int c) { return m[r * 4 + c]; }
    float operator()(int r, int c) const { return m[r * 4 + c]; }
};
Mat4 operator*(const Mat4& a, const Mat4& b);
Mat4 Translation(Vec3 t);
Mat4 Scaling(Vec3 s);
// Rotations in degrees, with the same sense as the game's matrix helpers.
Mat4 RotationX(float degrees);
Mat4 RotationY(float degrees);
Mat4 RotationZ(float degrees);
Vec3 TransformPoint(Vec3 p, const Mat4& m);
Vec3 TransformNormal(Vec3 n, const Mat4& m);

struct Bone {
    std::string name;
    int parent = -1;  // index of an earlier bone, -1 for the root
    Vec3 rest;        // translation relative to the parent in the bind pose
};

struct MeshVertex {
    Vec3 position, normal;
    float u = 0, v = 0;
    std::array<int, 2> bone{0, 0};
    std::array<float, 2> weight{1, 0};
};

struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<std::array<int, 3>> faces;  // clockwise seen from the front
    std::string texture;                    // file name beside the X file
};

// Local matrix of every bone at a phase of the set (0 at the start, 1 at the
// end of its period).
using PoseFunction = std::function<void(float phase, std::vector<Mat4>& local)>;

struct AnimationSet {
    std::string name;
    double period = 1.0;  // seconds of animation time
    int keys = 24;        // sampled keys over the period (plus the closing key)
    PoseFunction pose;
};

struct SkinnedModel {
    std::vector<Bone> bones;
    Mesh mesh;
    std::vector<AnimationSet> sets;
};

// Bind-pose matrix of every bone relative to its parent: translation only.
std::vector<Mat4> RestPose(const std::vector<Bone>& bones);
// Model-space matrices from local ones.
std::vector<Mat4> Combine(const std::vector<Bone>& bones, const std::vector<Mat4>& local);
// Vertex positions deformed by a pose (local bone matrices).
std::vector<Vec3> Skin(const SkinnedModel& model, const std::vector<Mat4>& local);
std::vector<Mat4> SamplePose(const SkinnedModel& model, size_t set, float phase);

// Ticks per second of the written animation sets.
inline constexpr int kAnimTicksPerSecond = 4800;

std::string WriteSkinnedX(const SkinnedModel& model);
std::string WriteStaticX(const Mesh& mesh, const std::string& frameName);

// Builders for meshes made of primitives. Every vertex gets its weights from
// the given function of its bind-pose position.
using WeightFunction = std::function<void(Vec3 p, MeshVertex& v)>;
struct UvRect {
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};
WeightFunction RigidTo(int bone);

void AddEllipsoid(Mesh& mesh, Vec3 centre, Vec3 radii, const Mat4& orient, int rings, int segments, UvRect uv,
                  const WeightFunction& weights);
// A tube through ring centres; each ring has its own radius (x across, y up)
// and its own weights. Closed with caps at both ends.
struct TubeRing {
    Vec3 centre;
    float rx, ry;
    std::array<int, 2> bone{0, 0};
    std::array<float, 2> weight{1, 0};
};
void AddTube(Mesh& mesh, const std::vector<TubeRing>& rings, int segments, UvRect uv);
void AddBox(Mesh& mesh, Vec3 centre, Vec3 half, const Mat4& orient, UvRect uv, const WeightFunction& weights);
// A thin two-sided sheet: a fan from outline[0] over the other outline points,
// which must be star-shaped around it.
void AddSheet(Mesh& mesh, const std::vector<Vec3>& outline, float thickness, UvRect uv, const WeightFunction& weights,
              int radialSteps = 1);

}  // namespace assetgen
