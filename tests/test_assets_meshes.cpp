// The generated X meshes as assimp reads them: hierarchy, skin, the dragon's
// mouth bone, animation sets in the game's order with the periods the game's
// per-frame steps need, and the scenery's size.
#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>

#include "asset_manifest.h"

namespace {

std::string DataPath(const char* relative) { return (std::filesystem::path(VORTWING_DATA_DIR) / relative).string(); }

struct Scene {
    explicit Scene(const char* relative) : scene(aiImportFile(DataPath(relative).c_str(), 0)) {}
    ~Scene() {
        if (scene) aiReleaseImport(scene);
    }
    const aiScene* scene;
};

const aiNode* FindNode(const aiNode* n, const std::string& name) {
    if (name == n->mName.C_Str()) return n;
    for (unsigned i = 0; i < n->mNumChildren; ++i)
        if (const aiNode* f = FindNode(n->mChildren[i], name)) return f;
    return nullptr;
}

double Seconds(const aiAnimation* a) { return a->mDuration / (a->mTicksPerSecond > 0 ? a->mTicksPerSecond : 25.0); }

struct Bounds {
    aiVector3D min{1e9f, 1e9f, 1e9f}, max{-1e9f, -1e9f, -1e9f}, centroid;
    float centroidRadius = 0;
    unsigned vertices = 0;
};

Bounds Measure(const aiScene* s) {
    Bounds b;
    for (unsigned m = 0; m < s->mNumMeshes; ++m)
        for (unsigned i = 0; i < s->mMeshes[m]->mNumVertices; ++i) {
            const aiVector3D& v = s->mMeshes[m]->mVertices[i];
            b.min = {std::min(b.min.x, v.x), std::min(b.min.y, v.y), std::min(b.min.z, v.z)};
            b.max = {std::max(b.max.x, v.x), std::max(b.max.y, v.y), std::max(b.max.z, v.z)};
            b.centroid += v;
            ++b.vertices;
        }
    b.centroid /= static_cast<float>(b.vertices);
    for (unsigned m = 0; m < s->mNumMeshes; ++m)
        for (unsigned i = 0; i < s->mMeshes[m]->mNumVertices; ++i)
            b.centroidRadius = std::max(b.centroidRadius, (s->mMeshes[m]->mVertices[i] - b.centroid).Length());
    return b;
}

// Checks shared by all three characters: one skinned, textured mesh whose
// bones all name frames, and the animation sets in order.
void ExpectCharacter(const aiScene* s, const char* file, const char* const* setNames, size_t setCount) {
    ASSERT_NE(s, nullptr) << file << ": " << aiGetErrorString();
    ASSERT_GE(s->mNumMeshes, 1u) << file;
    const aiMesh* mesh = s->mMeshes[0];
    EXPECT_TRUE(mesh->HasNormals()) << file;
    EXPECT_TRUE(mesh->HasTextureCoords(0)) << file;
    EXPECT_GT(mesh->mNumBones, 4u) << file;
    EXPECT_LE(mesh->mNumBones, 26u) << file << " must fit one palette";
    for (unsigned b = 0; b < mesh->mNumBones; ++b) {
        const aiBone* bone = mesh->mBones[b];
        EXPECT_NE(FindNode(s->mRootNode, bone->mName.C_Str()), nullptr) << file << " bone " << bone->mName.C_Str();
        EXPECT_GT(bone->mNumWeights, 0u);
    }
    // Every vertex is fully weighted.
    std::vector<float> sum(mesh->mNumVertices, 0.0f);
    for (unsigned b = 0; b < mesh->mNumBones; ++b)
        for (unsigned w = 0; w < mesh->mBones[b]->mNumWeights; ++w)
            sum[mesh->mBones[b]->mWeights[w].mVertexId] += mesh->mBones[b]->mWeights[w].mWeight;
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) ASSERT_NEAR(sum[i], 1.0f, 1e-3f) << file << " vertex " << i;
    // The texture is named and lies beside the file.
    ASSERT_LT(mesh->mMaterialIndex, s->mNumMaterials);
    aiString tex;
    ASSERT_EQ(s->mMaterials[mesh->mMaterialIndex]->GetTexture(aiTextureType_DIFFUSE, 0, &tex), AI_SUCCESS) << file;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(DataPath(file)).parent_path() / tex.C_Str()))
        << tex.C_Str();
    ASSERT_EQ(s->mNumAnimations, setCount) << file;
    for (size_t i = 0; i < setCount; ++i) {
        EXPECT_EQ(std::string(s->mAnimations[i]->mName.C_Str()), setNames[i]) << file << " set " << i;
        EXPECT_GT(s->mAnimations[i]->mNumChannels, 4u);
    }
}

TEST(AssetMeshes, DragonHasItsMouthBoneSizeAndThreeFlightSets) {
    Scene dragon("XFile/Character/Dragoon.x");
    ExpectCharacter(dragon.scene, "XFile/Character/Dragoon.x", assets::kDragonAnimationSets,
                    std::size(assets::kDragonAnimationSets));
    const aiScene* s = dragon.scene;
    ASSERT_NE(s, nullptr);
    EXPECT_NE(FindNode(s->mRootNode, assets::kDragonMouthBone), nullptr);
    Bounds b = Measure(s);
    // The hit sphere is the bounding radius minus 7, so the radius must be 8 to 10.
    EXPECT_GE(b.centroidRadius, 8.0f);
    EXPECT_LE(b.centroidRadius, 10.0f);
    float boxRadius = (b.max - b.min).Length() / 2;
    EXPECT_GE(boxRadius, 8.0f);
    EXPECT_LE(boxRadius, 10.5f);
    // Longer along z than tall: it lies in flight.
    EXPECT_GT(b.max.z - b.min.z, 2.5f * (b.max.y - b.min.y));
    // Wing beat about once a second at 0.0055 s of animation per frame.
    EXPECT_NEAR(Seconds(s->mAnimations[0]) / 0.0055, 60.0, 6.0);
    // A dash lasts 31 frames.
    EXPECT_NEAR(Seconds(s->mAnimations[1]) / 0.0055, 31.0, 2.0);
    EXPECT_NEAR(Seconds(s->mAnimations[2]) / 0.0055, 31.0, 2.0);
}

TEST(AssetMeshes, SoldierStandsOnTheGroundWithSevenSets) {
    Scene hito("XFile/Character/hito.x");
    ExpectCharacter(hito.scene, "XFile/Character/hito.x", assets::kSoldierAnimationSets,
                    std::size(assets::kSoldierAnimationSets));
    ASSERT_NE(hito.scene, nullptr);
    Bounds b = Measure(hito.scene);
    EXPECT_NEAR(b.min.y, 0.0f, 0.02f);
    EXPECT_NEAR(b.max.y, 1.8f, 0.1f);
    // Death reaches 90 % after about 1.4 s; damage lasts 30 frames.
    EXPECT_NEAR(0.9 * Seconds(hito.scene->mAnimations[5]) / 0.0055 / 60.0, 1.4, 0.1);
    EXPECT_NEAR(Seconds(hito.scene->mAnimations[6]) / 0.0055, 30.0, 1.5);
}

TEST(AssetMeshes, FriendlyCharacterIsShorterRoundAndHasNineSets) {
    Scene curry("XFile/Character/Curry.x");
    ExpectCharacter(curry.scene, "XFile/Character/Curry.x", assets::kCurryAnimationSets,
                    std::size(assets::kCurryAnimationSets));
    ASSERT_NE(curry.scene, nullptr);
    Bounds b = Measure(curry.scene);
    EXPECT_NEAR(b.min.y, 0.0f, 0.03f);
    EXPECT_NEAR(b.max.y, 1.5f, 0.1f);
    EXPECT_GT(b.max.x - b.min.x, 0.9f) << "round, much wider than a soldier";
    // The attack leaves its set at 0.7 s of track time, so it must last longer.
    EXPECT_GE(Seconds(curry.scene->mAnimations[4]), 0.7);
}

TEST(AssetMeshes, SkyIsAUnitDomeSeenFromInsideAndTheSeaIsWide) {
    Scene sky("XFile/Map/Sky.x"), sea("XFile/Map/sea.x");
    ASSERT_NE(sky.scene, nullptr) << aiGetErrorString();
    ASSERT_NE(sea.scene, nullptr) << aiGetErrorString();
    Bounds bs = Measure(sky.scene);
    EXPECT_NEAR(bs.centroidRadius, 1.0f, 0.02f);
    // Normals point at the centre.
    const aiMesh* m = sky.scene->mMeshes[0];
    ASSERT_TRUE(m->HasNormals());
    for (unsigned i = 0; i < m->mNumVertices; i += 7) EXPECT_LT(m->mNormals[i] * m->mVertices[i], 0.0f);
    Bounds bw = Measure(sea.scene);
    EXPECT_GE(bw.max.x - bw.min.x, 24000.0f);
    EXPECT_GE(bw.max.z - bw.min.z, 24000.0f);
    EXPECT_NEAR(bw.min.y, 0.0f, 1e-3f);
    EXPECT_NEAR(bw.max.y, 0.0f, 1e-3f);
    EXPECT_NEAR(bw.centroid.x, 0.0f, 1.0f);
    EXPECT_NEAR(bw.centroid.z, 0.0f, 1.0f);
    ASSERT_TRUE(sea.scene->mMeshes[0]->HasTextureCoords(0));
    float maxU = 0;
    for (unsigned i = 0; i < sea.scene->mMeshes[0]->mNumVertices; ++i)
        maxU = std::max(maxU, sea.scene->mMeshes[0]->mTextureCoords[0][i].x);
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
        ASSERT_NE(s.scene, nullptr);
        const aiAnimation* a = s.scene->mAnimations[l.set];
        for (unsigned c = 0; c < a->mNumChannels; ++c) {
            const aiNodeAnim* ch = a->mChannels[c];
            ASSERT_GT(ch->mNumRotationKeys, 1u);
            aiQuaternion first = ch->mRotationKeys[0].mValue, last = ch->mRotationKeys[ch->mNumRotationKeys - 1].mValue;
            float dot = std::fabs(first.w * last.w + first.x * last.x + first.y * last.y + first.z * last.z);
            EXPECT_NEAR(dot, 1.0f, 1e-3f) << l.file << " set " << l.set << " " << ch->mNodeName.C_Str();
            EXPECT_NEAR((ch->mPositionKeys[0].mValue - ch->mPositionKeys[ch->mNumPositionKeys - 1].mValue).Length(),
                        0.0f, 1e-3f);
        }
    }
}

}  // namespace
