// CCurry: the friendly character that the humans of its area shoot at and
// the player protects. Like the human enemy it is steered only by flags:
// its area has it run to the player while the humans threaten it, and
// raises the hit flag, which the run procedure turns into damage, a loss of
// 10 life for the player, and in the end its death. It never counts toward
// the score.
#pragma once
#include <cstdint>

#include "game/EnemyCommon.h"

class CSphereHit;

enum CURRY_STATUS : int32_t {
    CURRY_STATUS_NORMAL = 0,
    CURRY_STATUS_DAMAGED = 2,
    CURRY_STATUS_DEAD = 4,
};

// Indices into CCurry::m_Flag.
enum CURRY_FLAG : int {
    CURRY_FLAG_TURN_LEFT = 0,
    CURRY_FLAG_RUN = 1,
    CURRY_FLAG_TURN_RIGHT = 2,
    CURRY_FLAG_HIT = 3,
    CURRY_FLAG_ATTACK = 5,
    CURRY_FLAG_SPECIAL = 7,
};

// Animation sets of "Curry.x" that the procedures use.
enum CURRY_ANIMATION : UINT {
    CURRY_ANIME_DEATH = 2,
    CURRY_ANIME_DAMAGE = 3,
    CURRY_ANIME_ATTACK = 4,
    CURRY_ANIME_SPECIAL = 6,
    CURRY_ANIME_RUN = 7,
    CURRY_ANIME_STAND = 8,
};

// Seconds of animation per step; hurt and dying play slower.
constexpr double CurryAnimationTime = 0.0075;
constexpr double CurryHurtAnimationTime = 0.0055;

class CCurry : public CBoneObject {
public:
    using Procedure = void (CCurry::*)();

    CCurry();
    ~CCurry() override;

    // target: the player's committed matrix; playerLife: the player's Life.
    // The mesh must be attached first (the hit sphere comes from it).
    void InitProc(D3DXMATRIXA16* target, int16_t* playerLife);
    void EndProc();
    // One step of behaviour.
    void UpdateProcess();

    D3DXMATRIXA16* GetTargetMatrix() const { return m_lpTargetMatrix; }

    void PROC_Run();
    void PROC_Stand();
    void PROC_Attack();
    void PROC_DAMEG();
    void PROC_Dead();

    uint8_t m_Flag[10] = {};
    D3DXVECTOR3 m_Velocity{0.0f, 0.0f, 0.0f};
    float m_YawSpeed = 0.0f;
    int32_t m_Count = 0;
    int32_t m_Wait = 0;
    int32_t m_Alive = 1;
    CSphereHit* m_lpSphereHit = nullptr;
    Procedure m_pProc = nullptr;
    D3DXMATRIXA16* m_lpTargetMatrix = nullptr;
    int32_t m_CurryStatus = CURRY_STATUS_NORMAL;
    int16_t* m_lpPlayerLife = nullptr;
    int16_t m_HitPoint = 0;

private:
    void AnimationStep(double step);
    void TurnFlags();
    void SwitchTo(Procedure procedure, UINT animation, float blend) {
        enemy::SwitchTo(*this, procedure, animation, blend);
    }
};
