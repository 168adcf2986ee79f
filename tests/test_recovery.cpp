#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "game/PlayerStatus.h"
#include "game/Recovery.h"
#include "platform/crt/random.h"
#include "support/weapon_fixture.h"

namespace {
class RecoveryTest : public WeaponTest {
protected:
    void SetUp() override {
        WeaponTest::SetUp();
        D3DXMatrixTranslation(&m_dragon, 0.0f, 5.0f, 0.0f);
        m_status = StartingPlayerStatus();
        const D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
        const float radius = 1.0f;
        m_dragonSphere = CSphereHit(&centre, &radius);
    }
    void TearDown() override {
        CRecovery::DeleteInstance();
        WeaponTest::TearDown();
    }
    // One game frame with the dragon's energy test ahead of the billboards.
    void DragonFrame() {
        if (m_status.Energy <= 400 &&
            m_manager->JudgmentProcess(m_dragonSphere, m_dragon, USE_ITEM, EFFECT_RECOVERY) >= 1)
            m_status.Energy = static_cast<int16_t>(std::min(m_status.Energy + 1, 400));
        Frame();
    }
    BillBoardNode* Item() {
        std::vector<BillBoardNode*> items = Nodes(CRecovery::RecoveryUpdateProcess);
        return items.empty() ? nullptr : items.front();
    }
    // Frames until the item has caught the dragon; the frame count.
    int UntilCaught(int limit) {
        for (int frame = 1; frame <= limit; ++frame) {
            DragonFrame();
            if (!Item()) return frame;
        }
        return -1;
    }

    D3DXMATRIX m_dragon;
    CSphereHit m_dragonSphere;
    PlayerStatus m_status;
};
}  // namespace

TEST_F(RecoveryTest, ItemCatchesUpWithTheFleeingDragonAndBurstsIntoAFlashThere) {
    D3DXMATRIX curry;
    D3DXMatrixTranslation(&curry, 0.0f, 5.0f, -20.0f);
    CRecovery::GetInstance()->CreateRecovery(&m_dragon, &curry);
    BillBoardNode* item = Item();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_lpTarget, &m_dragon);

    const CrtRandomGenerator before(CrtRandState());
    float gap = 20.0f;
    for (int frame = 0; frame < 100; ++frame) {
        m_dragon._43 += 0.08f;  // the dragon flies straight away
        DragonFrame();
        ASSERT_EQ(Item(), item);
        const float now = m_dragon._43 - item->m_OldWorld._43;
        EXPECT_LE(now, gap - 0.0199f) << frame;
        gap = now;
        // Neither a damaging hit nor a refill while in flight.
        EXPECT_EQ(m_manager->JudgmentProcess(m_dragonSphere, m_dragon, USE_ITEM, EFFECT_RECOVERY), 0);
        EXPECT_EQ(m_manager->JudgmentProcess(m_dragonSphere, m_dragon, USE_PLAYER, EFFECT_DAMAGE), 0);
    }
    // It flickers with one draw per frame, in the shared sequence.
    CrtRandomGenerator expected = before;
    for (int frame = 0; frame < 99; ++frame) expected.Next();
    EXPECT_EQ(static_cast<int>(item->m_Vertex[0].colour >> 24), expected.Next() % 56 + 200);

    const int frames = UntilCaught(2000);
    ASSERT_GT(frames, 0);
    std::vector<BillBoardNode*> flashes = Nodes(CRecovery::RecoveryFlash);
    ASSERT_EQ(flashes.size(), 1u);
    // Caught on the rim of the dragon's chest sphere (2.72 ahead of it, 1.0
    // wide) by the item's own 2.5.
    EXPECT_NEAR(flashes[0]->m_World._43, m_dragon._43 + 2.7237f - 3.5f, 0.12f);
    EXPECT_EQ(flashes[0]->m_UseType, USE_ITEM);
    EXPECT_EQ(flashes[0]->m_EffectType, EFFECT_RECOVERY);
    EXPECT_TRUE(SoundPlayed("Sound/SE/unison_ok.wav"));
}

TEST_F(RecoveryTest, ItemTurnsAtMostFiveDegreesAFrameTowardsItsTarget) {
    D3DXMATRIX curry;
    D3DXMatrixTranslation(&curry, 20.0f, 5.0f, 0.0f);  // beside the dragon, facing past it
    CRecovery::GetInstance()->CreateRecovery(&m_dragon, &curry);
    BillBoardNode* item = Item();
    Frames(10);
    // Ten turns of 5 degrees from +z towards -x; the heading is kept in
    // m_OldWorld while m_World faces the camera.
    const float heading = std::atan2(item->m_OldWorld._31, item->m_OldWorld._33) * 180.0f / 3.14159265f;
    EXPECT_NEAR(heading, -50.0f, 0.5f);
    EXPECT_GT(UntilCaught(400), 0) << "comes round and reaches the dragon";
}

TEST_F(RecoveryTest, FlashFadesOverThirtyFramesAndRefillsEnergyWhileItLasts) {
    D3DXMATRIX curry;
    D3DXMatrixTranslation(&curry, 0.0f, 5.0f, -5.0f);
    CRecovery::GetInstance()->CreateRecovery(&m_dragon, &curry);
    m_status.Energy = 300;
    ASSERT_GT(UntilCaught(100), 0);
    BillBoardNode* flash = Nodes(CRecovery::RecoveryFlash)[0];
    // It has had its first update: the alpha of age 0.
    EXPECT_EQ(flash->m_Vertex[0].colour, 0xFFFFFFFFu);
    ASSERT_EQ(m_status.Energy, 300);
    Frames(15);  // the update at age 15 set it
    EXPECT_EQ(flash->m_Vertex[0].colour >> 24, 127u);
    Frames(14);
    EXPECT_EQ(flash->m_Vertex[0].colour >> 24, 8u);
    Frame();
    EXPECT_EQ(flash->m_Vertex[0].colour >> 24, 0u);
    EXPECT_EQ(flash->m_Count, 31);

    // The dragon stays inside for the rest of the flash's life.
    m_status.Energy = 300;
    for (int frame = 0; frame < 30 && Count(CRecovery::RecoveryFlash) == 1; ++frame) DragonFrame();
    EXPECT_EQ(Count(CRecovery::RecoveryFlash), 0) << "gone at age 50";
    EXPECT_EQ(m_status.Energy, 300 + 19) << "one point per frame it was there";

    // A full flash gives at most 50 and never passes 400.
    for (int16_t start : {300, 380}) {
        m_status.Energy = start;
        D3DXMatrixTranslation(&curry, 0.0f, 5.0f, -5.0f);
        CRecovery::GetInstance()->CreateRecovery(&m_dragon, &curry);
        ASSERT_GT(UntilCaught(100), 0);
        for (int frame = 0; frame < 60; ++frame) DragonFrame();
        EXPECT_EQ(m_status.Energy, std::min(start + 49, 400)) << start;
    }
}

TEST_F(RecoveryTest, ItemIsDrawnWhereItIsWithoutCommittingItsDrawingMatrix) {
    D3DXMATRIX curry;
    D3DXMatrixTranslation(&curry, 0.0f, 5.0f, 0.0f);
    D3DXMATRIX farAway;
    D3DXMatrixTranslation(&farAway, 0.0f, 5.0f, 1000.0f);
    CRecovery::GetInstance()->CreateRecovery(&farAway, &curry);
    m_manager->UpdateProcess();
    BillBoardNode* item = Item();
    item->m_World._11 = 3.0f;  // a drawing-only matrix the commit would copy
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    Device()->BeginScene();
    m_manager->RendreProcess();
    Device()->EndScene();
    EXPECT_NE(item->m_OldWorld._11, 3.0f);
    const std::uint32_t centre = PixelAt(400, 300);
    EXPECT_GT(centre & 0xFF, 0x40u) << std::hex << centre;
    EXPECT_EQ(PixelAt(400, 200) & 0xFFFFFF, 0u) << "nothing far from the item";

    // Outside the view it is not drawn.
    item->m_World._41 = 500.0f;
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    m_manager->RendreProcess();
    EXPECT_EQ(PixelAt(400, 300) & 0xFFFFFF, 0u);
}
