#include <gtest/gtest.h>

#include "game/Curry.h"
#include "game/Hito.h"
#include "game/SphereHit.h"
#include "support/enemy_fixture.h"

namespace {

class HitoTest : public EnemyTest {
protected:
    void SetUp() override {
        EnemyTest::SetUp();
        Attach(m_hito, m_hitoMesh, HITO_ANIME_WALK);
        m_hito.InitProc(ENEMY_TYPE_HITO, &m_kills);
    }
    void TearDown() override {
        m_hito.EndProc();
        EnemyTest::TearDown();
    }
    // One engaged frame: behaviour, then the pose is committed when drawn.
    void Step() {
        m_hito.Process();
        m_hito.SetTransform();
    }
    // Steps until the procedure is p; the number of steps taken (0 if it is
    // already there), or -1 after limit steps.
    int StepsUntil(CHito::Procedure p, int limit = 1000) {
        for (int steps = 0; steps <= limit; ++steps) {
            if (m_hito.m_pProc == p) return steps;
            Step();
        }
        return -1;
    }
    void Hit() { m_hito.m_Flag[HITO_FLAG_DAMAGED] = 1; }

    CHito m_hito;
    int m_kills = 0;
};

TEST_F(HitoTest, StartsStandingWithTwoHitPointsAndTheMeshSphere) {
    EXPECT_EQ(m_hito.m_pProc, &CHito::PROC_Stand);
    EXPECT_EQ(m_hito.m_HitPoint, 2);
    EXPECT_EQ(m_hito.m_Alive, 1);
    ASSERT_NE(m_hito.m_lpSphereHit, nullptr);
    EXPECT_GT(m_hito.m_lpSphereHit->GetRadius(), 0.0f);
    EXPECT_EQ(m_hito.m_lpSphereHit->GetRadius(), m_hitoMesh.GetBoundingRadius());
    // Without flags it stands where it was placed.
    for (int i = 0; i < 20; ++i) Step();
    EXPECT_EQ(m_hito.m_pProc, &CHito::PROC_Stand);
    EXPECT_FLOAT_EQ(m_hito.m_World._43, 0.0f);
}

TEST_F(HitoTest, WalksStraightWithoutTargetAndTowardsItsTargetWithOne) {
    m_hito.m_Flag[HITO_FLAG_WALK] = 1;
    Step();
    EXPECT_EQ(m_hito.m_pProc, &CHito::PROC_Walk);
    for (int i = 1; i < 50; ++i) Step();
    // 0.02 a step along its own forward axis, the world z at the start.
    EXPECT_NEAR(m_hito.m_World._43, 50 * 0.02f, 1e-4f);
    EXPECT_NEAR(m_hito.m_World._41, 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(m_hito.m_World._42, 0.0f);

    // A target to its right: it turns to face it and walks there.
    D3DXMATRIXA16 target;
    D3DXMatrixTranslation(&target, 10.0f, 0.0f, 1.0f);
    m_hito.SetTargetMatrix(&target);
    for (int i = 0; i < 100; ++i) Step();
    EXPECT_NEAR(m_hito.m_World._41, 2.0f, 0.05f);
    EXPECT_NEAR(m_hito.m_World._43, 1.0f, 0.05f);
    EXPECT_NEAR(m_hito.m_World._31, 1.0f, 1e-4f);  // forward axis points at it

    m_hito.m_Flag[HITO_FLAG_WALK] = 0;
    Step();
    EXPECT_EQ(m_hito.m_pProc, &CHito::PROC_Stand);
}

TEST_F(HitoTest, AttackLastsSixtyOneStepsThenRepeatsAfterEightStepsOfRest) {
    m_hito.m_Flag[HITO_FLAG_ATTACK] = 1;
    Step();
    ASSERT_EQ(m_hito.m_pProc, &CHito::PROC_Attack);
    EXPECT_EQ(m_hito.m_CurrentAnimation, static_cast<UINT>(HITO_ANIME_ATTACK));
    EXPECT_EQ(StepsUntil(&CHito::PROC_Stand), 61);
    EXPECT_EQ(m_hito.m_Wait, 7);  // the hand-over step already rested once
    // The flag is still raised: after the rest it attacks again.
    EXPECT_EQ(StepsUntil(&CHito::PROC_Attack), 8);
    EXPECT_EQ(m_hito.m_Flag[HITO_FLAG_ATTACK], 1);
}

TEST_F(HitoTest, FirstHitKnocksDownForThirtyStepsSecondKillsAndCountsOnce) {
    Hit();
    Step();
    EXPECT_EQ(m_hito.m_pProc, &CHito::PROC_DAMEG);
    EXPECT_EQ(m_hito.GetStatus(), static_cast<uint32_t>(HITO_STATUS_DAMAGED));
    EXPECT_EQ(m_hito.m_HitPoint, 1);
    EXPECT_EQ(m_hito.m_CurrentAnimation, static_cast<UINT>(HITO_ANIME_DAMAGE));
    // Further hits while it is down change nothing.
    Hit();
    EXPECT_EQ(StepsUntil(&CHito::PROC_StandUp), 29);
    EXPECT_EQ(m_hito.GetStatus(), static_cast<uint32_t>(HITO_STATUS_NORMAL));
    EXPECT_EQ(m_hito.m_Flag[HITO_FLAG_DAMAGED], 0);
    EXPECT_EQ(m_hito.m_CurrentAnimation, static_cast<UINT>(HITO_ANIME_STAND_UP));
    EXPECT_EQ(m_hito.m_HitPoint, 1);

    // A hit during the stand-up is dropped when it ends.
    Hit();
    const int standingUp = StepsUntil(&CHito::PROC_Stand);
    // 90 % of the 0.367 s stand-up at 0.0055 a step, a step more for the fade.
    EXPECT_GE(standingUp, 60);
    EXPECT_LE(standingUp, 62);
    EXPECT_EQ(m_hito.m_Flag[HITO_FLAG_DAMAGED], 0);
    EXPECT_EQ(m_hito.m_Wait, 9);

    // A hit during the rest waits for it to end, then kills.
    Hit();
    for (int i = 0; i < 9; ++i) Step();
    EXPECT_EQ(m_hito.m_pProc, &CHito::PROC_Stand);
    EXPECT_EQ(m_kills, 0);
    Step();
    EXPECT_EQ(m_hito.m_pProc, &CHito::PROC_Dead);
    EXPECT_EQ(m_hito.GetStatus(), static_cast<uint32_t>(HITO_STATUS_DYING));
    EXPECT_EQ(m_kills, 1);

    int steps = 0;
    while (m_hito.m_Alive && steps < 1000) {
        Hit();  // hits on a dying enemy count for nothing
        Step();
        ++steps;
    }
    EXPECT_EQ(m_hito.m_Alive, 0);
    EXPECT_EQ(m_hito.GetStatus(), static_cast<uint32_t>(HITO_STATUS_DEAD));
    EXPECT_EQ(m_kills, 1);
    // The 0.513 s fall plays to 90 % (84 steps) and then lies still for 61
    // more; the step of the hit was the first.
    EXPECT_GE(steps, 84 + 61 - 1);
    EXPECT_LE(steps, 84 + 61 + 1);
    for (int flag : m_hito.m_Flag) EXPECT_EQ(flag, 0);
}

TEST_F(HitoTest, AWalkingEnemyThatIsHitHandsOverToStandingAndIsHurtThere) {
    m_hito.m_Flag[HITO_FLAG_WALK] = 1;
    Step();
    ASSERT_EQ(m_hito.m_pProc, &CHito::PROC_Walk);
    // Its area clears the walk flag with the hit.
    m_hito.m_Flag[HITO_FLAG_WALK] = 0;
    Hit();
    Step();
    EXPECT_EQ(m_hito.m_pProc, &CHito::PROC_DAMEG);
    EXPECT_EQ(m_hito.m_HitPoint, 1);
}

TEST_F(HitoTest, RunFollowsItsForwardAxisAndStopsWhenTheFlagDrops) {
    m_hito.m_Flag[HITO_FLAG_RUN] = 1;
    Step();
    ASSERT_EQ(m_hito.m_pProc, &CHito::PROC_Run);
    for (int i = 0; i < 10; ++i) Step();
    // 0.08 along the axis, less a fifth before it is applied.
    EXPECT_NEAR(m_hito.m_World._43, 11 * 0.064f, 1e-4f);
    m_hito.m_Flag[HITO_FLAG_RUN] = 0;
    Step();
    EXPECT_EQ(m_hito.m_pProc, &CHito::PROC_Stand);
}

class CurryTest : public EnemyTest {
protected:
    void SetUp() override {
        EnemyTest::SetUp();
        Attach(m_curry, m_curryMesh, CURRY_ANIME_RUN);
        D3DXMatrixTranslation(&m_player, 0.0f, 4.0f, 30.0f);
        m_curry.InitProc(&m_player, &m_life);
    }
    void TearDown() override {
        m_curry.EndProc();
        EnemyTest::TearDown();
    }
    void Step() {
        m_curry.UpdateProcess();
        m_curry.SetTransform();
    }
    CCurry m_curry;
    D3DXMATRIXA16 m_player;
    int16_t m_life = 400;
};

TEST_F(CurryTest, WithTheRunFlagClearItStandsAndIgnoresHits) {
    EXPECT_EQ(m_curry.m_pProc, &CCurry::PROC_Run);
    EXPECT_EQ(m_curry.m_HitPoint, 10);
    Step();
    EXPECT_EQ(m_curry.m_pProc, &CCurry::PROC_Stand);
    EXPECT_EQ(m_curry.m_CurrentAnimation, static_cast<UINT>(CURRY_ANIME_STAND));
    m_curry.m_Flag[CURRY_FLAG_HIT] = 1;
    for (int i = 0; i < 400; ++i) Step();
    EXPECT_EQ(m_curry.m_pProc, &CCurry::PROC_Stand);
    EXPECT_EQ(m_curry.m_Flag[CURRY_FLAG_HIT], 1);
    EXPECT_EQ(m_curry.m_HitPoint, 10);
    EXPECT_EQ(m_life, 400);
}

TEST_F(CurryTest, RunningItWalksToThePlayerAndFiveHitsCostFiftyLifeTheSixthKills) {
    m_curry.m_Flag[CURRY_FLAG_RUN] = 1;
    for (int i = 0; i < 100; ++i) Step();
    EXPECT_EQ(m_curry.m_pProc, &CCurry::PROC_Run);
    EXPECT_NEAR(m_curry.m_World._43, 2.0f, 0.05f);  // 0.02 a step towards the player
    EXPECT_FLOAT_EQ(m_curry.m_World._42, 0.0f);     // pinned to the sea, not lifted to it

    for (int hit = 1; hit <= 5; ++hit) {
        m_curry.m_Flag[CURRY_FLAG_HIT] = 1;
        Step();
        ASSERT_EQ(m_curry.m_pProc, &CCurry::PROC_DAMEG) << hit;
        EXPECT_EQ(m_curry.m_CurryStatus, CURRY_STATUS_DAMAGED);
        EXPECT_EQ(m_life, 400 - 10 * hit);
        // Down for 300 steps; the hit is cleared as it gets up.
        int steps = 1;
        while (m_curry.m_pProc == &CCurry::PROC_DAMEG) {
            Step();
            ++steps;
        }
        EXPECT_EQ(steps, 300);
        EXPECT_EQ(m_curry.m_pProc, &CCurry::PROC_Run);
        EXPECT_EQ(m_curry.m_Flag[CURRY_FLAG_HIT], 0);
        EXPECT_EQ(m_curry.m_HitPoint, 10 - 2 * hit);
        EXPECT_EQ(m_curry.m_Wait, 10);
        // A hit during the 10-step rest waits for it.
        m_curry.m_Flag[CURRY_FLAG_HIT] = 1;
        for (int i = 0; i < 10; ++i) Step();
        EXPECT_EQ(m_curry.m_pProc, &CCurry::PROC_Run);
        m_curry.m_Flag[CURRY_FLAG_HIT] = 0;
    }
    m_curry.m_Flag[CURRY_FLAG_HIT] = 1;
    Step();
    EXPECT_EQ(m_curry.m_pProc, &CCurry::PROC_Dead);
    EXPECT_EQ(m_life, 350);
    int steps = 0;
    while (m_curry.m_Alive && steps < 1000) {
        Step();
        ++steps;
    }
    EXPECT_EQ(m_curry.m_Alive, 0);
    EXPECT_EQ(m_curry.m_CurryStatus, CURRY_STATUS_DEAD);
    // 90 % of the 0.5 s fall at the slow step (82), then 61 still steps.
    EXPECT_GE(steps, 82 + 61 - 2);
    EXPECT_LE(steps, 82 + 61 + 1);
}

TEST_F(CurryTest, AttackEndsAtSevenTenthsOfASecondOfTrackThenRestsEightSteps) {
    Step();  // standing
    m_curry.m_Flag[CURRY_FLAG_ATTACK] = 1;
    Step();
    ASSERT_EQ(m_curry.m_pProc, &CCurry::PROC_Attack);
    int steps = 0;
    while (m_curry.m_pProc == &CCurry::PROC_Attack && steps < 1000) {
        Step();
        ++steps;
    }
    EXPECT_EQ(m_curry.m_pProc, &CCurry::PROC_Stand);
    // 0.7 s of track at 0.0075 a step, a little more while the fade ramps.
    EXPECT_GE(steps, 94);
    EXPECT_LE(steps, 96);
    EXPECT_EQ(m_curry.m_Wait, 7);
}

}  // namespace
