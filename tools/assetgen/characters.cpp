// The three animated characters: the player's dragon, the human soldier and the
// round friendly character, with their textures and animation sets.
//
// The game advances the dragon and the soldier by 0.0055 s of animation per
// frame and the friendly character by 0.0075 s (0.0055 s while it is hurt or
// dying), at 60 frames per second. Periods below are in animation seconds:
//
//   model    set           period  frames at 60/s   notes
//   dragon   0 Flight      0.330   60 (1.0 s)        seamless wing-beat loop
//   dragon   1 DashRight   0.170   31                bank right; a dash lasts 31 frames
//   dragon   2 DashLeft    0.170   31                mirror of DashRight
//   soldier  0 Walk        0.330   60                two steps, 0.02 units a frame
//   soldier  1 StandUp     0.367   67 (90 % at 60)   from lying on the back
//   soldier  2 Stand       0.660   120               breathing, rifle held low
//   soldier  3 Run         0.200   36
//   soldier  4 Attack      0.330   60                raise, fire (recoil at 55 %), lower
//   soldier  5 Death       0.513   93 (90 % at 84)   falls backwards, still from 90 %
//   soldier  6 Damage      0.165   30                knocked onto the back
//   friend   0 Idle        0.900   120               breathing
//   friend   1 Look        1.350   180               looks left and right
//   friend   2 Death       0.500   91 at 0.0055      topples over
//   friend   3 Damage      0.330   60 at 0.0055      cowering loop
//   friend   4 Attack      0.800   107 (left at 0.7) winds up and swats
//   friend   5 Sway        0.900   120               side to side
//   friend   6 Special     0.450   60                happy jump, arms up
//   friend   7 Run         0.225   30                waddle
//   friend   8 Stand       0.900   120               gentle bob
#include <cmath>
#include <numbers>

#include "asset_manifest.h"
#include "noise.h"
#include "output.h"
#include "preview.h"
#include "xfile.h"

namespace assetgen {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
float Wave(float phase, float cycles = 1, float offset = 0) { return std::sin(2 * kPi * (phase * cycles + offset)); }
float Smooth(float a, float b, float x) {
    float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

struct Rig {
    std::vector<Bone> bones;
    std::vector<Vec3> global;
    int Add(const std::string& name, int parent, Vec3 g) {
        bones.push_back({name, parent, parent < 0 ? g : g - global[static_cast<size_t>(parent)]});
        global.push_back(g);
        return static_cast<int>(bones.size()) - 1;
    }
};

// Weights that blend between bones keyed along one coordinate.
struct WeightKey {
    float t;
    int bone;
};
void KeyedWeights(const std::vector<WeightKey>& keys, float t, MeshVertex& v) {
    if (t <= keys.front().t) {
        v.bone = {keys.front().bone, keys.front().bone};
        v.weight = {1, 0};
        return;
    }
    for (size_t i = 0; i + 1 < keys.size(); ++i) {
        float a = keys[i].t, b = keys[i + 1].t;
        if ((t - a) * (t - b) <= 0) {
            float f = Smooth(a, b, t);
            v.bone = {keys[i].bone, keys[i + 1].bone};
            v.weight = {1 - f, f};
            if (v.weight[1] < 1e-3f) v.weight = {1, 0};
            if (v.weight[0] < 1e-3f) {
                v.bone = {keys[i + 1].bone, keys[i + 1].bone};
                v.weight = {1, 0};
            }
            return;
        }
    }
    v.bone = {keys.back().bone, keys.back().bone};
    v.weight = {1, 0};
}

// Sets a bone's local matrix: rotation (degrees, x then y then z) at its joint,
// plus an extra translation in the parent's frame.
void Pose(const Rig& rig, std::vector<Mat4>& local, int bone, float rx, float ry = 0, float rz = 0, Vec3 move = {}) {
    local[static_cast<size_t>(bone)] =
        RotationX(rx) * RotationY(ry) * RotationZ(rz) * Translation(rig.bones[static_cast<size_t>(bone)].rest + move);
}

TubeRing Ring(Vec3 c, float rx, float ry, int bone) { return {c, rx, ry, {bone, bone}, {1, 0}}; }

// Scales in offset rows; returns height 0..1 and the distance to the scale's rim.
float ScaleHeight(float x, float y) {
    float row = std::floor(y);
    float cx = x + (static_cast<int>(row) % 2 ? 0.5f : 0.0f);
    float fx = cx - std::floor(cx) - 0.5f, fy = y - row;
    float d = std::sqrt(fx * fx * 1.6f + fy * fy);
    return std::clamp(1.0f - d, 0.0f, 1.0f);
}

// ---------------------------------------------------------------- dragon

// Sized so the bounding radius is about 9 (the hit sphere is that minus 7).
constexpr float kDragonScale = 0.76f;
Vec3 D(float x, float y, float z) { return {x * kDragonScale, y * kDragonScale, z * kDragonScale}; }

// Texture layout of the dragon (u, v):
//   body tubes     0..1 x 0..0.5     around the tube, the belly at u = 0.75
//   head           0..0.5 x 0.5..0.75
//   wing membrane  0.5..1 x 0.5..1
//   horns, claws   0..0.25 x 0.75..1
//   eyes           0.25..0.5 x 0.75..1
const UvRect kDragonBody{0, 0, 1, 0.5f}, kDragonHead{0, 0.5f, 0.5f, 0.75f}, kDragonWing{0.5f, 0.5f, 1, 1},
    kDragonHorn{0, 0.75f, 0.25f, 1}, kDragonEye{0.25f, 0.75f, 0.5f, 1};

// Colour (or, with height = true, the bump height in grey) of the dragon's skin.
Image DragonTexture(bool height) {
    const int n = 512;
    Image img(n, n);
    img.Shade(0, 0, n, n, [&](float u, float v) {
        float h = 0;
        Rgba c;
        if (v < 0.5f || (v < 0.75f && u < 0.5f)) {
            // Scales; the body band has gold belly plates around u = 0.75.
            bool head = v >= 0.5f;
            float su = head ? u * 2 : u, sv = head ? (v - 0.5f) * 4 : v * 2;
            float s = ScaleHeight(su * (head ? 24 : 48), sv * (head ? 12 : 24));
            float belly = head ? Smooth(0.55f, 0.8f, sv) : 1 - Smooth(0.08f, 0.13f, std::fabs(u - 0.75f));
            float plates = 1 - std::pow(std::fabs(std::sin(sv * kPi * 20)), 8.0f);
            float grain = Fbm(u * 40, v * 40, 7, 3);
            Rgba scale = Lerp(Hex(0x4a0c0c), Hex(0xb8261c), s * 0.8f + grain * 0.3f);
            Rgba plate = Lerp(Hex(0x8a5a1a), Hex(0xe8b850), plates * 0.7f + grain * 0.3f);
            c = Lerp(scale, plate, belly);
            h = Lerp(Rgba{s, 0, 0, 0}, Rgba{plates * 0.6f, 0, 0, 0}, belly).r;
            // A darker ridge along the back (u = 0.25).
            if (!head) c = Lerp(c, Hex(0x2a0606), (1 - Smooth(0.0f, 0.05f, std::fabs(u - 0.25f))) * 0.6f);
        } else if (u >= 0.5f) {
            // Membrane with veins running from the arm (top) to the trailing edge.
            float mu = (u - 0.5f) * 2, mv = (v - 0.5f) * 2;
            float vein = std::pow(std::fabs(std::cos((mu + mv * 0.3f) * kPi * 7)), 30.0f);
            float blot = Fbm(mu * 8, mv * 8, 11, 4);
            c = Lerp(Hex(0x7a1e10), Hex(0xd8602a), blot * 0.6f + mv * 0.3f);
            c = Lerp(c, Hex(0x3a0a06), vein * 0.7f);
            h = 0.3f + vein * 0.5f;
        } else if (u < 0.25f) {
            float band = 0.5f + 0.5f * std::sin(v * 120);
            c = Lerp(Hex(0xc8bc9a), Hex(0xf0e8d0), band);
            h = 0.5f + band * 0.2f;
        } else {
            // Eye: yellow with a vertical slit at the front (u = 0.3125 is the +z side of the ellipsoid).
            float eu = (u - 0.25f) * 4, ev = (v - 0.75f) * 4;
            float slit = 1 - Smooth(0.02f, 0.05f, std::fabs(eu - 0.25f)) * 1.0f;
            c = Lerp(Hex(0xffd030), Hex(0xff8010), ev);
            c = Lerp(c, Hex(0x100000), slit * (1 - Smooth(0.3f, 0.45f, std::fabs(ev - 0.5f))));
            h = 0.6f;
        }
        c.a = 1;
        return height ? Rgba{h, h, h, 1} : c;
    });
    return img;
}

SkinnedModel BuildDragon() {
    Rig rig;
    int root = rig.Add("Dragoon_Root", -1, {});
    int hip = rig.Add("Hip", root, D(0, 0, -0.8f));
    int chest = rig.Add("Chest", hip, D(0, 0.15f, 1.2f));
    int neck1 = rig.Add("Neck1", chest, D(0, 0.45f, 2.4f));
    int neck2 = rig.Add("Neck2", neck1, D(0, 1.1f, 3.5f));
    int head = rig.Add(assets::kDragonMouthBone, neck2, D(0, 1.7f, 4.5f));
    int tail1 = rig.Add("Tail1", hip, D(0, -0.05f, -2.6f));
    int tail2 = rig.Add("Tail2", tail1, D(0, -0.15f, -4.5f));
    int tail3 = rig.Add("Tail3", tail2, D(0, -0.25f, -6.3f));
    int tail4 = rig.Add("Tail4", tail3, D(0, -0.3f, -8.0f));
    int wing[2][3], leg[2], arm[2];
    for (int side = 0; side < 2; ++side) {
        float s = side == 0 ? 1.0f : -1.0f;  // 0 = right (+x), 1 = left
        std::string n = side == 0 ? "R" : "L";
        wing[side][0] = rig.Add("Wing" + n + "1", chest, D(0.8f * s, 0.8f, 1.0f));
        wing[side][1] = rig.Add("Wing" + n + "2", wing[side][0], D(4.0f * s, 1.0f, 0.6f));
        wing[side][2] = rig.Add("Wing" + n + "3", wing[side][1], D(6.5f * s, 1.0f, -0.4f));
        leg[side] = rig.Add("Leg" + n, hip, D(0.7f * s, -0.5f, -1.0f));
        arm[side] = rig.Add("Arm" + n, chest, D(0.6f * s, -0.5f, 1.4f));
    }

    SkinnedModel model;
    Mesh& mesh = model.mesh;
    mesh.texture = "Dragoon.png";

    // Body and tail: one tube from the chest to the tail tip.
    std::vector<WeightKey> bodyKeys{{-8.9f, tail4}, {-7.1f, tail3}, {-5.4f, tail2},
                                    {-3.5f, tail1}, {-0.6f, hip},   {1.6f, chest}};
    struct BodyRing {
        float z, y, rx, ry;
    };
    const BodyRing body[] = {{2.3f, 0.35f, 0.5f, 0.55f},   {1.6f, 0.25f, 1.0f, 1.0f},    {0.6f, 0.15f, 1.25f, 1.2f},
                             {-0.6f, 0.05f, 1.2f, 1.1f},   {-1.6f, 0.0f, 0.95f, 0.9f},   {-2.8f, -0.05f, 0.7f, 0.65f},
                             {-4.0f, -0.12f, 0.5f, 0.45f}, {-5.5f, -0.2f, 0.33f, 0.3f},  {-7.0f, -0.27f, 0.2f, 0.18f},
                             {-8.5f, -0.32f, 0.1f, 0.09f}, {-9.6f, -0.35f, 0.01f, 0.01f}};
    std::vector<TubeRing> rings;
    for (const BodyRing& r : body) {
        MeshVertex w;
        KeyedWeights(bodyKeys, r.z, w);
        rings.push_back({D(0, r.y, r.z), r.rx * kDragonScale, r.ry * kDragonScale, w.bone, w.weight});
    }
    // The tube runs backwards; reverse it so u = 0.75 stays underneath.
    std::reverse(rings.begin(), rings.end());
    AddTube(mesh, rings, 20, kDragonBody);
    // Tail fin.
    AddSheet(mesh,
             {D(0, -0.35f, -8.8f), D(0.55f, -0.35f, -9.5f), D(0, -0.35f, -10.4f), D(-0.55f, -0.35f, -9.5f),
              D(0, -0.35f, -8.8f)},
             0.06f * kDragonScale, kDragonWing, RigidTo(tail4));
    // Back spikes.
    for (const BodyRing& r : body) {
        if (r.z > 2.0f || r.z < -8.0f) continue;
        float h = 0.25f + r.ry * 0.35f;
        MeshVertex w;
        KeyedWeights(bodyKeys, r.z, w);
        TubeRing a{D(0, r.y + r.ry * 0.9f, r.z + 0.15f), 0.12f * kDragonScale * (0.5f + r.ry), 0.1f * kDragonScale,
                   w.bone, w.weight};
        TubeRing b{D(0, r.y + r.ry + h, r.z - 0.35f), 0.005f, 0.005f, w.bone, w.weight};
        AddTube(mesh, {a, b}, 6, kDragonHorn);
    }

    // Neck.
    std::vector<WeightKey> neckKeys{{1.8f, chest}, {2.9f, neck1}, {4.0f, neck2}, {4.7f, head}};
    std::vector<TubeRing> neck;
    const Vec3 neckPath[] = {{0, 0.35f, 1.6f}, {0, 0.6f, 2.6f}, {0, 1.1f, 3.5f}, {0, 1.6f, 4.3f}, {0, 1.85f, 4.9f}};
    const float neckR[] = {0.85f, 0.68f, 0.56f, 0.5f, 0.45f};
    for (int i = 0; i < 5; ++i) {
        MeshVertex w;
        KeyedWeights(neckKeys, neckPath[i].z, w);
        neck.push_back(
            {neckPath[i] * kDragonScale, neckR[i] * kDragonScale, neckR[i] * 1.05f * kDragonScale, w.bone, w.weight});
    }
    AddTube(mesh, neck, 16, kDragonBody);

    // Head, rigid on the fire-breathing joint.
    WeightFunction onHead = RigidTo(head);
    AddEllipsoid(mesh, D(0, 1.95f, 5.2f), D(0.6f, 0.55f, 0.8f), Mat4{}, 12, 16, kDragonHead, onHead);
    AddEllipsoid(mesh, D(0, 1.75f, 6.2f), D(0.4f, 0.3f, 0.75f), Mat4{}, 10, 14, kDragonHead, onHead);
    AddEllipsoid(mesh, D(0, 1.48f, 5.95f), D(0.33f, 0.14f, 0.7f), Mat4{}, 8, 12, kDragonHead, onHead);
    for (float s : {1.0f, -1.0f}) {
        AddTube(mesh,
                {Ring(D(0.3f * s, 2.3f, 4.95f), 0.13f * kDragonScale, 0.13f * kDragonScale, head),
                 Ring(D(0.45f * s, 2.6f, 4.4f), 0.07f * kDragonScale, 0.07f * kDragonScale, head),
                 Ring(D(0.5f * s, 2.75f, 3.8f), 0.005f, 0.005f, head)},
                8, kDragonHorn);
        AddEllipsoid(mesh, D(0.43f * s, 2.08f, 5.65f), D(0.1f, 0.11f, 0.13f), Mat4{}, 6, 8, kDragonEye, onHead);
    }

    // Wings: arm bones with a membrane behind them.
    for (int side = 0; side < 2; ++side) {
        float s = side == 0 ? 1.0f : -1.0f;
        const int* w = wing[side];
        AddTube(mesh,
                {Ring(D(0.8f * s, 0.8f, 1.0f), 0.25f, 0.25f, w[0]), Ring(D(4.0f * s, 1.0f, 0.6f), 0.17f, 0.17f, w[1]),
                 Ring(D(6.5f * s, 1.0f, -0.4f), 0.1f, 0.1f, w[2]), Ring(D(8.6f * s, 0.9f, -1.6f), 0.01f, 0.01f, w[2])},
                8, kDragonHorn);
        std::vector<WeightKey> spanKeys{{0.9f, chest}, {2.2f, w[0]}, {4.6f, w[1]}, {6.8f, w[2]}};
        WeightFunction spanWeights = [spanKeys, s](Vec3 p, MeshVertex& v) {
            KeyedWeights(spanKeys, p.x * s / kDragonScale, v);
        };
        std::vector<Vec3> outline{D(0.8f * s, 0.8f, 1.0f),  D(4.0f * s, 1.0f, 0.6f),   D(6.5f * s, 1.0f, -0.4f),
                                  D(8.6f * s, 0.9f, -1.6f), D(6.8f * s, 0.95f, -2.2f), D(5.6f * s, 0.95f, -1.8f),
                                  D(4.0f * s, 0.9f, -2.8f), D(3.0f * s, 0.85f, -2.3f), D(1.6f * s, 0.8f, -2.9f),
                                  D(0.6f * s, 0.7f, -1.8f)};
        AddSheet(mesh, outline, 0.05f * kDragonScale, kDragonWing, spanWeights, 6);
        // Legs and arms, tucked under the body.
        AddEllipsoid(mesh, D(0.75f * s, -0.55f, -1.2f), D(0.32f, 0.5f, 0.55f), RotationX(30), 8, 10, kDragonBody,
                     RigidTo(leg[side]));
        AddEllipsoid(mesh, D(0.8f * s, -1.0f, -1.8f), D(0.22f, 0.16f, 0.5f), Mat4{}, 6, 8, kDragonHorn,
                     RigidTo(leg[side]));
        AddEllipsoid(mesh, D(0.6f * s, -0.6f, 1.5f), D(0.18f, 0.38f, 0.2f), RotationX(35), 6, 8, kDragonBody,
                     RigidTo(arm[side]));
    }

    model.bones = rig.bones;
    const Rig r = rig;
    auto flap = [r, wing, hip, neck1, neck2, head, tail1, tail2, tail3, tail4, chest](std::vector<Mat4>& L, float ph,
                                                                                      float bank, float sweep) {
        // Wing beat: down-stroke in the first half; the outer joints follow late.
        for (int side = 0; side < 2; ++side) {
            float s = side == 0 ? 1.0f : -1.0f;
            float up = Wave(ph, 1, 0.25f);
            Pose(r, L, wing[side][0], 0, sweep * s, -s * (up * 38 + 5 - bank * s * 0.3f));
            Pose(r, L, wing[side][1], 0, sweep * s * 0.5f, -s * Wave(ph, 1, 0.15f) * 22);
            Pose(r, L, wing[side][2], 0, 0, -s * Wave(ph, 1, 0.05f) * 14);
        }
        float bob = -Wave(ph, 1, 0.25f) * 0.18f * kDragonScale;
        Pose(r, L, hip, Wave(ph, 1, 0.4f) * 2, -sweep * 0.3f, bank, {0, bob, 0});
        Pose(r, L, chest, Wave(ph, 1, 0.3f) * 3, 0, 0);
        Pose(r, L, neck1, Wave(ph, 1, 0.1f) * 4, sweep * 0.4f, 0);
        Pose(r, L, neck2, Wave(ph, 1, 0.0f) * 4, sweep * 0.4f, 0);
        Pose(r, L, head, -Wave(ph, 1, 0.1f) * 6, sweep * 0.3f, -bank * 0.5f);
        const int tail[] = {tail1, tail2, tail3, tail4};
        for (int i = 0; i < 4; ++i)
            Pose(r, L, tail[i], Wave(ph, 1, -0.15f * i) * 4, Wave(ph, 1, -0.2f * i - 0.1f) * 6 - sweep * 0.5f, 0);
    };
    model.sets.push_back({"Flight", 0.33, 32, [flap](float ph, std::vector<Mat4>& L) { flap(L, ph, 0, 0); }});
    for (float dir : {1.0f, -1.0f}) {
        // Bank into the dash and back out; two quick beats while the wings sweep back.
        model.sets.push_back(
            {dir > 0 ? "DashRight" : "DashLeft", 0.17, 24, [flap, dir](float ph, std::vector<Mat4>& L) {
                 float env = std::sin(kPi * ph);
                 flap(L, ph * 2, -dir * 40 * env, dir * 22 * env);
             }});
    }
    return model;
}

// ---------------------------------------------------------------- soldier

// Layout: uniform 0..0.5 x 0..0.5, skin 0.5..1 x 0..0.5, helmet 0..0.5 x 0.5..1, metal 0.5..1 x 0.5..1.
const UvRect kCloth{0, 0, 0.5f, 0.5f}, kSkin{0.5f, 0, 1, 0.5f}, kHelmet{0, 0.5f, 0.5f, 1}, kMetal{0.5f, 0.5f, 1, 1};

Image SoldierTexture() {
    const int n = 256;
    Image img(n, n);
    img.Shade(0, 0, n, n, [&](float u, float v) {
        Rgba c;
        // Seen from the air over a dark blue sea, a soldier is a few pixels
        // tall: a pale uniform, a crimson helmet and dark boots and rifle keep
        // its outline and its head readable, and it shares no colour with the
        // orange friendly character.
        if (v < 0.5f && u < 0.5f) {
            float camo = Fbm(u * 12, v * 12, 3, 3);
            c = camo < 0.42f ? Hex(0xe4e2d4) : camo < 0.55f ? Hex(0xc8c6b4) : Hex(0xf2f0e6);
        } else if (v < 0.5f) {
            // Face at the front of the head ellipsoid (u = 0.25 of the region).
            float fu = (u - 0.5f) * 2, fv = v * 2;
            c = Hex(0xd9a47a);
            for (float ex : {0.21f, 0.29f})
                if (std::hypot((fu - ex) * 3, fv - 0.5f) < 0.05f) c = Hex(0x201810);
            if (std::fabs(fu - 0.25f) < 0.04f && std::fabs(fv - 0.68f) < 0.012f) c = Hex(0x8a4a3a);
        } else if (u < 0.5f) {
            c = Lerp(Hex(0x9a1414), Hex(0xb82820), Fbm(u * 20, v * 20, 5, 2));
        } else {
            c = Lerp(Hex(0x16161a), Hex(0x34363c), Fbm(u * 30, v * 4, 9, 2));
        }
        c.a = 1;
        return c;
    });
    return img;
}

SkinnedModel BuildSoldier() {
    Rig rig;
    int root = rig.Add("Hito_Root", -1, {});
    int hips = rig.Add("Hips", root, {0, 0.95f, 0});
    int spine = rig.Add("Spine", hips, {0, 1.2f, 0});
    int headB = rig.Add("Head", spine, {0, 1.52f, 0});
    int upper[2], fore[2], hand[2], thigh[2], shin[2], foot[2];
    for (int side = 0; side < 2; ++side) {
        float s = side == 0 ? 1.0f : -1.0f;
        std::string n = side == 0 ? "R" : "L";
        upper[side] = rig.Add("UpperArm" + n, spine, {0.22f * s, 1.45f, 0});
        fore[side] = rig.Add("ForeArm" + n, upper[side], {0.22f * s, 1.17f, 0});
        hand[side] = rig.Add("Hand" + n, fore[side], {0.22f * s, 0.93f, 0});
        thigh[side] = rig.Add("Thigh" + n, hips, {0.1f * s, 0.9f, 0});
        shin[side] = rig.Add("Shin" + n, thigh[side], {0.1f * s, 0.5f, 0});
        foot[side] = rig.Add("Foot" + n, shin[side], {0.1f * s, 0.08f, 0});
    }

    SkinnedModel model;
    Mesh& mesh = model.mesh;
    mesh.texture = "hito.png";
    std::vector<WeightKey> torsoKeys{{1.02f, hips}, {1.3f, spine}};
    AddEllipsoid(mesh, {0, 1.24f, 0}, {0.2f, 0.28f, 0.13f}, Mat4{}, 10, 14, kCloth,
                 [&](Vec3 p, MeshVertex& v) { KeyedWeights(torsoKeys, p.y, v); });
    AddEllipsoid(mesh, {0, 0.95f, 0}, {0.17f, 0.12f, 0.12f}, Mat4{}, 6, 12, kCloth, RigidTo(hips));
    AddBox(mesh, {0, 1.25f, -0.17f}, {0.13f, 0.15f, 0.06f}, Mat4{}, kHelmet, RigidTo(spine));
    AddEllipsoid(mesh, {0, 1.63f, 0}, {0.1f, 0.125f, 0.11f}, Mat4{}, 10, 12, kSkin, RigidTo(headB));
    AddEllipsoid(mesh, {0, 1.7f, -0.01f}, {0.125f, 0.085f, 0.135f}, Mat4{}, 6, 12, kHelmet, RigidTo(headB));
    AddTube(mesh, {Ring({0, 1.5f, 0}, 0.05f, 0.05f, headB), Ring({0, 1.58f, 0}, 0.05f, 0.05f, headB)}, 8, kSkin);
    for (int side = 0; side < 2; ++side) {
        float s = side == 0 ? 1.0f : -1.0f;
        AddEllipsoid(mesh, {0.22f * s, 1.45f, 0}, {0.07f, 0.06f, 0.07f}, Mat4{}, 6, 8, kCloth, RigidTo(upper[side]));
        AddTube(mesh,
                {Ring({0.22f * s, 1.45f, 0}, 0.055f, 0.055f, upper[side]),
                 Ring({0.22f * s, 1.17f, 0}, 0.05f, 0.05f, upper[side])},
                8, kCloth);
        AddTube(mesh,
                {Ring({0.22f * s, 1.17f, 0}, 0.05f, 0.05f, fore[side]),
                 Ring({0.22f * s, 0.96f, 0}, 0.045f, 0.045f, fore[side])},
                8, kCloth);
        AddEllipsoid(mesh, {0.22f * s, 0.9f, 0}, {0.04f, 0.055f, 0.045f}, Mat4{}, 6, 8, kSkin, RigidTo(hand[side]));
        AddTube(mesh,
                {Ring({0.1f * s, 0.92f, 0}, 0.085f, 0.085f, thigh[side]),
                 Ring({0.1f * s, 0.5f, 0}, 0.07f, 0.07f, thigh[side])},
                8, kCloth);
        AddTube(mesh,
                {Ring({0.1f * s, 0.5f, 0}, 0.068f, 0.068f, shin[side]),
                 Ring({0.1f * s, 0.1f, 0}, 0.06f, 0.06f, shin[side])},
                8, kCloth);
        AddBox(mesh, {0.1f * s, 0.045f, 0.04f}, {0.055f, 0.045f, 0.12f}, Mat4{}, kMetal, RigidTo(foot[side]));
    }
    // Rifle in the right hand, barrel forward.
    AddBox(mesh, {0.22f, 0.9f, 0.2f}, {0.025f, 0.045f, 0.3f}, Mat4{}, kMetal, RigidTo(hand[0]));
    AddBox(mesh, {0.22f, 0.92f, 0.62f}, {0.012f, 0.012f, 0.14f}, Mat4{}, kMetal, RigidTo(hand[0]));
    AddBox(mesh, {0.22f, 0.83f, 0.12f}, {0.02f, 0.05f, 0.03f}, Mat4{}, kMetal, RigidTo(hand[0]));

    model.bones = rig.bones;
    const Rig r = rig;
    // Shared limb poses.
    struct Limbs {
        float armR[3], armL[3], legR[2], legL[2], footR, footL;
    };
    auto apply = [r, upper, fore, hand, thigh, shin, foot](std::vector<Mat4>& L, const Limbs& p) {
        Pose(r, L, upper[0], p.armR[0]);
        Pose(r, L, fore[0], p.armR[1]);
        Pose(r, L, hand[0], p.armR[2]);
        Pose(r, L, upper[1], p.armL[0], -10);
        Pose(r, L, fore[1], p.armL[1]);
        Pose(r, L, hand[1], p.armL[2]);
        Pose(r, L, thigh[0], p.legR[0]);
        Pose(r, L, shin[0], p.legR[1]);
        Pose(r, L, foot[0], p.footR);
        Pose(r, L, thigh[1], p.legL[0]);
        Pose(r, L, shin[1], p.legL[1]);
        Pose(r, L, foot[1], p.footL);
    };
    // Rifle held at the hip: right forearm forward, left hand on the barrel.
    const Limbs carry{{-15, -55, 70}, {-35, -60, 0}, {0, 0}, {0, 0}, 0, 0};
    auto gait = [r, hips, spine, headB, apply, carry](std::vector<Mat4>& L, float ph, float swing, float knee,
                                                      float lean, float bounce) {
        Limbs p = carry;
        float a = Wave(ph);
        p.legR[0] = -a * swing;
        p.legL[0] = a * swing;
        p.legR[1] = std::max(0.0f, Wave(ph, 1, 0.3f)) * knee;
        p.legL[1] = std::max(0.0f, -Wave(ph, 1, 0.3f)) * knee;
        p.footR = -p.legR[0] * 0.3f;
        p.footL = -p.legL[0] * 0.3f;
        p.armL[0] += a * swing * 0.3f;
        apply(L, p);
        Pose(r, L, hips, 0, a * 6, 0, {0, -std::fabs(Wave(ph, 2, 0.25f)) * bounce, 0});
        Pose(r, L, spine, lean, -a * 8, 0);
        Pose(r, L, headB, -lean * 0.5f, a * 4, 0);
    };
    model.sets.push_back({"Walk", 0.33, 24, [gait](float ph, std::vector<Mat4>& L) { gait(L, ph, 24, 35, 4, 0.03f); }});
    // Lying on the back: hips down at the ground, the body turned backwards.
    auto lying = [r, hips, spine, headB, apply](std::vector<Mat4>& L, float down, float twist) {
        Limbs p{{-40 * down, -30 * down, 0},
                {-60 * down, -20 * down, 0},
                {-10 * down, 20 * down},
                {-25 * down, 40 * down},
                0,
                0};
        apply(L, p);
        Pose(r, L, hips, -88 * down, twist, 0, {0, -0.8f * down, 0});
        Pose(r, L, spine, 4 * down, 0, 0);
        Pose(r, L, headB, 15 * down, 0, 0);
    };
    model.sets.push_back(
        {"StandUp", 0.367, 24, [r, hips, spine, headB, apply, lying, carry](float ph, std::vector<Mat4>& L) {
             // Sit up, knees in, then rise.
             float sit = Smooth(0.0f, 0.45f, ph), rise = Smooth(0.4f, 0.9f, ph);
             lying(L, 1 - sit, 0);
             if (sit >= 1) {
                 Limbs p{{-30, -20, 30},
                         {-30, -20, 0},
                         {-110 * (1 - rise), 130 * (1 - rise)},
                         {-100 * (1 - rise), 120 * (1 - rise)},
                         0,
                         0};
                 for (int i = 0; i < 3; ++i) {
                     p.armR[i] += (carry.armR[i] - p.armR[i]) * rise;
                     p.armL[i] += (carry.armL[i] - p.armL[i]) * rise;
                 }
                 apply(L, p);
                 Pose(r, L, hips, 0, 0, 0, {0, -0.65f * (1 - rise), 0});
                 Pose(r, L, spine, 35 * (1 - rise), 0, 0);
                 Pose(r, L, headB, -10 * (1 - rise), 0, 0);
             } else {
                 Pose(r, L, spine, 35 * sit, 0, 0);
                 Limbs p{{-40 * (1 - sit), -30 * (1 - sit), 0},
                         {-60 * (1 - sit), -20, 0},
                         {-10 - 100 * sit, 20 + 110 * sit},
                         {-25 - 75 * sit, 40 + 80 * sit},
                         0,
                         0};
                 apply(L, p);
                 Pose(r, L, hips, -88 * (1 - sit), 0, 0, {0, -0.8f + 0.15f * sit, 0});
             }
         }});
    model.sets.push_back({"Stand", 0.66, 24, [r, hips, spine, headB, apply, carry](float ph, std::vector<Mat4>& L) {
                              apply(L, carry);
                              Pose(r, L, hips, 0, 0, 0, {0, Wave(ph) * 0.005f, 0});
                              Pose(r, L, spine, Wave(ph) * 2, 0, 0);
                              Pose(r, L, headB, 0, Wave(ph, 1, 0.2f) * 10, 0);
                          }});
    model.sets.push_back({"Run", 0.2, 24, [gait](float ph, std::vector<Mat4>& L) { gait(L, ph, 40, 70, 14, 0.06f); }});
    model.sets.push_back(
        {"Attack", 0.33, 30, [r, hips, spine, headB, apply, carry](float ph, std::vector<Mat4>& L) {
             // Raise to the shoulder, fire with a kick, lower.
             float raise = Smooth(0.0f, 0.35f, ph) * (1 - Smooth(0.8f, 1.0f, ph));
             float kick = std::exp(-std::pow((ph - 0.56f) / 0.04f, 2.0f));
             Limbs aim{{-80 + kick * 12, -10, 88 - kick * 12}, {-75, -40, 0}, {-12, 0}, {12, 0}, 12, -12};
             Limbs p;
             auto mix = [&](const float* a, const float* b, float* o, int n) {
                 for (int i = 0; i < n; ++i) o[i] = a[i] + (b[i] - a[i]) * raise;
             };
             mix(carry.armR, aim.armR, p.armR, 3);
             mix(carry.armL, aim.armL, p.armL, 3);
             mix(carry.legR, aim.legR, p.legR, 2);
             mix(carry.legL, aim.legL, p.legL, 2);
             p.footR = aim.footR * raise;
             p.footL = aim.footL * raise;
             apply(L, p);
             Pose(r, L, hips, 0, -10 * raise, 0);
             Pose(r, L, spine, -kick * 6, 10 * raise, 0);
             Pose(r, L, headB, 8 * raise, 0, 0);
         }});
    model.sets.push_back({"Death", 0.513, 30, [r, spine, headB, apply, lying](float ph, std::vector<Mat4>& L) {
                              // Stagger, knees give, fall onto the back by 90 %.
                              float fall = Smooth(0.15f, 0.85f, ph);
                              float buckle = Smooth(0.0f, 0.4f, ph) * (1 - fall);
                              lying(L, fall, 12 * fall);
                              Pose(r, L, spine, 4 * fall - 20 * buckle, 0, 0);
                              Pose(r, L, headB, 15 * fall - 25 * buckle, 0, 0);
                          }});
    model.sets.push_back({"Damage", 0.165, 20, [r, spine, lying](float ph, std::vector<Mat4>& L) {
                              // Thrown back; on the ground by 75 %.
                              float fall = Smooth(0.0f, 0.75f, ph);
                              lying(L, fall, 0);
                              Pose(r, L, spine, 4 * fall - 25 * std::sin(kPi * fall), 0, 0);
                          }});
    return model;
}

// ---------------------------------------------------------------- friendly character

// Layout: body 0..1 x 0..0.5 (white belly at the front, u = 0.25), head 0..0.5 x 0.5..1 (face at u = 0.25),
// limbs 0.5..1 x 0.5..1.
const UvRect kCurryBody{0, 0, 1, 0.5f}, kCurryHead{0, 0.5f, 0.5f, 1}, kCurryLimb{0.5f, 0.5f, 1, 1};

Image CurryTexture() {
    const int n = 256;
    Image img(n, n);
    img.Shade(0, 0, n, n, [&](float u, float v) {
        Rgba c;
        float speck = Fbm(u * 24, v * 24, 21, 3);
        if (v < 0.5f) {
            float bv = v * 2;
            float belly = (1 - Smooth(0.07f, 0.11f, std::fabs(u - 0.25f))) * Smooth(0.3f, 0.45f, bv);
            c = Lerp(Hex(0xffa414), Hex(0xffc838), speck);
            c = Lerp(c, Hex(0xfffaf0), belly);
        } else if (u < 0.5f) {
            float hu = u * 2, hv = (v - 0.5f) * 2;
            c = Lerp(Hex(0xffac1c), Hex(0xffd04c), speck);
            for (float ex : {0.2f, 0.3f}) {
                float d = std::hypot((hu - ex) * 3.2f, hv - 0.45f);
                if (d < 0.075f) c = Hex(0x1a0e08);
                if (std::hypot((hu - ex + 0.008f) * 3.2f, hv - 0.43f) < 0.025f) c = Hex(0xffffff);
            }
            for (float ex : {0.16f, 0.34f})
                if (std::hypot((hu - ex) * 3.2f, hv - 0.56f) < 0.05f) c = Lerp(c, Hex(0xff7a6a), 0.7f);
            float mouth = std::hypot((hu - 0.25f) * 3.2f, (hv - 0.55f) * 1.2f);
            if (mouth > 0.075f && mouth < 0.1f && hv > 0.57f) c = Hex(0x5a1a0a);
        } else {
            // Hands and feet a deeper orange than the body, not brown: at a
            // distance dark limbs would read as a smaller shape.
            c = Lerp(Hex(0xe86a10), Hex(0xf4822a), speck);
        }
        c.a = 1;
        return c;
    });
    return img;
}

SkinnedModel BuildCurry() {
    Rig rig;
    int root = rig.Add("Curry_Root", -1, {});
    int bodyB = rig.Add("Body", root, {0, 0.55f, 0});
    int headB = rig.Add("Head", bodyB, {0, 0.95f, 0});
    int armR = rig.Add("ArmR", bodyB, {0.45f, 0.78f, 0});
    int armL = rig.Add("ArmL", bodyB, {-0.45f, 0.78f, 0});
    int footR = rig.Add("FootR", root, {0.2f, 0.12f, 0.02f});
    int footL = rig.Add("FootL", root, {-0.2f, 0.12f, 0.02f});

    SkinnedModel model;
    Mesh& mesh = model.mesh;
    mesh.texture = "Curry.png";
    AddEllipsoid(mesh, {0, 0.56f, 0}, {0.5f, 0.44f, 0.45f}, Mat4{}, 14, 20, kCurryBody, RigidTo(bodyB));
    AddEllipsoid(mesh, {0, 1.12f, 0.02f}, {0.4f, 0.37f, 0.38f}, Mat4{}, 14, 20, kCurryHead, RigidTo(headB));
    // A sprout on top.
    AddTube(mesh, {Ring({0, 1.45f, 0}, 0.03f, 0.03f, headB), Ring({0.03f, 1.5f, 0}, 0.02f, 0.02f, headB)}, 6,
            kCurryLimb);
    AddSheet(mesh, {{0.03f, 1.5f, 0}, {0.12f, 1.53f, 0.03f}, {0.2f, 1.52f, 0.0f}, {0.12f, 1.49f, -0.03f}}, 0.01f,
             kCurryLimb, RigidTo(headB));
    for (int side = 0; side < 2; ++side) {
        float s = side == 0 ? 1.0f : -1.0f;
        int arm = side == 0 ? armR : armL, foot = side == 0 ? footR : footL;
        AddEllipsoid(mesh, {0.55f * s, 0.62f, 0.02f}, {0.11f, 0.21f, 0.11f}, RotationZ(25 * s), 8, 10, kCurryLimb,
                     RigidTo(arm));
        AddEllipsoid(mesh, {0.2f * s, 0.08f, 0.08f}, {0.15f, 0.09f, 0.21f}, Mat4{}, 8, 10, kCurryLimb, RigidTo(foot));
    }

    model.bones = rig.bones;
    const Rig r = rig;
    // body: lean x, turn y, tilt z, height; arms: raise (z, outwards) and swing (x); feet lift.
    struct P {
        float lean = 0, turn = 0, tilt = 0, up = 0, squash = 0, armUp[2]{0, 0}, armSwing[2]{0, 0}, lift[2]{0, 0},
              headTurn = 0, headNod = 0;
    };
    auto apply = [r, bodyB, headB, armR, armL, footR, footL](std::vector<Mat4>& L, const P& p) {
        L[static_cast<size_t>(bodyB)] = Scaling({1 + p.squash, 1 - p.squash, 1 + p.squash}) * RotationX(p.lean) *
                                        RotationY(p.turn) * RotationZ(p.tilt) *
                                        Translation(r.bones[static_cast<size_t>(bodyB)].rest + Vec3{0, p.up, 0});
        Pose(r, L, headB, p.headNod, p.headTurn, 0);
        Pose(r, L, armR, p.armSwing[0], 0, p.armUp[0]);
        Pose(r, L, armL, p.armSwing[1], 0, -p.armUp[1]);
        Pose(r, L, footR, -p.lift[0] * 60, 0, 0, {0, p.lift[0] * 0.12f + p.up, 0});
        Pose(r, L, footL, -p.lift[1] * 60, 0, 0, {0, p.lift[1] * 0.12f + p.up, 0});
    };
    auto breathe = [apply](float ph, float amount) {
        P p;
        p.squash = Wave(ph) * 0.02f * amount;
        p.armUp[0] = p.armUp[1] = 5 + Wave(ph) * 4 * amount;
        return p;
    };
    model.sets.push_back(
        {"Idle", 0.9, 24, [apply, breathe](float ph, std::vector<Mat4>& L) { apply(L, breathe(ph, 1)); }});
    model.sets.push_back({"Look", 1.35, 32, [apply, breathe](float ph, std::vector<Mat4>& L) {
                              P p = breathe(ph, 0.6f);
                              p.headTurn = Wave(ph) * 40;
                              p.turn = Wave(ph) * 8;
                              apply(L, p);
                          }});
    model.sets.push_back({"Death", 0.5, 30, [apply](float ph, std::vector<Mat4>& L) {
                              // Wobble, then topple onto its side and flatten.
                              float fall = Smooth(0.2f, 0.85f, ph);
                              P p;
                              p.tilt = Wave(ph, 3) * 12 * (1 - fall) + 80 * fall;
                              p.up = -0.2f * fall;
                              p.squash = 0.12f * Smooth(0.75f, 0.9f, ph);
                              p.armUp[0] = p.armUp[1] = 60 * (1 - fall) + 10;
                              p.headNod = 20 * fall;
                              apply(L, p);
                          }});
    model.sets.push_back({"Damage", 0.33, 24, [apply](float ph, std::vector<Mat4>& L) {
                              // Flinches back and shakes, arms over the head.
                              P p;
                              p.lean = -15 + Wave(ph, 2) * 5;
                              p.tilt = Wave(ph, 3) * 6;
                              p.squash = 0.06f;
                              p.armUp[0] = p.armUp[1] = 130;
                              p.armSwing[0] = p.armSwing[1] = -30;
                              p.headNod = 15;
                              apply(L, p);
                          }});
    model.sets.push_back({"Attack", 0.8, 32, [apply](float ph, std::vector<Mat4>& L) {
                              // Wind up, swat with the right arm, recover by 0.7 s.
                              float wind = Smooth(0.0f, 0.35f, ph) * (1 - Smooth(0.4f, 0.5f, ph));
                              float swat = Smooth(0.4f, 0.5f, ph) * (1 - Smooth(0.6f, 0.85f, ph));
                              P p;
                              p.turn = 25 * wind - 30 * swat;
                              p.lean = -8 * wind + 15 * swat;
                              p.armUp[0] = 10 + 120 * wind + 40 * swat;
                              p.armSwing[0] = 40 * wind - 90 * swat;
                              p.armUp[1] = 10 + 20 * wind;
                              p.lift[1] = 0.5f * wind;
                              apply(L, p);
                          }});
    model.sets.push_back({"Sway", 0.9, 24, [apply, breathe](float ph, std::vector<Mat4>& L) {
                              P p = breathe(ph, 0.5f);
                              p.tilt = Wave(ph) * 10;
                              p.headNod = -Wave(ph) * 4;
                              p.lift[0] = std::max(0.0f, Wave(ph)) * 0.3f;
                              p.lift[1] = std::max(0.0f, -Wave(ph)) * 0.3f;
                              apply(L, p);
                          }});
    model.sets.push_back({"Special", 0.45, 24, [apply](float ph, std::vector<Mat4>& L) {
                              // Crouch, jump with arms up, land.
                              float crouch = std::exp(-std::pow((ph - 0.1f) / 0.08f, 2.0f)) +
                                             std::exp(-std::pow((ph - 0.92f) / 0.06f, 2.0f));
                              float air = ph > 0.18f && ph < 0.85f ? std::sin(kPi * (ph - 0.18f) / 0.67f) : 0.0f;
                              P p;
                              p.up = air * 0.45f;
                              p.squash = 0.1f * crouch - 0.05f * air;
                              p.armUp[0] = p.armUp[1] = 20 + 140 * air;
                              p.headNod = -15 * air;
                              p.lift[0] = p.lift[1] = 0;
                              apply(L, p);
                          }});
    model.sets.push_back({"Run", 0.225, 24, [apply](float ph, std::vector<Mat4>& L) {
                              P p;
                              p.tilt = Wave(ph) * 9;
                              p.lean = 10;
                              p.up = std::fabs(Wave(ph)) * 0.05f;
                              p.lift[0] = std::max(0.0f, Wave(ph));
                              p.lift[1] = std::max(0.0f, -Wave(ph));
                              p.armSwing[0] = Wave(ph) * 40;
                              p.armSwing[1] = -Wave(ph) * 40;
                              p.armUp[0] = p.armUp[1] = 25;
                              apply(L, p);
                          }});
    model.sets.push_back({"Stand", 0.9, 24, [apply, breathe](float ph, std::vector<Mat4>& L) {
                              P p = breathe(ph, 1);
                              p.up = std::fabs(Wave(ph)) * 0.015f;
                              apply(L, p);
                          }});
    return model;
}

// Each set at six phases, seen from the front-left (or from behind for sets
// that bank), then the bind pose from the front, the right and above.
void PreviewModel(Output& out, const std::string& name, const SkinnedModel& model, const Image& texture, float extent,
                  Vec3 centre, size_t firstBankingSet = 1000) {
    const int cell = 220, times = 5;
    ContactSheet sheet(times + 1, cell, cell);
    for (size_t s = 0; s < model.sets.size(); ++s) {
        for (int k = 0; k <= times; ++k) {
            float ph = static_cast<float>(k) / times;
            Image& img = sheet.NewCell(model.sets[s].name + " " + std::to_string(k * 100 / times) + "%");
            View side =
                s >= firstBankingSet ? View{0, 12, centre, cell / extent} : View{140, 12, centre, cell / extent};
            RenderMesh(img, model.mesh, Skin(model, SamplePose(model, s, ph)), texture, side);
        }
    }
    // Bind pose from the front, the side and above.
    for (View v : {View{180, 0, centre, cell / extent}, View{-90, 0, centre, cell / extent},
                   View{0, -80, centre, cell / extent}}) {
        Image& img = sheet.NewCell("bind pose");
        RenderMesh(img, model.mesh, Skin(model, RestPose(model.bones)), texture, v);
    }
    out.Preview(name, sheet.Compose());
}

}  // namespace

void GenerateCharacters(Output& out) {
    Image dragonSkin = DragonTexture(false);
    SkinnedModel dragon = BuildDragon();
    out.Write("XFile/Character/Dragoon.x", WriteSkinnedX(dragon));
    out.WritePng("XFile/Character/Dragoon.png", dragonSkin, false);
    out.WritePng("Texture/Bump/Dragoon.png", DragonTexture(true), false);

    Image soldierSkin = SoldierTexture();
    SkinnedModel soldier = BuildSoldier();
    out.Write("XFile/Character/hito.x", WriteSkinnedX(soldier));
    out.WritePng("XFile/Character/hito.png", soldierSkin, false);

    Image currySkin = CurryTexture();
    SkinnedModel curry = BuildCurry();
    out.Write("XFile/Character/Curry.x", WriteSkinnedX(curry));
    out.WritePng("XFile/Character/Curry.png", currySkin, false);

    if (out.previewing()) {
        PreviewModel(out, "character_dragon", dragon, dragonSkin, 17, {0, 0.4f, -1.1f}, 1);
        PreviewModel(out, "character_soldier", soldier, soldierSkin, 2.4f, {0, 0.9f, 0});
        PreviewModel(out, "character_curry", curry, currySkin, 2.0f, {0, 0.75f, 0});
        out.Preview("texture_dragon", dragonSkin);
    }
}

}  // namespace assetgen
