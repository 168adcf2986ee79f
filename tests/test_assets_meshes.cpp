// The generated X meshes as our reader sees them: hierarchy, skin, the
// dragon's mouth bone, animation sets in the game's order with the periods
// the game's per-frame steps need, and the scenery's size.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>

#include "asset_manifest.h"
#include "platform/d3dx9/xfile_reader.h"

namespace {

std::string DataPath(const char* relative) { return (std::filesystem::path(VORTWING_DATA_DIR) / relative).string(); }

struct Scene {
    explicit Scene(const char* relative) : loaded(xfile::ReadFile(DataPath(relative).c_str(), &file)) {}
    xfile::File file;
    bool loaded;
};

const xfile::Frame* FindFrame(const std::vector<xfile::Frame>& frames, const std::string& name) {
    for (const xfile::Frame& frame : frames) {
        if (frame.name == name) return &frame;
        if (const xfile::Frame* found = FindFrame(frame.children, name)) return found;
    }
    return nullptr;
}

// The first mesh of the file, wherever it sits.
const xfile::Mesh* FirstMesh(const xfile::File& f) {
    if (!f.meshes.empty()) return &f.meshes[0];
    std::function<const xfile::Mesh*(const std::vector<xfile::Frame>&)> search =
        [&](const std::vector<xfile::Frame>& frames) -> const xfile::Mesh* {
        for (const xfile::Frame& frame : frames) {
            if (!frame.meshes.empty()) return &frame.meshes[0];
            if (const xfile::Mesh* found = search(frame.children)) return found;
        }
        return nullptr;
    };
    return search(f.frames);
}

// Length of a set in seconds: its last key over the file's ticks per second.
double Seconds(const xfile::File& f, const xfile::AnimationSet& set) {
    std::uint32_t last = 0;
    for (const xfile::Animation& a : set.animations)
        for (const xfile::AnimationKey& k : a.keys)
            for (std::uint32_t t : k.times) last = std::max(last, t);
    return last / static_cast<double>(f.ticksPerSecond > 0 ? f.ticksPerSecond : 4800);
}

struct Bounds {
    xfile::Vector3 min{1e9f, 1e9f, 1e9f}, max{-1e9f, -1e9f, -1e9f}, centroid;
    float centroidRadius = 0;
};

float Distance(const xfile::Vector3& a, const xfile::Vector3& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

// Over every vertex of the mesh, as the game's bounding sphere is.
Bounds Measure(const xfile::Mesh& m) {
    Bounds b;
    for (const xfile::Vector3& v : m.positions) {
        b.min = {std::min(b.min.x, v.x), std::min(b.min.y, v.y), std::min(b.min.z, v.z)};
        b.max = {std::max(b.max.x, v.x), std::max(b.max.y, v.y), std::max(b.max.z, v.z)};
        b.centroid = {b.centroid.x + v.x, b.centroid.y + v.y, b.centroid.z + v.z};
    }
    const float n = static_cast<float>(m.positions.size());
    b.centroid = {b.centroid.x / n, b.centroid.y / n, b.centroid.z / n};
    for (const xfile::Vector3& v : m.positions) b.centroidRadius = std::max(b.centroidRadius, Distance(v, b.centroid));
    return b;
}

// Checks shared by all three characters: one skinned, textured mesh whose
// bones all name frames, and the animation sets in order.
void ExpectCharacter(const Scene& s, const char* file, const char* const* setNames, size_t setCount) {
    ASSERT_TRUE(s.loaded) << file;
    const xfile::Mesh* mesh = FirstMesh(s.file);
    ASSERT_NE(mesh, nullptr) << file;
    EXPECT_TRUE(mesh->hasNormals) << file;
    EXPECT_TRUE(mesh->hasTextureCoords) << file;
    EXPECT_GT(mesh->skin.size(), 4u) << file;
    EXPECT_LE(mesh->skin.size(), 26u) << file << " must fit one palette";
    for (const xfile::SkinWeights& bone : mesh->skin) {
        EXPECT_NE(FindFrame(s.file.frames, bone.bone), nullptr) << file << " bone " << bone.bone;
        EXPECT_GT(bone.vertices.size(), 0u);
    }
    // Every vertex is fully weighted, and every vertex is used by a face.
    std::vector<float> sum(mesh->positions.size(), 0.0f);
    for (const xfile::SkinWeights& bone : mesh->skin)
        for (size_t w = 0; w < bone.vertices.size(); ++w) sum[bone.vertices[w]] += bone.weights[w];
    for (size_t i = 0; i < sum.size(); ++i) ASSERT_NEAR(sum[i], 1.0f, 1e-3f) << file << " vertex " << i;
    std::vector<bool> used(mesh->positions.size(), false);
    for (std::uint32_t corner : mesh->corners) used[corner] = true;
    for (size_t i = 0; i < used.size(); ++i) ASSERT_TRUE(used[i]) << file << " vertex " << i << " is in no face";
    // The texture is named and lies beside the file.
    ASSERT_TRUE(mesh->hasMaterialList) << file;
    ASSERT_EQ(mesh->materials.size(), 1u) << file;
    const std::string& tex = mesh->materials[0].texture;
    ASSERT_FALSE(tex.empty()) << file;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(DataPath(file)).parent_path() / tex)) << tex;
    ASSERT_EQ(s.file.animationSets.size(), setCount) << file;
    for (size_t i = 0; i < setCount; ++i) {
        EXPECT_EQ(s.file.animationSets[i].name, setNames[i]) << file << " set " << i;
        EXPECT_GT(s.file.animationSets[i].animations.size(), 4u);
    }
}

TEST(AssetMeshes, DragonHasItsMouthBoneSizeAndThreeFlightSets) {
    Scene dragon("XFile/Character/Dragoon.x");
    ExpectCharacter(dragon, "XFile/Character/Dragoon.x", assets::kDragonAnimationSets,
                    std::size(assets::kDragonAnimationSets));
    ASSERT_TRUE(dragon.loaded);
    const xfile::File& s = dragon.file;
    EXPECT_NE(FindFrame(s.frames, assets::kDragonMouthBone), nullptr);
    Bounds b = Measure(*FirstMesh(s));
    // The hit sphere is the bounding radius minus 7, so the radius must be 8 to 10.
    EXPECT_GE(b.centroidRadius, 8.0f);
    EXPECT_LE(b.centroidRadius, 10.0f);
    float boxRadius = Distance(b.max, b.min) / 2;
    EXPECT_GE(boxRadius, 8.0f);
    EXPECT_LE(boxRadius, 10.5f);
    // Longer along z than tall: it lies in flight.
    EXPECT_GT(b.max.z - b.min.z, 2.5f * (b.max.y - b.min.y));
    // Wing beat about once a second at 0.0055 s of animation per frame.
    EXPECT_NEAR(Seconds(s, s.animationSets[0]) / 0.0055, 60.0, 6.0);
    // A dash lasts 31 frames.
    EXPECT_NEAR(Seconds(s, s.animationSets[1]) / 0.0055, 31.0, 2.0);
    EXPECT_NEAR(Seconds(s, s.animationSets[2]) / 0.0055, 31.0, 2.0);
}

TEST(AssetMeshes, SoldierStandsOnTheGroundWithSevenSets) {
    Scene hito("XFile/Character/hito.x");
    ExpectCharacter(hito, "XFile/Character/hito.x", assets::kSoldierAnimationSets,
                    std::size(assets::kSoldierAnimationSets));
    ASSERT_TRUE(hito.loaded);
    const xfile::File& s = hito.file;
    Bounds b = Measure(*FirstMesh(s));
    EXPECT_NEAR(b.min.y, 0.0f, 0.02f);
    EXPECT_NEAR(b.max.y, 1.8f, 0.1f);
    // Death reaches 90 % after about 1.4 s; damage lasts 30 frames.
    EXPECT_NEAR(0.9 * Seconds(s, s.animationSets[5]) / 0.0055 / 60.0, 1.4, 0.1);
    EXPECT_NEAR(Seconds(s, s.animationSets[6]) / 0.0055, 30.0, 1.5);
}

TEST(AssetMeshes, FriendlyCharacterIsShorterRoundAndHasNineSets) {
    Scene curry("XFile/Character/Curry.x");
    ExpectCharacter(curry, "XFile/Character/Curry.x", assets::kCurryAnimationSets,
                    std::size(assets::kCurryAnimationSets));
    ASSERT_TRUE(curry.loaded);
    Bounds b = Measure(*FirstMesh(curry.file));
    EXPECT_NEAR(b.min.y, 0.0f, 0.03f);
    EXPECT_NEAR(b.max.y, 1.5f, 0.1f);
    EXPECT_GT(b.max.x - b.min.x, 0.9f) << "round, much wider than a soldier";
    // The attack leaves its set at 0.7 s of track time, so it must last longer.
    EXPECT_GE(Seconds(curry.file, curry.file.animationSets[4]), 0.7);
}

TEST(AssetMeshes, SkyIsAUnitDomeSeenFromInsideAndTheSeaIsWide) {
    Scene sky("XFile/Map/Sky.x"), sea("XFile/Map/sea.x");
    ASSERT_TRUE(sky.loaded);
    ASSERT_TRUE(sea.loaded);
    const xfile::Mesh& dome = *FirstMesh(sky.file);
    Bounds bs = Measure(dome);
    EXPECT_NEAR(bs.centroidRadius, 1.0f, 0.02f);
    // Normals point at the centre.
    ASSERT_TRUE(dome.hasNormals);
    for (size_t c = 0; c < dome.corners.size(); c += 7) {
        const xfile::Vector3& p = dome.positions[dome.corners[c]];
        const xfile::Vector3& n = dome.normals[dome.normalCorners[c]];
        EXPECT_LT(n.x * p.x + n.y * p.y + n.z * p.z, 0.0f);
    }
    const xfile::Mesh& water = *FirstMesh(sea.file);
    Bounds bw = Measure(water);
    EXPECT_GE(bw.max.x - bw.min.x, 24000.0f);
    EXPECT_GE(bw.max.z - bw.min.z, 24000.0f);
    EXPECT_NEAR(bw.min.y, 0.0f, 1e-3f);
    EXPECT_NEAR(bw.max.y, 0.0f, 1e-3f);
    EXPECT_NEAR(bw.centroid.x, 0.0f, 1.0f);
    EXPECT_NEAR(bw.centroid.z, 0.0f, 1.0f);
    ASSERT_TRUE(water.hasTextureCoords);
    float maxU = 0;
    for (const xfile::Vector2& t : water.textureCoords) maxU = std::max(maxU, t.u);
    EXPECT_GT(maxU, 100.0f) << "the water texture tiles across the sea";
}

TEST(AssetMeshes, LoopingSetsEndInTheirStartingPose) {
    // Walk, stand and run of the soldier, and flight of the dragon, loop.
    struct Loop {
        const char* file;
        unsigned set;
    };
    for (Loop l :
         {Loop{"XFile/Character/Dragoon.x", 0}, Loop{"XFile/Character/hito.x", 0}, Loop{"XFile/Character/hito.x", 2},
          Loop{"XFile/Character/hito.x", 3}, Loop{"XFile/Character/Curry.x", 7}}) {
        Scene s(l.file);
        ASSERT_TRUE(s.loaded);
        for (const xfile::Animation& a : s.file.animationSets[l.set].animations) {
            ASSERT_EQ(a.keys.size(), 1u);
            const xfile::AnimationKey& key = a.keys[0];
            ASSERT_EQ(key.type, xfile::kMatrixKey);
            ASSERT_GT(key.times.size(), 1u);
            const float* first = key.values.data();
            const float* last = key.values.data() + (key.times.size() - 1) * 16;
            for (int i = 0; i < 16; ++i)
                EXPECT_NEAR(first[i], last[i], 1e-3f)
                    << l.file << " set " << l.set << " " << a.frame << " [" << i << "]";
        }
    }
}

}  // namespace
