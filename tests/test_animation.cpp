#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/d3dx9/animation.h"

namespace {

constexpr double kTicksPerSecond = 10.0;

// A set with one animation per frame name; each frame moves along x from
// `from` at tick 0 to `to` at tick 20 (2 s), turns from no rotation to 90
// degrees about y at tick 10 and back to none at 20, and scales from 1 to 3.
ID3DXKeyframedAnimationSet* MakeSet(const char* name, const std::vector<const char*>& frames, float from, float to,
                                    D3DXPLAYBACK_TYPE playback = D3DXPLAY_LOOP) {
    ID3DXKeyframedAnimationSet* set = nullptr;
    EXPECT_EQ(S_OK, D3DXCreateKeyframedAnimationSet(name, kTicksPerSecond, playback, static_cast<UINT>(frames.size()),
                                                    0, nullptr, &set));
    const float half = std::sqrt(0.5f);
    const D3DXKEY_VECTOR3 scale[] = {{0.0f, {1, 1, 1}}, {20.0f, {3, 3, 3}}};
    const D3DXKEY_QUATERNION rotation[] = {{0.0f, {0, 0, 0, 1}}, {10.0f, {0, half, 0, half}}, {20.0f, {0, 0, 0, 1}}};
    const D3DXKEY_VECTOR3 translation[] = {{0.0f, {from, 0, 0}}, {20.0f, {to, 0, 0}}};
    for (const char* frame : frames) {
        DWORD index = 99;
        EXPECT_EQ(S_OK, set->RegisterAnimationSRTKeys(frame, 2, 3, 2, scale, rotation, translation, &index));
    }
    return set;
}

// A set that holds one frame still at x = value.
ID3DXKeyframedAnimationSet* MakeStillSet(const char* name, const char* frame, float x) {
    ID3DXKeyframedAnimationSet* set = nullptr;
    EXPECT_EQ(S_OK, D3DXCreateKeyframedAnimationSet(name, kTicksPerSecond, D3DXPLAY_LOOP, 1, 0, nullptr, &set));
    const D3DXKEY_VECTOR3 translation[] = {{0.0f, {x, 0, 0}}, {10.0f, {x, 0, 0}}};
    EXPECT_EQ(S_OK, set->RegisterAnimationSRTKeys(frame, 0, 0, 2, nullptr, nullptr, translation, nullptr));
    return set;
}

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, D3DXCreateAnimationController(4, 4, 2, 8, &m_controller));
        m_bone = Identity();
        m_other = Identity();
        ASSERT_EQ(S_OK, m_controller->RegisterAnimationOutput("Bone", &m_bone, nullptr, nullptr, nullptr));
        ASSERT_EQ(S_OK, m_controller->RegisterAnimationOutput("Other", &m_other, nullptr, nullptr, nullptr));
    }
    void TearDown() override {
        for (ID3DXAnimationSet* set : m_sets) set->Release();
        if (m_controller) m_controller->Release();
    }
    // Registers a set and puts it on a track, enabled.
    ID3DXAnimationSet* Play(UINT track, ID3DXAnimationSet* set) {
        m_sets.push_back(set);
        EXPECT_EQ(S_OK, m_controller->RegisterAnimationSet(set));
        EXPECT_EQ(S_OK, m_controller->SetTrackAnimationSet(track, set));
        EXPECT_EQ(S_OK, m_controller->SetTrackEnable(track, TRUE));
        return set;
    }
    D3DXTRACK_DESC Desc(UINT track) {
        D3DXTRACK_DESC desc{};
        EXPECT_EQ(S_OK, m_controller->GetTrackDesc(track, &desc));
        return desc;
    }
    // One frame as the game runs it: clock back to zero, then one step.
    void Frame(double step) {
        m_controller->ResetTime();
        m_controller->AdvanceTime(step, nullptr);
    }

    ID3DXAnimationController* m_controller = nullptr;
    std::vector<ID3DXAnimationSet*> m_sets;
    D3DXMATRIX m_bone;
    D3DXMATRIX m_other;
};

TEST(AnimationSet, PeriodAndPlaybackWrapping) {
    ID3DXKeyframedAnimationSet* loop = MakeSet("Loop", {"Bone"}, 0, 10);
    ID3DXKeyframedAnimationSet* once = MakeSet("Once", {"Bone"}, 0, 10, D3DXPLAY_ONCE);
    ID3DXKeyframedAnimationSet* pingpong = MakeSet("PingPong", {"Bone"}, 0, 10, D3DXPLAY_PINGPONG);
    EXPECT_DOUBLE_EQ(2.0, loop->GetPeriod());
    EXPECT_DOUBLE_EQ(kTicksPerSecond, loop->GetSourceTicksPerSecond());
    EXPECT_NEAR(0.5, loop->GetPeriodicPosition(4.5), 1e-12);
    EXPECT_NEAR(1.5, loop->GetPeriodicPosition(-0.5), 1e-12);
    EXPECT_DOUBLE_EQ(2.0, once->GetPeriodicPosition(4.5));
    EXPECT_NEAR(1.5, pingpong->GetPeriodicPosition(2.5), 1e-12);
    EXPECT_NEAR(0.5, pingpong->GetPeriodicPosition(4.5), 1e-12);
    loop->Release();
    once->Release();
    pingpong->Release();
}

TEST(AnimationSet, SamplesBetweenKeysAndHoldsOutside) {
    ID3DXKeyframedAnimationSet* set = MakeSet("Walk", {"Hip", "Knee"}, 2, 12);
    UINT index = 0;
    ASSERT_EQ(S_OK, set->GetAnimationIndexByName("Knee", &index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(D3DERR_INVALIDCALL, set->GetAnimationIndexByName("Neck", &index));
    // The set was created for two animations: a third does not fit.
    EXPECT_EQ(D3DERR_INVALIDCALL, set->RegisterAnimationSRTKeys("Neck", 0, 0, 0, nullptr, nullptr, nullptr, nullptr));

    D3DXVECTOR3 scale, translation;
    D3DXQUATERNION rotation;
    // 0.5 s = tick 5: a quarter of the scale and translation span, half way
    // to the 90-degree key, so 45 degrees about y.
    ASSERT_EQ(S_OK, set->GetSRT(0.5, 1, &scale, &rotation, &translation));
    EXPECT_NEAR(1.5f, scale.x, 1e-5f);
    EXPECT_NEAR(4.5f, translation.x, 1e-5f);
    EXPECT_NEAR(std::sin(0.3926991f), rotation.y, 1e-5f);
    EXPECT_NEAR(std::cos(0.3926991f), rotation.w, 1e-5f);
    // Past the last key the last key holds.
    set->GetSRT(5.0, 0, &scale, &rotation, &translation);
    EXPECT_FLOAT_EQ(12.0f, translation.x);
    EXPECT_EQ(D3DERR_INVALIDCALL, set->GetSRT(0.0, 2, &scale, &rotation, &translation));
    set->Release();
}

TEST_F(ControllerTest, PosesFramesFromWrappedTrackPositions) {
    Play(0, MakeSet("Walk", {"Bone"}, 0, 10));
    m_other._41 = 7.0f;
    // 2.5 s: unwrapped on the track, sampled at 0.5 s of the 2 s period.
    m_controller->AdvanceTime(2.0, nullptr);
    m_controller->AdvanceTime(0.5, nullptr);
    EXPECT_DOUBLE_EQ(2.5, Desc(0).Position);
    EXPECT_DOUBLE_EQ(2.5, m_controller->GetTime());

    // S x R x T: scale 1.5, 45 degrees about y, then x = 2.5.
    D3DXMATRIX scaling, rotation, expected;
    D3DXMatrixScaling(&scaling, 1.5f, 1.5f, 1.5f);
    D3DXMatrixRotationY(&rotation, 0.7853982f);
    D3DXMatrixMultiply(&expected, &scaling, &rotation);
    expected._41 = 2.5f;
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(expected[i], m_bone[i], 1e-5f) << i;
    // No track animates "Other": it keeps its matrix.
    EXPECT_FLOAT_EQ(7.0f, m_other._41);
    EXPECT_FLOAT_EQ(1.0f, m_other._11);
}

TEST_F(ControllerTest, SpeedScalesTrackTimeAndDisabledTracksStandStill) {
    Play(0, MakeSet("Walk", {"Bone"}, 0, 10));
    Play(1, MakeSet("Run", {"Bone"}, 0, 10));
    m_controller->SetTrackSpeed(0, 2.0f);
    m_controller->SetTrackEnable(1, FALSE);
    m_controller->AdvanceTime(0.25, nullptr);
    EXPECT_DOUBLE_EQ(0.5, Desc(0).Position);
    EXPECT_DOUBLE_EQ(0.0, Desc(1).Position);
    EXPECT_NEAR(2.5f, m_bone._41, 1e-5f);
}

TEST_F(ControllerTest, EnabledTracksBlendByNormalisedWeights) {
    Play(0, MakeStillSet("Left", "Bone", 0.0f));
    Play(1, MakeStillSet("Right", "Bone", 10.0f));
    m_controller->SetTrackWeight(0, 1.0f);
    m_controller->SetTrackWeight(1, 3.0f);
    m_controller->AdvanceTime(0.1, nullptr);
    EXPECT_NEAR(7.5f, m_bone._41, 1e-5f);

    // One playing track poses fully, whatever its weight.
    m_controller->SetTrackWeight(1, 0.0f);
    m_controller->SetTrackWeight(0, 0.25f);
    m_controller->AdvanceTime(0.1, nullptr);
    EXPECT_NEAR(0.0f, m_bone._41, 1e-5f);
    m_controller->SetTrackWeight(1, 0.5f);
    m_controller->SetTrackEnable(0, FALSE);
    m_controller->AdvanceTime(0.1, nullptr);
    EXPECT_NEAR(10.0f, m_bone._41, 1e-5f);
}

TEST_F(ControllerTest, RotationsBlendAlongTheShorterArc) {
    ID3DXKeyframedAnimationSet* turned = nullptr;
    D3DXCreateKeyframedAnimationSet("Turned", kTicksPerSecond, D3DXPLAY_LOOP, 1, 0, nullptr, &turned);
    // 90 degrees about y, written with the negative sign.
    const float half = std::sqrt(0.5f);
    const D3DXKEY_QUATERNION rotation[] = {{0.0f, {0, -half, 0, -half}}, {10.0f, {0, -half, 0, -half}}};
    turned->RegisterAnimationSRTKeys("Bone", 0, 2, 0, nullptr, rotation, nullptr, nullptr);
    Play(0, MakeStillSet("Still", "Bone", 0.0f));
    Play(1, turned);
    m_controller->AdvanceTime(0.0, nullptr);
    // Half way from none to 90 degrees: 45 degrees, the x axis turned to
    // (cos 45, 0, -sin 45).
    EXPECT_NEAR(half, m_bone._11, 1e-5f);
    EXPECT_NEAR(-half, m_bone._13, 1e-5f);
}

TEST_F(ControllerTest, CrossFadeKeyedAtZeroFinishesAfterTwoFrames) {
    Play(0, MakeStillSet("Stand", "Bone", 0.0f));
    Play(1, MakeStillSet("Dash", "Bone", 10.0f));
    // The two-track fade as the characters key it, at start 0.0 = "now".
    m_controller->SetTrackWeight(1, 0.0f);
    m_controller->SetTrackSpeed(1, 0.0f);
    ASSERT_NE(0u, m_controller->KeyTrackEnable(0, FALSE, 0.01));
    ASSERT_NE(0u, m_controller->KeyTrackSpeed(0, 0.0f, 0.0, 0.01, D3DXTRANSITION_LINEAR));
    ASSERT_NE(0u, m_controller->KeyTrackWeight(0, 0.0f, 0.0, 0.01, D3DXTRANSITION_LINEAR));
    ASSERT_NE(0u, m_controller->KeyTrackSpeed(1, 1.0f, 0.0, 0.01, D3DXTRANSITION_LINEAR));
    ASSERT_NE(0u, m_controller->KeyTrackWeight(1, 1.0f, 0.0, 0.01, D3DXTRANSITION_LINEAR));

    Frame(0.0055);
    EXPECT_NEAR(0.45f, Desc(0).Weight, 1e-5f);
    EXPECT_NEAR(0.55f, Desc(1).Weight, 1e-5f);
    EXPECT_TRUE(Desc(0).Enable);
    EXPECT_NEAR(5.5f, m_bone._41, 1e-4f);

    Frame(0.0055);
    EXPECT_EQ(0.0f, Desc(0).Weight);
    EXPECT_EQ(0.0f, Desc(0).Speed);
    EXPECT_FALSE(Desc(0).Enable);
    EXPECT_EQ(1.0f, Desc(1).Weight);
    EXPECT_EQ(1.0f, Desc(1).Speed);
    EXPECT_FLOAT_EQ(10.0f, m_bone._41);
    // Every event has run: the whole event budget is free again.
    for (int i = 0; i < 8; ++i) EXPECT_NE(0u, m_controller->KeyTrackEnable(1, TRUE, 1.0));
}

TEST_F(ControllerTest, ResetTimeKeepsPendingEventsDueAtTheSameDistance) {
    Play(0, MakeStillSet("Stand", "Bone", 0.0f));
    m_controller->AdvanceTime(0.0055, nullptr);
    // Keyed at 0.01 while the clock shows 0.0055: due 0.0045 s from now.
    m_controller->KeyTrackEnable(0, FALSE, 0.01);
    m_controller->KeyTrackWeight(0, 0.0f, 0.0055, 0.002, D3DXTRANSITION_LINEAR);
    m_controller->ResetTime();
    EXPECT_EQ(0.0, m_controller->GetTime());
    m_controller->AdvanceTime(0.001, nullptr);
    EXPECT_NEAR(0.5f, Desc(0).Weight, 1e-5f);
    m_controller->AdvanceTime(0.003, nullptr);
    EXPECT_TRUE(Desc(0).Enable);
    EXPECT_EQ(0.0f, Desc(0).Weight);
    m_controller->AdvanceTime(0.0005, nullptr);
    EXPECT_FALSE(Desc(0).Enable);
}

TEST_F(ControllerTest, UnkeyingRemovesOnlyThatTracksEventsAndFreesPlaces) {
    Play(0, MakeStillSet("Stand", "Bone", 0.0f));
    Play(1, MakeStillSet("Dash", "Bone", 10.0f));
    std::vector<D3DXEVENTHANDLE> handles;
    for (int i = 0; i < 4; ++i) handles.push_back(m_controller->KeyTrackEnable(0, FALSE, 0.5));
    for (int i = 0; i < 4; ++i)
        handles.push_back(m_controller->KeyTrackSpeed(1, 3.0f, 0.5, 0.0, D3DXTRANSITION_LINEAR));
    for (size_t i = 0; i < handles.size(); ++i) EXPECT_EQ(i + 1, handles[i]);
    // The maximum is 8 events, and there is no track 2.
    EXPECT_EQ(0u, m_controller->KeyTrackEnable(0, FALSE, 0.5));
    EXPECT_EQ(0u, m_controller->KeyTrackEnable(2, FALSE, 0.0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_controller->UnkeyAllTrackEvents(2));

    ASSERT_EQ(S_OK, m_controller->UnkeyAllTrackEvents(0));
    EXPECT_NE(0u, m_controller->KeyTrackPosition(0, 0.25, 0.5));
    m_controller->AdvanceTime(1.0, nullptr);
    EXPECT_TRUE(Desc(0).Enable);
    // The key, due during this step, sets 0.25; then the whole step is added.
    EXPECT_DOUBLE_EQ(1.25, Desc(0).Position);
    EXPECT_EQ(3.0f, Desc(1).Speed);
}

TEST_F(ControllerTest, CloneSharesSetsAndOutputsButKeepsItsOwnState) {
    ID3DXAnimationSet* walk = Play(0, MakeSet("Walk", {"Bone"}, 0, 10));
    m_controller->KeyTrackEnable(0, FALSE, 1.0);
    m_controller->AdvanceTime(0.5, nullptr);

    ID3DXAnimationController* clone = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, m_controller->CloneAnimationController(1, 4, 2, 8, &clone));
    EXPECT_EQ(nullptr, clone);
    ASSERT_EQ(S_OK, m_controller->CloneAnimationController(4, 4, 3, 8, &clone));
    EXPECT_EQ(3u, clone->GetMaxNumTracks());
    EXPECT_EQ(0.5, clone->GetTime());
    ID3DXAnimationSet* shared = nullptr;
    ASSERT_EQ(S_OK, clone->GetAnimationSet(0, &shared));
    EXPECT_EQ(walk, shared);
    shared->Release();

    // The clone runs on and its copied event fires; the original is untouched.
    clone->SetTrackSpeed(0, 2.0f);
    clone->AdvanceTime(0.25, nullptr);
    EXPECT_NEAR(5.0f, m_bone._41, 1e-5f);  // the clone writes the shared frame, at 1.0 s
    clone->AdvanceTime(0.5, nullptr);
    D3DXTRACK_DESC cloned{};
    clone->GetTrackDesc(0, &cloned);
    EXPECT_DOUBLE_EQ(1.0, cloned.Position);
    EXPECT_FALSE(cloned.Enable);
    EXPECT_DOUBLE_EQ(0.5, Desc(0).Position);
    EXPECT_TRUE(Desc(0).Enable);
    EXPECT_EQ(0.5, m_controller->GetTime());
    m_controller->AdvanceTime(0.5, nullptr);
    EXPECT_FALSE(Desc(0).Enable);

    // The clone holds its own references to the sets: they outlive the original.
    m_controller->Release();
    m_controller = nullptr;
    ASSERT_EQ(S_OK, clone->GetTrackAnimationSet(0, &shared));
    EXPECT_STREQ("Walk", shared->GetName());
    shared->Release();
    clone->Release();
    EXPECT_EQ(2u, walk->AddRef());  // the test's reference and this one
    walk->Release();
}

}  // namespace
