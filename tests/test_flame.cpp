#include <gtest/gtest.h>

#include "game/Flame.h"
#include "game/SphereHit.h"
#include "lib/DirectSound.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/crt/random.h"
#include "platform/d3d9/texture.h"
#include "support/billboard_fixture.h"

namespace {
class FlameTest : public BillBoardSceneTest {
protected:
    void SetUp() override {
        BillBoardSceneTest::SetUp();
        m_generator = CFlameGenerator::GetInstance();
        m_generator->FlameInit();
    }
    void TearDown() override {
        CFlameGenerator::DeleteInstance();
        EXPECT_EQ(CFlameGenerator::m_lpFlameGenerator, nullptr);
        BillBoardSceneTest::TearDown();
    }
    IDirect3DTexture9* Picture(int index) {
        return CTextureManager::GetInst()->GetTexture(Device(), m_generator->m_TextureName[index], 0, 0, 0, 0, 0, 0);
    }
    CFlameGenerator* m_generator = nullptr;
};
}  // namespace

TEST_F(FlameTest, FlameFadesFromFullAlphaFlickersAndIsGoneAfter255Updates) {
    EXPECT_STREQ(m_generator->m_TextureName[5], "Texture/Flame/Flame6.png");
    D3DXMatrixRotationY(&m_camera, 0.3f);  // facing it shows in the flame's matrix
    CrtRandomGenerator expected(CrtRandState());
    D3DXVECTOR3 position(0.0f, -4.0f, 20.0f);
    m_generator->CreateFlame(&position);
    BillBoardNode* flame = NodesRunBy(CFlameGenerator::FlameProcess).at(0);
    EXPECT_EQ(flame->m_lpTexture, Picture(expected.Next() % 6));
    ASSERT_NE(flame->m_lpTexture, nullptr);
    EXPECT_EQ(flame->m_Vertex[0].x, -0.1f);
    EXPECT_EQ(flame->m_Vertex[3].x, 3.0f);
    EXPECT_EQ(flame->m_Vertex[3].y, 8.0f);
    EXPECT_EQ(flame->m_Vertex[0].y, 0.0f);
    EXPECT_EQ(flame->m_lpSphereHit, nullptr);

    // The picture is drawn anew every fourth countdown value, after the
    // three numbers of the drift.
    float rise = 0.0f;
    for (int update = 1; update <= 255; ++update) {
        const std::int32_t countdown = flame->m_Count;
        expected.Next();
        rise += static_cast<float>(expected.Next()) / 32767.0f * 0.01f;
        expected.Next();
        IDirect3DTexture9* picture = flame->m_lpTexture;
        if (countdown % 4 == 0) picture = Picture(expected.Next() % 6);
        Frame();
        if (update == 255) break;
        ASSERT_EQ(flame->m_Vertex[2].colour, static_cast<D3DCOLOR>(256 - update) << 24 | 0xFFFFFF) << update;
        ASSERT_EQ(flame->m_lpTexture, picture) << update;
        ASSERT_NEAR(flame->m_World._42, -4.0f + rise, 1e-4) << update;
        EXPECT_EQ(flame->m_World._11, m_camera._11);
        if (update == 1) {
            EXPECT_TRUE(SaveShot("flame_first_frame.png"));
        }
    }
    EXPECT_EQ(LiveCount(), 0u);
    EXPECT_EQ(CrtRandState(), expected.State());
}

TEST_F(FlameTest, FlamesNeverCountInAHitQuery) {
    D3DXVECTOR3 position(0.0f, 0.0f, 10.0f);
    m_generator->CreateFlame(&position);
    m_generator->CreateFlame(&position);
    Frame();
    const D3DXVECTOR3 centre(0, 0, 0);
    const float radius = 100.0f;
    CSphereHit everything(&centre, &radius);
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, 0.0f, 0.0f, 10.0f);
    for (USE_TYPE use : {USE_NONE, USE_PLAYER, USE_ENEMY, USE_ITEM})
        for (EFFECT_TYPE effect : {EFFECT_DAMAGE, EFFECT_EXPLODE, EFFECT_RECOVERY})
            EXPECT_EQ(m_manager->JudgmentProcess(everything, at, use, effect), 0);
    for (BillBoardNode* flame : NodesRunBy(CFlameGenerator::FlameProcess)) {
        EXPECT_EQ(flame->m_UseType, USE_NONE);
        EXPECT_EQ(flame->m_EffectType, EFFECT_EXPLODE);
    }
}
