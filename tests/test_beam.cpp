#include <gtest/gtest.h>

#include <cmath>

#include "game/Beam.h"
#include "support/weapon_fixture.h"

namespace {
constexpr float kDegree = 3.14159265f / 180.0f;

class BeamTest : public WeaponTest {
protected:
    void TearDown() override {
        CBeam::DeleteInstance();
        CShot::DeleteInstance();
        WeaponTest::TearDown();
    }
    // Alpha of the node's first vertex.
    static int Alpha(const BillBoardNode* node) { return static_cast<int>(node->m_Vertex[0].colour >> 24); }
};
}  // namespace

TEST_F(BeamTest, EmitterSweepsTwoTurnsOfEverFasterRaysAndLeavesAfter145) {
    D3DXMATRIX place;
    D3DXMatrixTranslation(&place, 0.0f, 3.0f, 10.0f);
    CBeam::GetInstance()->CreateBeam(&place);
    ASSERT_EQ(Count(CBeam::BeamProcess), 1);

    Frames(145);
    ASSERT_EQ(Count(CBeam::BeamProcess), 1);
    std::vector<BillBoardNode*> rays = Nodes(CBeam::UpdateBeam);
    ASSERT_EQ(rays.size(), 145u);
    Frame();
    EXPECT_EQ(Count(CBeam::BeamProcess), 0) << "removed in its 146th update";
    EXPECT_EQ(Count(CBeam::UpdateBeam), 145);

    for (int i : {0, 18, 36, 100, 144}) {
        const float turn = 5.0f * static_cast<float>(i), speed = turn / 720.0f;
        EXPECT_NEAR(rays[i]->m_Velocity.x, speed * std::sin(turn * kDegree), 1e-5f) << i;
        EXPECT_NEAR(rays[i]->m_Velocity.z, speed * std::cos(turn * kDegree), 1e-5f) << i;
        EXPECT_EQ(rays[i]->m_Velocity.y, 0.0f);
    }
    // The first ray stays at the impact point, the last flies 1.0 a frame.
    EXPECT_FLOAT_EQ(rays[0]->m_World._41, 0.0f);
    EXPECT_FLOAT_EQ(rays[0]->m_World._43, 10.0f);
    const float lastZ = rays[144]->m_World._43;
    Frame();
    EXPECT_NEAR(rays[144]->m_World._43 - lastZ, 1.0f, 1e-5f);
    EXPECT_NEAR(rays[144]->m_World._42, 3.0f, 1e-5f);

    // Each ray is a large player hit.
    CSphereHit enemy;
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, 7.0f, 3.0f, 10.0f);
    EXPECT_GE(m_manager->JudgmentProcess(enemy, at, USE_PLAYER, EFFECT_DAMAGE), 1);
    EXPECT_EQ(m_manager->JudgmentProcess(enemy, at, USE_ENEMY, EFFECT_DAMAGE), 0);
}

TEST_F(BeamTest, RayWidensStandsAlongItsTravelFadesAfter120AndGoesAt180) {
    D3DXMATRIX place;
    D3DXMatrixTranslation(&place, 0.0f, 3.0f, 10.0f);
    CBeam::GetInstance()->CreateBeam(&place);
    Frames(2);
    BillBoardNode* ray = Nodes(CBeam::UpdateBeam)[1];  // the first one that moves
    ASSERT_EQ(ray->m_Count, 1);
    EXPECT_NEAR(ray->m_Vertex[0].x, -0.505f, 1e-6f);
    EXPECT_NEAR(ray->m_Vertex[3].x, 0.505f, 1e-6f);
    // Its long side (local y) points the way it flies: +z, turned 5 degrees.
    EXPECT_NEAR(ray->m_World._21, std::sin(5.0f * kDegree), 1e-5f);
    EXPECT_NEAR(ray->m_World._23, std::cos(5.0f * kDegree), 1e-5f);

    Frames(120);  // age 121
    EXPECT_EQ(Alpha(ray), 255);
    Frames(30);  // the update at age 150 set it
    EXPECT_EQ(ray->m_Count, 151);
    EXPECT_EQ(Alpha(ray), 127);
    Frames(28);
    EXPECT_EQ(ray->m_Count, 179);
    const int before = Count(CBeam::UpdateBeam);
    Frame();
    EXPECT_EQ(Count(CBeam::UpdateBeam), before - 1) << "one ray reached 180";
}

TEST_F(BeamTest, ShotsFireOnlyWhenArmedInFortyAlternatingRingsOfEighteen) {
    CShot* shot = CShot::GetInstance();
    shot->ShotInit();
    D3DXMATRIX place;
    D3DXMatrixRotationY(&place, 90.0f * kDegree);  // facing +x
    place._42 = 3.0f;
    EXPECT_FALSE(shot->CreateShotEx(&place));
    EXPECT_EQ(Count(CShot::UpdateShotEx), 0);

    shot->ShotLaunching(&place);
    IDirect3DTexture9* textures[2] = {BillBoardTexture("Texture/Effect/Shot_09.png"),
                                      BillBoardTexture("Texture/Effect/DEATH.png")};
    for (int call = 1; call <= 80; ++call) {
        ASSERT_TRUE(shot->CreateShotEx(&place)) << call;
        ASSERT_EQ(Count(CShot::UpdateShotEx), 18 * ((call + 1) / 2)) << call;
        if (call == 10) {
            shot->ShotLaunching(&place);  // already armed: the sequence runs on
            EXPECT_EQ(shot->m_ShotCount, 50);
        }
    }
    EXPECT_FALSE(shot->CreateShotEx(&place));
    EXPECT_EQ(shot->m_ShotState, 0);
    EXPECT_TRUE(SoundPlayed("Sound/SE/Bomb3.wav"));

    std::vector<BillBoardNode*> shots = Nodes(CShot::UpdateShotEx);
    for (int ring : {0, 1, 39}) {
        for (int i : {0, 1, 17}) {
            const BillBoardNode* one = shots[18 * ring + i];
            // Forward from the place (+x), turned 20 degrees per shot and
            // 2 more per ring.
            const float turn = (90.0f + 20.0f * static_cast<float>(i) + 2.0f * static_cast<float>(ring)) * kDegree;
            EXPECT_NEAR(one->m_Velocity.x, 0.5f * std::sin(turn), 1e-5f) << ring << " " << i;
            EXPECT_NEAR(one->m_Velocity.z, 0.5f * std::cos(turn), 1e-5f) << ring << " " << i;
            EXPECT_EQ(one->m_lpTexture, textures[ring % 2]) << ring;
        }
    }
}

TEST_F(BeamTest, ShotFliesAtFullAlphaThenFadesAndGoesAt80) {
    CShot* shot = CShot::GetInstance();
    shot->ShotInit();
    D3DXMATRIX place;
    D3DXMatrixTranslation(&place, 0.0f, 3.0f, 0.0f);
    shot->ShotLaunching(&place);
    shot->CreateShotEx(&place);
    BillBoardNode* first = Nodes(CShot::UpdateShotEx)[0];
    Frames(51);
    EXPECT_EQ(Alpha(first), 255);
    EXPECT_NEAR(first->m_World._43, 0.5f * 51, 1e-3f);
    Frame();
    EXPECT_EQ(Alpha(first), 250);
    Frames(27);
    EXPECT_EQ(Count(CShot::UpdateShotEx), 18);
    Frame();
    EXPECT_EQ(Count(CShot::UpdateShotEx), 0);
}
