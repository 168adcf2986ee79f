#include <gtest/gtest.h>

#include <cmath>

#include "game/FireBall.h"
#include "game/SphereHit.h"
#include "lib/DirectSound.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/crt/random.h"
#include "support/billboard_fixture.h"

namespace {
class FireBallTest : public BillBoardSceneTest {
protected:
    void SetUp() override {
        BillBoardSceneTest::SetUp();
        m_generator = CFireBallGenerator::GetInstance();
    }
    void TearDown() override {
        CFireBallGenerator::DeleteInstance();
        EXPECT_EQ(CFireBallGenerator::lpFireBallGenerator, nullptr);
        BillBoardSceneTest::TearDown();
    }
    IDirect3DTexture9* Cached(const char* name) {
        return CTextureManager::GetInst()->GetTexture(Device(), name, D3DX_DEFAULT, D3DX_DEFAULT, 4294967296.0f,
                                                      4294967296.0f, 0, 0);
    }
    std::size_t Count(BillBoardProc update) const { return NodesRunBy(update).size(); }

    CFireBallGenerator* m_generator = nullptr;
};

// rand() / 32768 x k, drawn from a copy of the shared generator.
float Draw(CrtRandomGenerator& generator, float k) { return static_cast<float>(generator.Next()) / 32768.0f * k; }
}  // namespace

TEST_F(FireBallTest, StraightFireBallSinksUnderGravityDropsBurstsAndDiesAtHeightThree) {
    ASSERT_EQ(CDirectSound::GetInstance()->DirectSoundInit(m_window), 1);
    D3DXMATRIX origin;
    D3DXMatrixTranslation(&origin, 1.0f, 4.0f, 0.0f);
    D3DXVECTOR3 velocity(0.0f, 0.0f, 0.6f);
    m_generator->CreateFireBall(&origin, &velocity);
    EXPECT_EQ(m_generator->m_lpTexture, Cached("Texture/FireBallNormal.png"));
    ASSERT_NE(m_generator->m_lpTexture, nullptr);
    EXPECT_GT(dsound::PlayCalls(CDirectSound::GetInstance()->GetSecondryBuffer("Sound/SE/FireBall.wav")), 0u);

    BillBoardNode* ball = NodesRunBy(CFireBallGenerator::FireBallProcess).at(0);

    // The first frame's burst starts where the ball was drawn last, with a
    // small random drift drawn x, y, z.
    CrtRandomGenerator expected(CrtRandState());
    Frame();
    const float driftX = Draw(expected, 0.02f) - 0.01f;
    const float driftY = Draw(expected, 0.02f) - 0.01f;
    const float driftZ = Draw(expected, 0.04f) - 0.02f;
    std::vector<BillBoardNode*> bursts = NodesRunBy(CFireBallGenerator::ExplodeProcess);
    ASSERT_EQ(bursts.size(), 1u);
    BillBoardNode* burst = bursts[0];
    EXPECT_FLOAT_EQ(burst->m_Velocity.x, driftX);
    EXPECT_FLOAT_EQ(burst->m_Velocity.y, driftY);
    EXPECT_FLOAT_EQ(burst->m_Velocity.z, driftZ * 1.1f);  // its own first update ran in the same walk
    EXPECT_FLOAT_EQ(burst->m_World._41, 1.0f + driftX);
    EXPECT_FLOAT_EQ(burst->m_World._42, 4.0f + driftY);
    EXPECT_EQ(burst->m_lpTexture, m_generator->m_lpTexture);
    EXPECT_EQ(burst->m_UseType, USE_PLAYER);
    EXPECT_EQ(burst->m_EffectType, EFFECT_DAMAGE);
    EXPECT_EQ(burst->m_lpSphereHit->GetRadius(), 5.0f);

    int frames = 1;
    while (Count(CFireBallGenerator::FireBallProcess) == 1 && frames < 300) {
        ASSERT_NEAR(ball->m_World._42, 4.0f - 0.001f * frames * (frames + 1) / 2, 1e-4) << frames;
        EXPECT_NEAR(ball->m_World._43, 0.6f * frames, 1e-3);
        EXPECT_EQ(Count(CFireBallGenerator::ExplodeProcess), static_cast<std::size_t>((frames + 1) / 2));
        Frame();
        ++frames;
    }
    // 0.001 x 45 x 46 / 2 is the first drop of more than 1.0.
    EXPECT_EQ(frames, 45);
    EXPECT_TRUE(SaveShot("fireball_trail.png"));
    CDirectSound::GetInstance()->FreeBuffer();
    CDirectSound::GetInstance()->DirectSoundRelease();
}

TEST_F(FireBallTest, BurstsPlayTheSheetOnceAndCountAsHitsOfTheirOwnerAllTheirLife) {
    // The camera is turned so that facing it is visible in the matrix.
    D3DXMatrixRotationY(&m_camera, 0.5f);
    D3DXMATRIX origin;
    D3DXMatrixTranslation(&origin, 0.0f, 50.0f, 0.0f);
    D3DXMATRIX target;
    D3DXMatrixTranslation(&target, 0.0f, 50.0f, 500.0f);
    D3DXVECTOR3 velocity(0.0f, 0.0f, 0.3f);
    m_generator->CreateFireBallEx(origin, velocity, &target, USE_ENEMY);
    Frame();
    // Only the first burst is wanted: the carrier goes in the next walk.
    NodesRunBy(CFireBallGenerator::FireBallExProcess).at(0)->m_UpdateProc = [](BillBoardNode*) { return 1; };
    BillBoardNode* burst = NodesRunBy(CFireBallGenerator::ExplodeProcess).at(0);
    EXPECT_EQ(burst->m_lpTexture, Cached("Texture/EnemyFireBall.png"));
    ASSERT_NE(burst->m_lpTexture, nullptr);

    const D3DXVECTOR3 centre(0, 0, 0);
    const float radius = 0.1f;
    CSphereHit probe(&centre, &radius);
    D3DXMATRIX at;
    for (int age = 1; age <= 63; ++age) {
        // The frame shown is the age at the update: column age % 8, row age / 8.
        const int frame = age - 1;
        ASSERT_FLOAT_EQ(burst->m_Vertex[1].u, (frame % 8) / 8.0f) << age;
        ASSERT_FLOAT_EQ(burst->m_Vertex[1].v, (frame / 8) / 8.0f) << age;
        EXPECT_EQ(burst->m_Blend, frame > 24 ? 2 : 1) << age;
        EXPECT_EQ(burst->m_World._11, m_camera._11);
        D3DXMatrixTranslation(&at, burst->m_World._41, burst->m_World._42, burst->m_World._43);
        // At age 1 the carrier, an enemy hit too, is still beside it.
        EXPECT_EQ(m_manager->JudgmentProcess(probe, at, USE_ENEMY, EFFECT_DAMAGE), age == 1 ? 2 : 1) << age;
        EXPECT_EQ(m_manager->JudgmentProcess(probe, at, USE_PLAYER, EFFECT_DAMAGE), 0);
        const D3DXVECTOR3 before(burst->m_World._41, burst->m_World._42, burst->m_World._43);
        Frame();
        if (age == 63) break;
        // Moving for ages 0 to 24, still afterwards.
        const bool moved = before != D3DXVECTOR3(burst->m_World._41, burst->m_World._42, burst->m_World._43);
        EXPECT_EQ(moved, age <= 24) << age;
    }
    // The 64th update removed it.
    EXPECT_EQ(LiveCount(), 0u);
}

TEST_F(FireBallTest, EnemyHomingFireBallTurnsAtMostFiveDegreesAndVanishesAtThePlayer) {
    D3DXMATRIX origin;
    D3DXMatrixTranslation(&origin, 0.0f, 50.0f, 0.0f);
    // Ahead and a little to the right, facing the fireball: its body sphere
    // lies on the way in.
    D3DXMATRIX player;
    D3DXMatrixRotationY(&player, D3DX_PI);
    player._41 = 6.0f;
    player._42 = 50.0f;
    player._43 = 30.0f;
    D3DXVECTOR3 velocity(0.0f, 0.0f, 0.5f);
    m_generator->CreateFireBallEx(origin, velocity, &player, USE_ENEMY);
    BillBoardNode* ball = NodesRunBy(CFireBallGenerator::FireBallExProcess).at(0);
    EXPECT_EQ(ball->m_lpTarget, &player);
    EXPECT_EQ(ball->m_UseType, USE_ENEMY);

    float previousHeading = 0.0f;
    int frames = 0;
    while (Count(CFireBallGenerator::FireBallExProcess) == 1 && frames < 200) {
        Frame();
        ++frames;
        if (Count(CFireBallGenerator::FireBallExProcess) == 0) break;
        const float heading = std::atan2(ball->m_World._31, ball->m_World._33) * 57.29578f;
        EXPECT_LE(std::fabs(heading - previousHeading), 5.0f + 1e-3f) << frames;
        if (frames == 1) {
            EXPECT_GT(heading, 1.0f);
        }
        previousHeading = heading;
    }
    // It reaches the body sphere (z about 27.3 - 1.3) after some 52 frames,
    // long before its 120 run out.
    EXPECT_GT(frames, 45);
    EXPECT_LT(frames, 60);
    for (BillBoardNode* burst : NodesRunBy(CFireBallGenerator::ExplodeProcess)) EXPECT_EQ(burst->m_UseType, USE_ENEMY);
}

TEST_F(FireBallTest, PlayerHomingFireBallPassesThroughItsTargetAndLivesItsFullTime) {
    D3DXMATRIX origin;
    D3DXMatrixTranslation(&origin, 0.0f, 50.0f, 0.0f);
    D3DXMATRIX enemy;
    D3DXMatrixTranslation(&enemy, 0.0f, 50.0f, 6.0f);
    D3DXVECTOR3 velocity(0.0f, 0.0f, 0.8f);
    m_generator->CreateFireBallEx(origin, velocity, &enemy, USE_PLAYER);
    for (int frame = 1; frame < 120; ++frame) {
        Frame();
        ASSERT_EQ(Count(CFireBallGenerator::FireBallExProcess), 1u) << frame;
    }
    Frame();
    EXPECT_EQ(Count(CFireBallGenerator::FireBallExProcess), 0u);
    for (BillBoardNode* burst : NodesRunBy(CFireBallGenerator::ExplodeProcess)) EXPECT_EQ(burst->m_UseType, USE_PLAYER);
}

TEST_F(FireBallTest, ExplosionDriftsUpwardsAndNeverHits) {
    CrtRandomGenerator expected(CrtRandState());
    D3DXVECTOR3 position(2.0f, 3.0f, 40.0f);
    m_generator->CreateExplode(&position);
    const float x = Draw(expected, 0.04f) - 0.02f;
    const float y = Draw(expected, 0.03f) + 0.02f;
    const float z = Draw(expected, 0.04f) - 0.02f;
    BillBoardNode* explosion = NodesRunBy(CFireBallGenerator::ExplodeProcess).at(0);
    EXPECT_EQ(explosion->m_lpTexture, Cached("Texture/Explode.png"));
    EXPECT_FLOAT_EQ(explosion->m_Velocity.x, x);
    EXPECT_FLOAT_EQ(explosion->m_Velocity.y, y);
    EXPECT_FLOAT_EQ(explosion->m_Velocity.z, z);

    const D3DXVECTOR3 centre(0, 0, 0);
    const float radius = 100.0f;
    CSphereHit everything(&centre, &radius);
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, 2.0f, 3.0f, 40.0f);
    for (USE_TYPE use : {USE_NONE, USE_PLAYER, USE_ENEMY})
        for (EFFECT_TYPE effect : {EFFECT_DAMAGE, EFFECT_EXPLODE})
            EXPECT_EQ(m_manager->JudgmentProcess(everything, at, use, effect), 0);

    // It rises by y a frame for its first 25 updates, then stays.
    for (int i = 0; i < 25; ++i) Frame();
    EXPECT_NEAR(explosion->m_World._42, 3.0f + 25 * y, 1e-4);
    for (int i = 0; i < 5; ++i) Frame();
    EXPECT_NEAR(explosion->m_World._42, 3.0f + 25 * y, 1e-4);
    for (int i = 0; i < 34; ++i) Frame();
    EXPECT_EQ(LiveCount(), 0u);
}
