#include <gtest/gtest.h>

#include <string>

#include "lib/BoneObject.h"
#include "lib/SkinXFile.h"
#include "support/graphics_fixture.h"
#include "support/xfile_writer.h"

namespace {

constexpr double kStep = 0.0055;  // the characters' animation step per frame

// A set holding frame "Bone" at x = value, 0.011 s long (two steps).
ID3DXAnimationSet* StillSet(const char* name, float x) {
    ID3DXKeyframedAnimationSet* set = nullptr;
    EXPECT_EQ(S_OK, D3DXCreateKeyframedAnimationSet(name, 1000.0, D3DXPLAY_LOOP, 1, 0, nullptr, &set));
    const D3DXKEY_VECTOR3 translation[] = {{0.0f, {x, 0, 0}}, {11.0f, {x, 0, 0}}};
    EXPECT_EQ(S_OK, set->RegisterAnimationSRTKeys("Bone", 0, 0, 2, nullptr, nullptr, translation, nullptr));
    return set;
}

// A mesh whose template controller drives one frame matrix through three
// animations: x = 0, 10 and 20. Track 0 of the template plays animation 0.
struct SharedMesh {
    CSkinXFile skin;
    D3DXMATRIX bone;
    ID3DXAnimationController* Template() { return skin.m_lpAnimController; }

    SharedMesh() {
        D3DXMatrixIdentity(&bone);
        ID3DXAnimationController* controller = nullptr;
        D3DXCreateAnimationController(1, 3, 2, 30, &controller);
        controller->RegisterAnimationOutput("Bone", &bone, nullptr, nullptr, nullptr);
        const float xs[] = {0.0f, 10.0f, 20.0f};
        const char* names[] = {"Stand", "DashRight", "DashLeft"};
        for (int i = 0; i < 3; ++i) {
            ID3DXAnimationSet* set = StillSet(names[i], xs[i]);
            controller->RegisterAnimationSet(set);
            if (i == 0) controller->SetTrackAnimationSet(0, set);
            set->Release();
        }
        controller->SetTrackEnable(0, TRUE);
        skin.m_lpAnimController = controller;  // the mesh releases it
    }
};

D3DXTRACK_DESC Desc(CBoneObject& object, UINT track) {
    D3DXTRACK_DESC desc{};
    EXPECT_EQ(S_OK, object.m_lpAnimController->GetTrackDesc(track, &desc));
    return desc;
}

std::string SetOn(CBoneObject& object, UINT track) {
    ID3DXAnimationSet* set = nullptr;
    object.m_lpAnimController->GetTrackAnimationSet(track, &set);
    std::string name = set ? set->GetName() : "";
    if (set) set->Release();
    return name;
}

// Initialisation as every character does it, then frames as they run them.
void Start(CBoneObject& object, CSkinXFile* skin) {
    ASSERT_EQ(1, object.SetSkinXFile(skin));
    ASSERT_EQ(S_OK, object.ChangeAnimation(0, 0));
    ASSERT_EQ(S_OK, object.SetTrackEnable(0, 1));
}
void Frame(CBoneObject& object) {
    object.ResetTime();
    object.Animation(kStep);
}

TEST(BoneObject, WithoutControllerAnimationFailsAndWithoutMeshTheSphereIsEmpty) {
    CBoneObject bare;
    EXPECT_EQ(E_FAIL, bare.ChangeAnimation(0, 0));
    EXPECT_EQ(E_FAIL, bare.ChangeAnimationEvent(1, 0.0f, 0.01f));
    EXPECT_EQ(E_FAIL, bare.SetTrackEnable(0, 1));
    EXPECT_EQ(E_FAIL, bare.UnkeyAllTrackEvents());
    EXPECT_EQ(E_FAIL, bare.ResetTime());
    EXPECT_EQ(E_FAIL, bare.Animation(kStep));
    EXPECT_EQ(0.0, bare.GetNowAnimePos());
    EXPECT_EQ(0u, bare.m_CurrentTrack);
    EXPECT_EQ(0.0f, bare.GetBoundingSphereData());
    D3DXVECTOR3 center(5.0f, 6.0f, 7.0f);
    EXPECT_EQ(&center, bare.GetBoundingSpheerCenter(&center));
    EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), center);
    bare.CalcMatrix();
    bare.Draw(nullptr);

    // A mesh without animation: attached, but still nothing to drive.
    CSkinXFile still;
    EXPECT_EQ(1, bare.SetSkinXFile(&still));
    EXPECT_EQ(&still, bare.m_lpSkinXFile);
    EXPECT_EQ(nullptr, bare.m_lpAnimController);
    EXPECT_EQ(E_FAIL, bare.Animation(kStep));
}

TEST(BoneObject, AttachingClonesTheTemplateWithItsMaximaAndAllTracksOff) {
    SharedMesh mesh;
    CBoneObject object;
    ASSERT_EQ(1, object.SetSkinXFile(&mesh.skin));
    ID3DXAnimationController* clone = object.m_lpAnimController;
    ASSERT_NE(nullptr, clone);
    EXPECT_NE(mesh.Template(), clone);
    EXPECT_EQ(mesh.Template()->GetMaxNumAnimationOutputs(), clone->GetMaxNumAnimationOutputs());
    EXPECT_EQ(mesh.Template()->GetMaxNumAnimationSets(), clone->GetMaxNumAnimationSets());
    EXPECT_EQ(mesh.Template()->GetMaxNumTracks(), clone->GetMaxNumTracks());
    EXPECT_EQ(mesh.Template()->GetMaxNumEvents(), clone->GetMaxNumEvents());
    EXPECT_FALSE(Desc(object, 0).Enable);
    EXPECT_FALSE(Desc(object, 1).Enable);
    D3DXTRACK_DESC original{};
    mesh.Template()->GetTrackDesc(0, &original);
    EXPECT_TRUE(original.Enable);

    object.Unload();
    EXPECT_EQ(nullptr, object.m_lpAnimController);
    EXPECT_EQ(&mesh.skin, object.m_lpSkinXFile);
}

TEST(BoneObject, CrossFadesAlternateTracksAndFinishWithinTheirDuration) {
    SharedMesh mesh;
    CBoneObject dragon;
    Start(dragon, &mesh.skin);
    EXPECT_EQ(0.0, dragon.GetNowAnimePos());
    Frame(dragon);
    EXPECT_NEAR(0.5, dragon.GetNowAnimePos(), 1e-9);

    const char* expectedSets[] = {"DashRight", "DashLeft", "Stand"};
    const UINT expectedTracks[] = {1, 0, 1};
    for (int change = 0; change < 3; ++change) {
        const UINT animation = static_cast<UINT>((change + 1) % 3);
        ASSERT_EQ(S_OK, dragon.ChangeAnimationEvent(animation, 0.0f, 0.01f));
        const UINT now = dragon.m_CurrentTrack;
        const UINT faded = dragon.m_PreviousTrack;
        EXPECT_EQ(expectedTracks[change], now);
        EXPECT_EQ(1 - now, faded);
        EXPECT_EQ(expectedSets[change], SetOn(dragon, now));
        EXPECT_EQ(animation, dragon.m_CurrentAnimation);
        EXPECT_EQ(0.0, dragon.GetNowAnimePos());
        EXPECT_TRUE(Desc(dragon, now).Enable);

        // Keyed while the clock still shows the last step, so 0.0045 s of
        // the fade remain: the next frame ends it.
        Frame(dragon);
        EXPECT_EQ(0.0f, Desc(dragon, faded).Weight);
        EXPECT_FALSE(Desc(dragon, faded).Enable);
        EXPECT_EQ(1.0f, Desc(dragon, now).Weight);
        EXPECT_FLOAT_EQ(10.0f * static_cast<float>(animation), mesh.bone._41);
    }
    EXPECT_EQ(2u, dragon.m_PreviousAnimation);
    // Not wrapped: three steps of an 0.011 s animation are 1.5 periods.
    Frame(dragon);
    Frame(dragon);
    EXPECT_NEAR(1.5, dragon.GetNowAnimePos(), 1e-6);

    // An animation the mesh does not have changes nothing.
    const UINT track = dragon.m_CurrentTrack;
    EXPECT_EQ(D3DERR_INVALIDCALL, dragon.ChangeAnimationEvent(3, 0.0f, 0.01f));
    EXPECT_EQ(track, dragon.m_CurrentTrack);
    EXPECT_EQ(0u, dragon.m_CurrentAnimation);
    EXPECT_NEAR(1.5, dragon.GetNowAnimePos(), 1e-6);
}

TEST(BoneObject, UnkeyingStopsAFadeHalfWay) {
    SharedMesh mesh;
    CBoneObject hito;
    Start(hito, &mesh.skin);
    hito.ChangeAnimationEvent(1, 0.0f, 0.02f);
    Frame(hito);
    ASSERT_EQ(S_OK, hito.UnkeyAllTrackEvents());
    const float weight = Desc(hito, 0).Weight;
    Frame(hito);
    Frame(hito);
    Frame(hito);
    EXPECT_EQ(weight, Desc(hito, 0).Weight);
    EXPECT_TRUE(Desc(hito, 0).Enable);
}

TEST(BoneObject, ObjectsSharingOneMeshKeepTheirOwnAnimation) {
    SharedMesh mesh;
    CBoneObject first, second;
    Start(first, &mesh.skin);
    Start(second, &mesh.skin);
    second.ChangeAnimationEvent(2, 0.0f, 0.01f);
    for (int frame = 0; frame < 3; ++frame) {
        Frame(first);
        EXPECT_FLOAT_EQ(0.0f, mesh.bone._41);
        Frame(second);
        // The first frame of the fade blends x = 0 at weight 0.45 with x = 20
        // at weight 1 (the fresh track's weight).
        EXPECT_NEAR(frame == 0 ? 20.0f / 1.45f : 20.0f, mesh.bone._41, 1e-4f);
    }
    EXPECT_EQ(0u, first.m_CurrentTrack);
    EXPECT_EQ(1u, second.m_CurrentTrack);
    EXPECT_FALSE(Desc(first, 1).Enable);
    EXPECT_FALSE(Desc(second, 0).Enable);
}

// The same through the X loader: a two-bone strip whose sets lift the second
// bone by 1 and by 2 at half of their 1 s period.
class BoneObjectFileTest : public GraphicsTest {};

TEST_F(BoneObjectFileTest, ObjectsOnOneLoadedMeshPoseItsFramesEachForItself) {
    xtest::ChainOptions options;
    options.animationSets = 2;
    const std::string path = ::testing::TempDir() + "bone_object_strip.x";
    ASSERT_TRUE(xtest::WriteText(path, xtest::ChainText(options)));
    CSkinXFile skin;
    ASSERT_EQ(1, skin.LoadXFile(Device(), path.c_str()));
    ASSERT_NE(nullptr, skin.m_lpAnimController);
    CBoneObject lifted, higher;
    Start(lifted, &skin);
    Start(higher, &skin);
    higher.ChangeAnimationEvent(1, 0.0f, 0.0f);
    lifted.m_World._41 = 5.0f;
    const D3DXFRAME_DERIVED* bone = skin.SearchBoneName("Bone1");
    ASSERT_NE(nullptr, bone);
    // Each object poses the shared frames right before it uses them.
    auto pose = [](CBoneObject& object) {
        object.ResetTime();
        object.Animation(0.5);
        object.CalcMatrix();
    };
    pose(lifted);
    EXPECT_NEAR(1.0f, bone->CombinedTransformationMatrix._42, 1e-4f);
    EXPECT_NEAR(6.0f, bone->CombinedTransformationMatrix._41, 1e-4f);
    pose(higher);
    EXPECT_NEAR(2.0f, bone->CombinedTransformationMatrix._42, 1e-4f);
    EXPECT_NEAR(1.0f, bone->CombinedTransformationMatrix._41, 1e-4f);
    EXPECT_NEAR(0.5, lifted.GetNowAnimePos(), 1e-9);
    EXPECT_NEAR(0.5, higher.GetNowAnimePos(), 1e-9);
    EXPECT_GT(lifted.GetBoundingSphereData(), 0.0f);
}

}  // namespace
