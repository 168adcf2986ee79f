// Pieces that both enemy kinds share: the kind tag, their voices, and the
// steps their behaviour procedures are built from. A character here is a
// CBoneObject with m_Velocity, m_YawSpeed, m_Count and a procedure pointer
// m_pProc of type Procedure.
#pragma once
#include <cstdint>

#include "lib/BoneObject.h"

class CSphereHit;

enum ENEMY_TYPE : int32_t {
    ENEMY_TYPE_HITO = 1,
};

// Plays the cached buffer once without rewinding: a voice that is still
// sounding goes on undisturbed.
void PlaySoundUnlessPlaying(const char* path);

namespace enemy {

// A hit sphere from the bounding sphere of the character's mesh.
CSphereHit* NewHitSphere(const CBoneObject& character);

// Smoke rising from a fallen character: one time in twenty an explosion
// burst near its committed position.
void DeathSmoke(const D3DXMATRIX& committed);

// Characters standing above this height are put back on the sea.
constexpr float kGroundLimit = -1.0f;

inline void GroundPin(CMatrix& character) {
    if (character.m_World._42 > kGroundLimit) character.m_World._42 = 0.0f;
}

// Coasting: velocity and turning fade by a fifth each step while the
// character keeps its last committed placement.
template <class Character>
void Drift(Character& c) {
    c.m_Velocity -= c.m_Velocity * 0.2f;
    c.m_YawSpeed -= c.m_YawSpeed * 0.2f;
    c.Identity();
    c.RotateY(c.m_YawSpeed);
    c.m_World *= c.m_OldWorld;
    c.Move(c.m_Velocity.x, c.m_Velocity.y, -c.m_Velocity.z);
    c.CalcMatrix();
}

// One step along the character's own axes from its committed placement,
// turning and (with yaw) spinning first.
template <class Character>
void StepFromCommitted(Character& c, bool withYaw) {
    c.Identity();
    if (withYaw) c.RotateY(c.m_YawSpeed);
    c.m_World *= c.m_OldWorld;
    c.Move(c.m_Velocity.x, c.m_Velocity.y, c.m_Velocity.z);
}

// A slow walk forward that turns to face the target (when there is one).
template <class Character>
void WalkTowards(Character& c, const D3DXMATRIX* target) {
    c.m_Velocity.z = 0.02f;
    c.Identity();
    c.Move(c.m_Velocity.x, c.m_Velocity.y, c.m_Velocity.z);
    c.m_World *= c.m_OldWorld;
    if (target) {
        const D3DXVECTOR3 aim(target->_41, target->_42, target->_43);
        // Standing on the target there is no direction to face; keep the
        // heading rather than collapse the axes.
        if (aim.x != c.m_World._41 || aim.z != c.m_World._43) {
            const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
            c.LookAtPos(&aim, &up);
        }
    }
    GroundPin(c);
    c.CalcMatrix();
}

// Hands the character over to another procedure with a cross-fade to a new
// animation and runs that procedure at once, in the same step.
template <class Character>
void SwitchTo(Character& c, typename Character::Procedure procedure, UINT animation, float blend, float start = 0.0f) {
    c.UnkeyAllTrackEvents();
    c.ChangeAnimationEvent(animation, start, blend);
    c.m_pProc = procedure;
    c.m_Count = 0;
    (c.*procedure)();
}

// One step of a character's dying: the pose plays on until 90 % and holds;
// more than 60 steps later it is over and *alive becomes 0 (true returned).
// Until then smoke puffs up from the body now and then.
template <class Character>
bool DyingStep(Character& c, double animationStep) {
    if (c.GetNowAnimePos() <= 0.9) {
        c.ResetTime();
        c.Animation(animationStep);
    }
    if (c.GetNowAnimePos() >= 0.9) {
        ++c.m_Count;
        if (c.m_Count > 60) return true;
    }
    return false;
}

}  // namespace enemy
