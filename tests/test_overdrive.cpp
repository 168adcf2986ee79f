#include <gtest/gtest.h>

#include "game/Beam.h"
#include "game/OverDrive.h"
#include "platform/crt/random.h"
#include "support/weapon_fixture.h"

namespace {
class OverDriveTest : public WeaponTest {
protected:
    void SetUp() override {
        WeaponTest::SetUp();
        // The dragon flying level at height 4.0.
        D3DXMatrixTranslation(&m_dragon, 0.0f, 4.0f, 0.0f);
        m_overDrive.SetTexture(BillBoardTexture("Texture/FireBall.png"));
        m_overDrive.OverDriveInit(&m_dragon);
    }
    void TearDown() override {
        m_overDrive.EndProc();
        CBeam::DeleteInstance();
        WeaponTest::TearDown();
    }
    void Launch(unsigned kind) {
        D3DXVECTOR3 velocity(0.0f, 0.0f, 0.5f);
        m_overDrive.CreateOverDrive(&velocity, kind);
    }
    // The oldest live shell run by that callback, or null.
    BillBoardNode* Shell(BillBoardProc update) {
        std::vector<BillBoardNode*> shells = Nodes(update);
        return shells.empty() ? nullptr : shells.front();
    }

    D3DXMATRIX m_dragon;
    COverDrive m_overDrive;
};
}  // namespace

TEST_F(OverDriveTest, SpiralShellSinksUnderGravityAndTurnsIntoTheBeamWhereItComesDown) {
    Launch(0);
    BillBoardNode* shell = Shell(COverDrive::ConflagrationEvilUpdate);
    ASSERT_NE(shell, nullptr);
    EXPECT_TRUE(SoundPlayed("Sound/SE/FireBall.wav"));

    for (int n = 1; n <= 62; ++n) {
        Frame();
        ASSERT_EQ(Shell(COverDrive::ConflagrationEvilUpdate), shell) << "came down early, update " << n;
        const float drop = 0.001f * static_cast<float>(n * (n + 1) / 2);
        EXPECT_NEAR(shell->m_World._42, 4.0f - drop, 1e-4f) << n;
        EXPECT_NEAR(shell->m_World._43, 0.5f * static_cast<float>(n), 0.05f) << n;
        EXPECT_EQ(Count(CBeam::BeamProcess), 0);
    }
    EXPECT_EQ(Count(COverDrive::ExplodeProcess), 31) << "a trail burst every second update";
    const float downAt = shell->m_World._43;

    // The 63rd update brings it to 2.0 or below: the shell goes and the
    // emitter starts there, running once in the same walk.
    Frame();
    EXPECT_EQ(Count(COverDrive::ConflagrationEvilUpdate), 0);
    std::vector<BillBoardNode*> emitters = Nodes(CBeam::BeamProcess);
    ASSERT_EQ(emitters.size(), 1u);
    EXPECT_EQ(emitters[0]->m_Count, 5);
    EXPECT_EQ(Count(CBeam::UpdateBeam), 1);
    EXPECT_LE(emitters[0]->m_World._42, 2.0f);
    EXPECT_GT(emitters[0]->m_World._43, downAt);
    EXPECT_TRUE(SoundPlayed("Sound/SE/FireDrive.wav"));
}

TEST_F(OverDriveTest, TrailBurstsAreDamagingPlayerHitsWithRandomDriftDrawnInOrder) {
    Launch(0);
    const CrtRandomGenerator before(CrtRandState());
    Frame();
    std::vector<BillBoardNode*> bursts = Nodes(COverDrive::ExplodeProcess);
    ASSERT_EQ(bursts.size(), 1u);
    BillBoardNode* burst = bursts[0];
    EXPECT_EQ(burst->m_Count, 1) << "created ahead of the tail, updated in the same walk";

    CrtRandomGenerator expected = before;
    const float x = static_cast<float>(expected.Next()) / 32768.0f * 0.02f - 0.01f;
    const float y = static_cast<float>(expected.Next()) / 32768.0f * 0.02f - 0.01f;
    const float z = static_cast<float>(expected.Next()) / 32768.0f * 0.04f - 0.02f;
    EXPECT_FLOAT_EQ(burst->m_Velocity.x, x);
    EXPECT_FLOAT_EQ(burst->m_Velocity.y, y);
    EXPECT_FLOAT_EQ(burst->m_Velocity.z, z * 1.1f);
    // The burst starts where the shell was launched and drifts by one step.
    EXPECT_NEAR(burst->m_World._41, x, 1e-6f);
    EXPECT_NEAR(burst->m_World._42, 4.0f + y, 1e-6f);

    CSphereHit enemy;
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, 0.0f, 4.0f, 3.0f);
    EXPECT_EQ(m_manager->JudgmentProcess(enemy, at, USE_PLAYER, EFFECT_DAMAGE), 1);

    // Additive while it drifts, alpha blended from age 25, gone after 64.
    Frames(24);
    EXPECT_EQ(burst->m_Blend, 1);
    Frame();
    EXPECT_EQ(burst->m_Blend, 2);
    EXPECT_EQ(burst->m_Count, 26);
    Frames(38);
    std::vector<BillBoardNode*> left = Nodes(COverDrive::ExplodeProcess);
    EXPECT_EQ(left.size(), 31u) << "32 dropped in flight, the first gone at age 64";
    for (BillBoardNode* node : left) EXPECT_LT(node->m_Count, 64);
}

TEST_F(OverDriveTest, RingShellStaysAsTheRingOriginUntilTheSequenceEnds) {
    Launch(1);
    BillBoardNode* shell = Shell(COverDrive::InfinityEvilUpdate);
    ASSERT_NE(shell, nullptr);
    Frames(62);
    EXPECT_EQ(CShot::GetInstance()->m_ShotState, 0);
    Frame();  // comes down: the launcher is armed, the shell stays
    ASSERT_EQ(Shell(COverDrive::InfinityEvilUpdate), shell);
    EXPECT_EQ(CShot::GetInstance()->m_ShotState, 1);
    EXPECT_EQ(Count(CShot::UpdateShotEx), 0);

    Frame();
    EXPECT_EQ(Count(CShot::UpdateShotEx), 18);
    const float height = shell->m_World._42;
    Frames(79);
    EXPECT_EQ(Shell(COverDrive::InfinityEvilUpdate), shell);
    EXPECT_EQ(shell->m_World._42, height) << "stays in place while the rings fly";
    Frame();  // the 81st call reports the end
    EXPECT_EQ(Count(COverDrive::InfinityEvilUpdate), 0);
    EXPECT_EQ(CShot::GetInstance()->m_ShotState, 0);
}

TEST_F(OverDriveTest, OnlyTheTwoKindsLaunchAndAShellStartedLowComesDownAtOnce) {
    Launch(2);
    EXPECT_EQ(m_manager->m_List.m_lpHead->m_lpNext, m_manager->m_List.m_lpTail);

    // After 200 updates a shell comes down wherever it is.
    D3DXMatrixTranslation(&m_dragon, 0.0f, 300.0f, 0.0f);
    Launch(0);
    Frames(199);
    EXPECT_EQ(Count(CBeam::BeamProcess), 0);
    Frame();
    EXPECT_EQ(Count(CBeam::BeamProcess), 1);

    // Launched below the coming-down height it never flies.
    D3DXMatrixTranslation(&m_dragon, 0.0f, 1.5f, 0.0f);
    Launch(0);
    Frame();
    EXPECT_EQ(Count(COverDrive::ConflagrationEvilUpdate), 0);
    EXPECT_EQ(Count(CBeam::BeamProcess), 2);
}

TEST_F(OverDriveTest, NothingUnderTheSeaIsDrawnOrCommitted) {
    BillBoardNode burst;
    burst.Init(5.0f, 0xFFFFFFFF);
    burst.SetTexture(m_overDrive.m_lpTexture);
    burst.m_Blend = 1;
    for (float height : {0.9f, 5.0f}) {
        burst.Identity();
        burst.Move(0.0f, height, 0.0f);
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        Device()->BeginScene();
        COverDrive::RenderOverDrive(&burst);
        Device()->EndScene();
        // The quad of side 5 at 40 ahead covers the middle of the screen.
        const std::uint32_t middle = PixelAt(400, 300 - static_cast<unsigned>((height - 5.0f) * 7.0f));
        if (height < 1.0f) {
            EXPECT_EQ(middle & 0xFFFFFF, 0u);
            EXPECT_EQ(burst.m_OldWorld._42, 0.0f);
        } else {
            EXPECT_NE(middle & 0xFFFFFF, 0u);
            EXPECT_EQ(burst.m_OldWorld._42, 5.0f);
        }
    }
}
