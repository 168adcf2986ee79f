#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "game/Area.h"
#include "game/Curry.h"
#include "game/Dragoon.h"
#include "game/EnemyManager.h"
#include "game/Hito.h"
#include "game/Recovery.h"
#include "game/SphereHit.h"
#include "lib/BaseShader.h"
#include "lib/Camera.h"
#include "lib/ViewFrustumCulling.h"
#include "platform/crt/random.h"
#include "support/enemy_fixture.h"

namespace {

class EnemyManagerTest : public EnemyTest {
protected:
    void SetUp() override {
        EnemyTest::SetUp();
        if (HasFatalFailure()) return;
        m_dragon = CDragoon::GetInstance();
        m_dragon->m_Status = StartingPlayerStatus();
        D3DXMatrixPerspectiveFovLH(&m_projection, 1.3962634f, 4.0f / 3.0f, 1.0f, 10000.0f);
        LookFrom(0.0f, 0.0f, 0.0f);
    }
    void TearDown() override {
        m_enemies.EndProc();
        CDragoon::DeleteInstance(nullptr);
        EnemyTest::TearDown();
    }

    void Init() { ASSERT_EQ(m_enemies.InitProc(&m_viewer, &m_projection, &m_state), 0); }
    // The camera at (x, y, z) looking along +z.
    void LookFrom(float x, float y, float z) {
        D3DXMatrixTranslation(&m_viewer.m_World, x, y, z);
        m_viewer.SetTransform(nullptr);
    }
    // Replaces the mission's areas by one area around position.
    CArea* OnlyArea(float x, float z) {
        for (CArea* area : m_enemies.m_AreaList) {
            area->EndProc();
            delete area;
        }
        m_enemies.m_AreaList.clear();
        CArea* area = new CArea;
        area->InitProc(&m_enemies.m_HitoList, &m_enemies.m_CurryList, &m_enemies.m_CurryPosList);
        const D3DXVECTOR3 position(x, 0.0f, z);
        area->CreateArea(&position, m_enemies.m_lpHitoMesh, m_enemies.m_lpCurryMesh, &m_enemies.m_KillCount);
        m_enemies.m_AreaList.push_back(area);
        return area;
    }
    // An area of the wanted kind around (x, z): areas are drawn until one is.
    CArea* OnlyAreaOfType(uint32_t type, float x, float z) {
        CArea* area = OnlyArea(x, z);
        while (area->GetAreType() != type) area = OnlyArea(x, z);
        return area;
    }
    template <class Character>
    static void PlaceAt(Character* character, float x, float z) {
        D3DXMatrixTranslation(&character->m_World, x, 0.0f, z);
        character->m_OldWorld = character->m_World;
    }
    // Moves all enemies of the area far out of any view except the first n
    // humans, which stand in a row 20 units ahead of the camera at the origin.
    static void KeepInView(CArea* area, int n) {
        int i = 0;
        for (CHito* hito : area->m_HitoList) {
            if (i < n)
                PlaceAt(hito, -6.0f + 3.0f * static_cast<float>(i), 20.0f);
            else
                PlaceAt(hito, 0.0f, -5000.0f);
            ++i;
        }
        for (CCurry* curry : area->m_CurryList) PlaceAt(curry, 0.0f, -5000.0f);
    }
    // A live projectile of the player's, with a hit sphere, at (x, y, z).
    BillBoardNode* PlayerProjectile(float x, float y, float z, float radius) {
        BillBoardNode* node = m_manager->AddNode();
        D3DXMatrixTranslation(&node->m_World, x, y, z);
        const D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
        node->m_lpSphereHit = new CSphereHit(&centre, &radius);
        node->m_UseType = USE_PLAYER;
        node->m_EffectType = EFFECT_DAMAGE;
        return node;
    }
    // One frame of the enemies as the game scene runs it.
    void Frame() {
        m_enemies.UpdateProc();
        m_enemies.RenderProc();
    }
    // Frames while condition holds, at most limit; the number run.
    template <class Condition>
    int FramesWhile(Condition condition, int limit) {
        int frames = 0;
        for (; frames < limit && condition(); ++frames) Frame();
        return frames;
    }
    std::vector<D3DXMATRIX*> LaserTargets() const {
        return std::vector<D3DXMATRIX*>(std::begin(m_dragon->m_LaserType.m_lpTarget),
                                        std::end(m_dragon->m_LaserType.m_lpTarget));
    }

    CDragoon* m_dragon = nullptr;
    CCamera m_viewer;
    D3DXMATRIXA16 m_projection;
    GAME_STATE m_state = GAME_STATE_PLAY;
    CEnemyManager m_enemies;
};

float Scatter(CrtRandomGenerator& random, float spread) {
    return static_cast<float>(random.Next()) / 32768.0f * spread - spread / 2.0f;
}

TEST_F(EnemyManagerTest, MissionLayoutFollowsTheSharedSequenceDrawForDraw) {
    CrtRandomGenerator expected(CrtRandState());
    Init();
    ASSERT_EQ(m_enemies.m_AreaList.size(), 200u);
    int curryAreas = 0;
    int area = 0;
    for (CArea* a : m_enemies.m_AreaList) {
        const float x = static_cast<float>(expected.Next() % 201 - 100) * 10.0f;
        const float z = static_cast<float>(expected.Next() % 201 - 100) * 10.0f;
        EXPECT_EQ(a->m_Position, D3DXVECTOR3(x, 0.0f, z)) << area;
        const bool withCurry = expected.Next() % 2 == 1;
        ASSERT_EQ(a->m_CurryList.size(), withCurry ? 1u : 0u) << area;
        ASSERT_EQ(a->m_HitoList.size(), withCurry ? 5u : 25u) << area;
        EXPECT_EQ(a->GetAreType(), withCurry ? 0u : 1u) << area;
        if (withCurry) {
            ++curryAreas;
            CCurry* curry = a->m_CurryList.front();
            const float cx = x + Scatter(expected, 40.0f);
            const float cz = z + Scatter(expected, 40.0f);
            expected.Next();  // the loop's second test
            EXPECT_FLOAT_EQ(curry->m_World._41, cx) << area;
            EXPECT_FLOAT_EQ(curry->m_World._43, cz) << area;
            EXPECT_EQ(curry->m_CurrentAnimation, static_cast<UINT>(CURRY_ANIME_RUN));
        }
        const float spread = withCurry ? 40.0f : 60.0f;
        for (CHito* hito : a->m_HitoList) {
            const float hx = x + Scatter(expected, spread);
            const float hz = z + Scatter(expected, spread);
            ASSERT_FLOAT_EQ(hito->m_World._41, hx) << area;
            ASSERT_FLOAT_EQ(hito->m_World._43, hz) << area;
            EXPECT_EQ(hito->m_OldWorld, hito->m_World);
            // Guards face and shoot at their Curry; a squad has no target.
            EXPECT_EQ(hito->GetTarGetMatrixAddress(), withCurry ? &a->m_CurryList.front()->m_OldWorld : nullptr);
        }
        ++area;
    }
    // Nothing else drew from the sequence.
    EXPECT_EQ(CrtRandState(), expected.State());
    EXPECT_GT(curryAreas, 70);
    EXPECT_LT(curryAreas, 130);
    EXPECT_EQ(m_enemies.m_KillCount, 0);
    EXPECT_EQ(m_enemies.m_Combo, 0);
}

TEST_F(EnemyManagerTest, OnlyEnemiesWithinSeventyUnitsAndTheViewAreEngaged) {
    Init();
    CArea* area = OnlyAreaOfType(AREA_TYPE_HITO_ONLY, 0.0f, 40.0f);
    std::vector<CHito*> humans(area->m_HitoList.begin(), area->m_HitoList.end());
    for (CHito* hito : humans) PlaceAt(hito, 0.0f, -5000.0f);
    PlaceAt(humans[0], 0.0f, 60.0f);   // ahead, in reach
    PlaceAt(humans[1], 0.0f, 80.0f);   // ahead, too far
    PlaceAt(humans[2], 60.0f, 10.0f);  // near, but far out to the side
    PlaceAt(humans[3], 0.0f, -10.0f);  // behind
    m_enemies.UpdateProc();
    EXPECT_EQ(area->GetAreaStatus(), 1u);
    ASSERT_EQ(m_enemies.m_HitoList.size(), 1u);
    EXPECT_EQ(m_enemies.m_HitoList.front(), humans[0]);
    std::list<D3DXVECTOR3> positions;
    m_enemies.GetEnemyPos(&positions);
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_EQ(positions.front(), D3DXVECTOR3(0.0f, 0.0f, 60.0f));

    // Nothing in reach: the area is not engaged and its enemies do nothing.
    PlaceAt(humans[0], 0.0f, 75.0f);
    humans[0]->m_Flag[HITO_FLAG_WALK] = 1;
    Frame();
    EXPECT_EQ(area->GetAreaStatus(), 0u);
    EXPECT_TRUE(m_enemies.m_HitoList.empty());
    EXPECT_EQ(humans[0]->m_pProc, &CHito::PROC_Stand);
}

TEST_F(EnemyManagerTest, AreaResultAndTypeFollowItsLivingEnemies) {
    Init();
    CArea* area = OnlyAreaOfType(AREA_TYPE_CURRY, 0.0f, 40.0f);
    CCurry* curry = area->m_CurryList.front();
    PlaceAt(curry, 5.0f, 500.0f);
    m_enemies.UpdateProc();
    EXPECT_EQ(area->m_AreaResult, AREA_RESULT_OPEN);
    // The area follows its Curry, and so do the HUD's lists.
    EXPECT_EQ(area->m_Position, D3DXVECTOR3(5.0f, 0.0f, 500.0f));
    ASSERT_EQ(m_enemies.m_CurryPosList.size(), 1u);
    EXPECT_EQ(m_enemies.m_CurryPosList.front(), D3DXVECTOR3(5.0f, 0.0f, 500.0f));
    EXPECT_EQ(m_enemies.GetEnemyPosListAddress(), &m_enemies.m_CurryPosList);

    curry->m_Alive = 0;
    m_enemies.UpdateProc();
    EXPECT_EQ(area->m_AreaResult, AREA_RESULT_CURRY_LOST);
    EXPECT_EQ(area->GetAreType(), static_cast<uint32_t>(AREA_TYPE_HITO_ONLY));
    EXPECT_TRUE(m_enemies.m_CurryPosList.empty());
    // Its humans keep the fallen Curry as their target.
    EXPECT_EQ(area->m_HitoList.front()->GetTarGetMatrixAddress(), &curry->m_OldWorld);

    for (CHito* hito : area->m_HitoList) hito->m_Alive = 0;
    m_enemies.UpdateProc();
    EXPECT_EQ(area->m_AreaResult, AREA_RESULT_HUMANS_DOWN);
}

TEST_F(EnemyManagerTest, ComboSurvives120UpdatesWithoutAHitAndEndsOnThe121st) {
    Init();
    LookFrom(0.0f, 5000.0f, 0.0f);  // nothing in reach
    m_enemies.m_Combo = 3;
    m_enemies.m_ComboTimer = 0;
    for (int i = 0; i < 120; ++i) m_enemies.UpdateProc();
    EXPECT_EQ(m_enemies.m_Combo, 3);
    EXPECT_EQ(m_enemies.m_ComboTimer, 120);
    m_enemies.UpdateProc();
    EXPECT_EQ(m_enemies.m_Combo, 0);
    EXPECT_EQ(m_enemies.m_ComboTimer, 0);
    // Without a combo the timer stays still.
    m_enemies.UpdateProc();
    EXPECT_EQ(m_enemies.m_ComboTimer, 0);
}

TEST_F(EnemyManagerTest, PlayerProjectilesKnockDownThenKillAndEachHitCountsForTheCombo) {
    Init();
    CArea* area = OnlyAreaOfType(AREA_TYPE_HITO_ONLY, 0.0f, 40.0f);
    KeepInView(area, 1);
    CHito* target = area->m_HitoList.front();
    BillBoardNode* projectile = PlayerProjectile(-6.0f, 0.0f, 20.0f, 0.01f);

    Frame();
    EXPECT_EQ(m_enemies.m_Combo, 1);
    EXPECT_EQ(target->GetStatus(), static_cast<uint32_t>(HITO_STATUS_DAMAGED));
    EXPECT_EQ(target->m_HitPoint, 1);
    // While it is down the projectile is not tested against it.
    EXPECT_EQ(FramesWhile([&] { return target->GetStatus() == HITO_STATUS_DAMAGED; }, 100), 29);
    EXPECT_EQ(m_enemies.m_Combo, 1);
    // Getting up, it is hit again each update, but only the hit after the
    // stand-up and its rest takes effect.
    FramesWhile([&] { return target->GetStatus() != HITO_STATUS_DYING; }, 300);
    ASSERT_EQ(target->GetStatus(), static_cast<uint32_t>(HITO_STATUS_DYING));
    EXPECT_EQ(m_enemies.m_KillCount, 1);
    EXPECT_GT(m_enemies.m_Combo, 2);
    EXPECT_EQ(m_enemies.m_ComboTimer, 0);
    EXPECT_FALSE(NodesRunBy(CFlameGenerator::FlameProcess).empty());  // a flame where it fell

    // The projectile goes; the dying enemy plays out and leaves the lists.
    projectile->m_UseType = USE_NONE;
    FramesWhile([&] { return target->m_Alive != 0; }, 1000);
    EXPECT_EQ(target->m_Alive, 0);
    Frame();
    EXPECT_TRUE(m_enemies.m_HitoList.empty());
    EXPECT_EQ(m_enemies.m_KillCount, 1);
}

TEST_F(EnemyManagerTest, ADyingHumanOutOfViewStillCompletesItsDeath) {
    Init();
    CArea* area = OnlyAreaOfType(AREA_TYPE_HITO_ONLY, 0.0f, 40.0f);
    KeepInView(area, 1);
    CHito* target = area->m_HitoList.front();
    target->m_HitPoint = 1;
    PlayerProjectile(-6.0f, 0.0f, 20.0f, 0.01f);
    Frame();
    ASSERT_EQ(target->GetStatus(), static_cast<uint32_t>(HITO_STATUS_DYING));
    LookFrom(0.0f, 5000.0f, 0.0f);
    int updates = 0;
    while (target->m_Alive && updates < 1000) {
        m_enemies.UpdateProc();
        ++updates;
    }
    EXPECT_EQ(target->m_Alive, 0);
    EXPECT_LT(updates, 200);
}

TEST_F(EnemyManagerTest, LaserTargetsRepeatTheEngagedEnemiesCurriesFirstExceptInPowerMode) {
    Init();
    CArea* area = OnlyAreaOfType(AREA_TYPE_CURRY, 0.0f, 40.0f);
    KeepInView(area, 3);
    CCurry* curry = area->m_CurryList.front();
    PlaceAt(curry, 0.0f, 30.0f);
    std::vector<CHito*> humans(area->m_HitoList.begin(), area->m_HitoList.end());

    m_enemies.UpdateProc();
    std::vector<D3DXMATRIX*> targets = LaserTargets();
    const std::vector<D3DXMATRIX*> cycle = {&curry->m_OldWorld, &humans[0]->m_OldWorld, &humans[1]->m_OldWorld,
                                            &humans[2]->m_OldWorld};
    for (int k = 0; k < 20; ++k) EXPECT_EQ(targets[k], cycle[k % 4]) << k;

    m_dragon->m_Status.AttackMode = 2;
    m_enemies.UpdateProc();
    targets = LaserTargets();
    for (int k = 0; k < 20; ++k) EXPECT_EQ(targets[k], cycle[1 + k % 3]) << k;

    // Nothing engaged, or a volley in flight: the laser keeps its targets.
    LookFrom(0.0f, 5000.0f, 0.0f);
    m_enemies.UpdateProc();
    EXPECT_EQ(LaserTargets(), targets);
    LookFrom(0.0f, 0.0f, 0.0f);
    m_dragon->m_Status.AttackMode = 1;
    m_dragon->m_LaserType.m_Type = 7;
    m_dragon->m_LaserType.m_Pattern = 1;
    m_enemies.UpdateProc();
    EXPECT_EQ(LaserTargets(), targets);
    m_dragon->m_LaserType.m_Type = 0;
    m_dragon->m_LaserType.m_Pattern = 0;
}

TEST_F(EnemyManagerTest, TwentyFiveEngagedHumansGiveTheLaserTheFirstTwenty) {
    Init();
    CArea* area = OnlyAreaOfType(AREA_TYPE_HITO_ONLY, 0.0f, 40.0f);
    int i = 0;
    for (CHito* hito : area->m_HitoList) {
        PlaceAt(hito, -12.0f + static_cast<float>(i % 5) * 6.0f, 20.0f + static_cast<float>(i / 5) * 6.0f);
        ++i;
    }
    m_enemies.UpdateProc();
    ASSERT_EQ(m_enemies.m_HitoList.size(), 25u);
    std::vector<D3DXMATRIX*> targets = LaserTargets();
    auto hito = area->m_HitoList.begin();
    for (int k = 0; k < 20; ++k, ++hito) EXPECT_EQ(targets[k], &(*hito)->m_OldWorld) << k;
}

TEST_F(EnemyManagerTest, AreaArrowPointsAtTheFarthestCurryAreaAndAtTheOriginWithoutOne) {
    Init();
    D3DXVECTOR3 target;
    m_enemies.m_AreaPosList.clear();
    EXPECT_EQ(*m_enemies.GetAreaNearPosition(&target), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    D3DXMatrixTranslation(&m_dragon->m_OldWorld, 100.0f, 4.0f, 0.0f);
    m_enemies.m_AreaPosList = {D3DXVECTOR3(110.0f, 0.0f, 0.0f), D3DXVECTOR3(100.0f, 0.0f, 300.0f),
                               D3DXVECTOR3(100.0f, 0.0f, -300.0f), D3DXVECTOR3(90.0f, 0.0f, 0.0f)};
    // Equal distances: the later one wins.
    EXPECT_EQ(*m_enemies.GetAreaNearPosition(&target), D3DXVECTOR3(100.0f, 0.0f, -300.0f));

    // Every update lists the Curry areas.
    m_enemies.UpdateProc();
    size_t curryAreas = 0;
    for (CArea* area : m_enemies.m_AreaList) curryAreas += area->GetAreType() == AREA_TYPE_CURRY;
    EXPECT_EQ(m_enemies.m_AreaPosList.size(), curryAreas);
}

TEST_F(EnemyManagerTest, EngagedHumansFireAtTheirCurryOrAtThePlayer) {
    Init();
    // Rolls are 1 in 2000 per human and update: enough updates for some.
    auto firstEnemyFireball = [&]() -> BillBoardNode* {
        for (BillBoardNode* node : NodesRunBy(CFireBallGenerator::FireBallExProcess))
            if (node->m_UseType == USE_ENEMY) return node;
        return nullptr;
    };
    CArea* squad = OnlyAreaOfType(AREA_TYPE_HITO_ONLY, 0.0f, 40.0f);
    KeepInView(squad, 5);
    for (int i = 0; i < 4000 && !firstEnemyFireball(); ++i) m_enemies.UpdateProc();
    BillBoardNode* shot = firstEnemyFireball();
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->m_lpTarget, &m_dragon->m_OldWorld);
    EXPECT_FLOAT_EQ(shot->m_Velocity.z, 0.5f);
    shot->m_UseType = USE_NONE;

    CArea* guarded = OnlyAreaOfType(AREA_TYPE_CURRY, 0.0f, 40.0f);
    KeepInView(guarded, 5);
    for (int i = 0; i < 4000 && !firstEnemyFireball(); ++i) m_enemies.UpdateProc();
    shot = firstEnemyFireball();
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->m_lpTarget, &guarded->m_CurryList.front()->m_OldWorld);
    EXPECT_FLOAT_EQ(shot->m_Velocity.z, 0.3f);
}

TEST_F(EnemyManagerTest, ALaserAndAProjectileOnOneHumanDamageItOnceButCountTwiceAndTheLaserHitsCurriesToo) {
    Init();
    CArea* area = OnlyAreaOfType(AREA_TYPE_CURRY, 0.0f, 40.0f);
    KeepInView(area, 1);
    CHito* human = area->m_HitoList.front();
    CCurry* curry = area->m_CurryList.front();
    PlaceAt(curry, 6.0f, 20.0f);
    CLaserType& laser = m_dragon->m_LaserType;
    laser.m_Type = 7;
    laser.m_Pattern = 1;
    laser.m_lpTexture = BillBoardTexture("Texture/Laser/BlueRedBeam_.png");
    for (int l = 0; l < 20; ++l) D3DXMatrixTranslation(&laser.m_lpLaser[l].m_World, 0.0f, 0.0f, -3000.0f);
    D3DXMatrixTranslation(&laser.m_lpLaser[0].m_World, -6.0f, 0.0f, 20.0f);
    D3DXMatrixTranslation(&laser.m_lpLaser[1].m_World, 6.0f, 0.0f, 20.0f);
    PlayerProjectile(-6.0f, 0.0f, 20.0f, 0.01f);

    m_enemies.UpdateProc();
    EXPECT_EQ(m_enemies.m_Combo, 3);
    EXPECT_EQ(human->m_Flag[HITO_FLAG_DAMAGED], 1);
    EXPECT_EQ(curry->m_Flag[CURRY_FLAG_HIT], 1);
    m_enemies.RenderProc();
    EXPECT_EQ(human->m_HitPoint, 1);
    EXPECT_EQ(m_enemies.m_KillCount, 0);
    // The Curry runs while its humans live, so the player's own laser hurts
    // it and costs the player life.
    EXPECT_EQ(curry->m_pProc, &CCurry::PROC_DAMEG);
    EXPECT_EQ(curry->m_HitPoint, 9);
    EXPECT_EQ(m_dragon->m_Status.Life, 390);
    laser.m_Type = 0;
    laser.m_Pattern = 0;
}

TEST_F(EnemyManagerTest, ACurryRunsToThePlayerWhileItsAreaIsEngagedAndItsHumansLiveThenStandsUnhurt) {
    Init();
    CArea* area = OnlyAreaOfType(AREA_TYPE_CURRY, 0.0f, 40.0f);
    KeepInView(area, 1);
    CCurry* curry = area->m_CurryList.front();
    PlaceAt(curry, 6.0f, 30.0f);
    LookFrom(0.0f, 0.0f, -10.0f);  // the player stays at the origin, in front of the camera

    // Deciding and running draw nothing from the shared sequence, so the
    // layout and every later draw stay as they were.
    const std::uint32_t state = CrtRandState();
    m_enemies.m_CurryList.clear();
    area->ViewFrustumUpdate();
    EXPECT_EQ(curry->m_Flag[CURRY_FLAG_RUN], 1);
    for (int step = 0; step < 100; ++step) {
        curry->UpdateProcess();
        curry->SetTransform();
    }
    EXPECT_EQ(CrtRandState(), state);
    EXPECT_EQ(curry->m_pProc, &CCurry::PROC_Run);
    EXPECT_LT(curry->m_OldWorld._43, 30.0f - 100 * 0.02f * 0.9f);  // towards the player
    EXPECT_LT(curry->m_OldWorld._41, 6.0f);

    // Out of reach the area is not engaged and the flag drops; nothing steps.
    LookFrom(0.0f, 5000.0f, 0.0f);
    Frame();
    EXPECT_EQ(curry->m_Flag[CURRY_FLAG_RUN], 0);
    EXPECT_EQ(curry->m_pProc, &CCurry::PROC_Run);

    // With all its humans down it stands, and a hit no longer hurts it.
    LookFrom(0.0f, 0.0f, -10.0f);
    for (CHito* hito : area->m_HitoList) hito->m_Alive = 0;
    Frame();
    EXPECT_EQ(curry->m_Flag[CURRY_FLAG_RUN], 0);
    EXPECT_EQ(curry->m_pProc, &CCurry::PROC_Stand);
    curry->m_Flag[CURRY_FLAG_HIT] = 1;
    for (int i = 0; i < 20; ++i) Frame();
    EXPECT_EQ(curry->m_pProc, &CCurry::PROC_Stand);
    EXPECT_EQ(curry->m_HitPoint, 10);
    EXPECT_EQ(m_dragon->m_Status.Life, 400);
}

TEST_F(EnemyManagerTest, AFreedCurrySendsRecoveryItemsToThePlayer) {
    Init();
    CArea* area = OnlyAreaOfType(AREA_TYPE_CURRY, 0.0f, 40.0f);
    CCurry* curry = area->m_CurryList.front();
    PlaceAt(curry, 0.0f, 20.0f);
    for (CHito* hito : area->m_HitoList) hito->m_Alive = 0;
    m_enemies.UpdateProc();
    ASSERT_EQ(area->m_AreaResult, AREA_RESULT_HUMANS_DOWN);
    // One in 700 updates.
    for (int i = 0; i < 7000 && NodesRunBy(CRecovery::RecoveryUpdateProcess).empty(); ++i) m_enemies.UpdateProc();
    std::vector<BillBoardNode*> items = NodesRunBy(CRecovery::RecoveryUpdateProcess);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.front()->m_lpTarget, &m_dragon->m_OldWorld);
    EXPECT_FLOAT_EQ(items.front()->m_World._43, 20.0f);
}

TEST_F(EnemyManagerTest, PausedEnemiesAreDrawnButDoNotMove) {
    BaseShader shader;
    shader.CreateBaseEffect("Shader/BaseHLSL.fx", Device());
    ASSERT_NE(shader.GetEffect(), nullptr);
    Init();
    m_enemies.SetHLSL(&shader, nullptr);
    CArea* area = OnlyAreaOfType(AREA_TYPE_HITO_ONLY, 0.0f, 40.0f);
    KeepInView(area, 0);
    CHito* human = area->m_HitoList.front();
    PlaceAt(human, 0.0f, 4.0f);
    human->m_Flag[HITO_FLAG_WALK] = 1;
    LookFrom(0.0f, 1.0f, 0.0f);
    auto drawnPixels = [&] {
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        Device()->BeginScene();
        Frame();
        Device()->EndScene();
        const d3d9::Pixels pixels = ReadTarget();
        int lit = 0;
        for (unsigned y = 0; y < pixels.height; ++y)
            for (unsigned x = 0; x < pixels.width; ++x) lit += (pixels.At(x, y) & 0xFFFFFF) != 0;
        return lit;
    };

    m_state = GAME_STATE_PAUSE;
    for (int i = 0; i < 5; ++i) EXPECT_GT(drawnPixels(), 2000) << i;
    EXPECT_EQ(human->m_pProc, &CHito::PROC_Stand);
    EXPECT_FLOAT_EQ(human->m_OldWorld._43, 4.0f);

    m_state = GAME_STATE_PLAY;
    drawnPixels();
    drawnPixels();
    EXPECT_EQ(human->m_pProc, &CHito::PROC_Walk);
    EXPECT_GT(human->m_OldWorld._43, 4.0f);
    m_enemies.EndProc();
    shader.Release();
}

}  // namespace
