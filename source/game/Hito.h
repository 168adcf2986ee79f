// CHito: the human enemy. Its area decides when it walks or attacks and
// whether it was hit, by raising flags; the procedures below turn the flags
// into animation, movement, damage and death. Two effective hits kill it,
// and each death adds one to the mission's kill counter.
#pragma once
#include <cstdint>

#include "game/EnemyCommon.h"

class CSphereHit;

enum HITO_STATUS : uint32_t {
    HITO_STATUS_NORMAL = 0,
    HITO_STATUS_DAMAGED = 2,
    HITO_STATUS_DYING = 3,
    HITO_STATUS_DEAD = 4,
};

// Indices into CHito::m_Flag.
enum HITO_FLAG : int {
    HITO_FLAG_TURN_LEFT = 0,
    HITO_FLAG_RUN = 1,
    HITO_FLAG_TURN_RIGHT = 2,
    HITO_FLAG_WALK = 4,
    HITO_FLAG_ATTACK = 5,
    HITO_FLAG_DAMAGED = 7,
};

// Animation sets of "hito.x".
enum HITO_ANIMATION : UINT {
    HITO_ANIME_WALK = 0,
    HITO_ANIME_STAND_UP = 1,
    HITO_ANIME_STAND = 2,
    HITO_ANIME_RUN = 3,
    HITO_ANIME_ATTACK = 4,
    HITO_ANIME_DEATH = 5,
    HITO_ANIME_DAMAGE = 6,
};

// Seconds of animation per step.
constexpr double HitoAnimationTime = 0.0055;

class CHito : public CBoneObject {
public:
    using Procedure = void (CHito::*)();

    CHito();
    ~CHito() override;

    // Takes the hit sphere from the mesh's bounding sphere, so the mesh must
    // be attached first.
    void InitProc(ENEMY_TYPE type, int* killCount);
    void EndProc();
    // One step of behaviour.
    void Process();

    uint32_t GetStatus() const { return m_HitoStatus; }
    void SetTargetMatrix(D3DXMATRIXA16* target) { m_lpTargetMatrix = target; }
    D3DXMATRIXA16* GetTarGetMatrixAddress() const { return m_lpTargetMatrix; }

    void PROC_Stand();
    void PROC_Walk();
    void PROC_Run();
    void PROC_Attack();
    void PROC_DAMEG();
    void PROC_StandUp();
    void PROC_Dead();

    Procedure m_pProc = nullptr;
    ENEMY_TYPE m_EnemyType = ENEMY_TYPE_HITO;
    uint32_t m_HitoStatus = HITO_STATUS_NORMAL;
    D3DXMATRIXA16* m_lpTargetMatrix = nullptr;
    uint8_t m_Flag[10] = {};
    D3DXVECTOR3 m_Velocity{0.0f, 0.0f, 0.0f};
    float m_YawSpeed = 0.0f;
    int32_t m_Count = 0;
    int32_t m_Wait = 0;
    int32_t m_Alive = 1;
    int16_t m_HitPoint = 0;
    int32_t* m_lpKillCount = nullptr;
    CSphereHit* m_lpSphereHit = nullptr;

private:
    void AnimationStep();
    void TurnFlags();
    // A raised damaged flag that has not been taken yet.
    bool TakesHit() const;
    // Takes one hit point; knocks the enemy down or kills it.
    void Hurt();
    void SwitchTo(Procedure procedure, UINT animation, float blend) {
        enemy::SwitchTo(*this, procedure, animation, blend);
    }
};
