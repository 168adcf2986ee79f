#include "game/Hito.h"

#include <cstring>

#include "game/Flame.h"
#include "game/SoundEffect.h"
#include "game/SphereHit.h"

namespace {
constexpr const char* kDamageVoice = "Sound/SE/HitoVoice/HitoDameg.wav";
constexpr const char* kDeathVoice = "Sound/SE/HitoVoice/HitoDead.wav";
constexpr int16_t kHitPoints = 2;
constexpr int kAttackSteps = 60;  // an attack ends after more than this
constexpr int kAttackPause = 8;   // steps of rest between attacks
constexpr int kKnockDownSteps = 30;
constexpr int kStandUpPause = 10;
}  // namespace

CHito::CHito() = default;

CHito::~CHito() { delete m_lpSphereHit; }

void CHito::InitProc(ENEMY_TYPE type, int* killCount) {
    m_EnemyType = type;
    delete m_lpSphereHit;
    m_lpSphereHit = enemy::NewHitSphere(*this);
    m_HitPoint = kHitPoints;
    m_lpKillCount = killCount;
    m_pProc = &CHito::PROC_Stand;
    m_OldWorld = m_World;
}

void CHito::EndProc() {
    delete m_lpSphereHit;
    m_lpSphereHit = nullptr;
    Unload();
}

void CHito::Process() {
    if (m_pProc) (this->*m_pProc)();
}

void CHito::AnimationStep() {
    ResetTime();
    Animation(HitoAnimationTime);
}

void CHito::TurnFlags() {
    if (m_Flag[HITO_FLAG_TURN_LEFT]) m_YawSpeed = -2.0f;
    if (m_Flag[HITO_FLAG_TURN_RIGHT]) m_YawSpeed = 2.0f;
}

void CHito::Hurt() {
    m_HitPoint -= 1;
    if (m_HitPoint <= 0) {
        D3DXVECTOR3 position;
        GetOldPos(&position);
        CFlameGenerator::GetInstance()->CreateFlame(&position);
        PlaySoundEffect(kDeathVoice);
        m_HitoStatus = HITO_STATUS_DYING;
        if (m_lpKillCount) *m_lpKillCount += 1;
        SwitchTo(&CHito::PROC_Dead, HITO_ANIME_DEATH, 0.02f);
    } else {
        PlaySoundEffect(kDamageVoice);
        m_HitoStatus = HITO_STATUS_DAMAGED;
        SwitchTo(&CHito::PROC_DAMEG, HITO_ANIME_DAMAGE, 0.02f);
    }
}

bool CHito::TakesHit() const { return m_Flag[HITO_FLAG_DAMAGED] == 1 && m_HitoStatus != HITO_STATUS_DAMAGED; }

void CHito::PROC_Stand() {
    AnimationStep();
    if (m_Wait > 0) {
        --m_Wait;
    } else {
        if (m_Flag[HITO_FLAG_RUN]) return SwitchTo(&CHito::PROC_Run, HITO_ANIME_RUN, 0.3f);
        TurnFlags();
        if (m_Flag[HITO_FLAG_WALK]) return SwitchTo(&CHito::PROC_Walk, HITO_ANIME_WALK, 0.3f);
        if (m_Flag[HITO_FLAG_ATTACK]) return SwitchTo(&CHito::PROC_Attack, HITO_ANIME_ATTACK, 0.02f);
        if (TakesHit()) return Hurt();
    }
    enemy::Drift(*this);
}

void CHito::PROC_Walk() {
    AnimationStep();
    if (m_Wait > 0) {
        --m_Wait;
    } else {
        // The run flag hands over to standing with the run animation.
        if (m_Flag[HITO_FLAG_RUN]) return SwitchTo(&CHito::PROC_Stand, HITO_ANIME_RUN, 0.02f);
        TurnFlags();
        if (!m_Flag[HITO_FLAG_WALK]) return SwitchTo(&CHito::PROC_Stand, HITO_ANIME_STAND, 0.02f);
        if (m_Flag[HITO_FLAG_ATTACK]) return SwitchTo(&CHito::PROC_Attack, HITO_ANIME_ATTACK, 0.02f);
    }
    enemy::WalkTowards(*this, m_lpTargetMatrix);
    ++m_Count;
}

void CHito::PROC_Run() {
    AnimationStep();
    D3DXVECTOR3 forward;
    GetZAxis(&forward);
    m_Velocity = forward * 0.08f;
    if (m_Wait != 0) {
        --m_Wait;
    } else {
        const float blend = static_cast<float>(HitoAnimationTime);
        if (!m_Flag[HITO_FLAG_RUN]) return SwitchTo(&CHito::PROC_Stand, HITO_ANIME_STAND, blend);
        TurnFlags();
        if (m_Flag[HITO_FLAG_ATTACK]) return SwitchTo(&CHito::PROC_Attack, HITO_ANIME_ATTACK, blend);
    }
    m_Velocity -= m_Velocity * 0.2f;
    m_YawSpeed -= m_YawSpeed * 0.2f;
    enemy::StepFromCommitted(*this, true);
    if (m_lpTargetMatrix) {
        const D3DXVECTOR3 direction(m_lpTargetMatrix->_41 - m_World._41, m_lpTargetMatrix->_42 - m_World._42,
                                    m_lpTargetMatrix->_43 - m_World._43);
        RotateLookAtRelativeAngle(&direction, 1.0f);
    }
    enemy::GroundPin(*this);
    CalcMatrix();
}

void CHito::PROC_Attack() {
    AnimationStep();
    if (TakesHit()) return Hurt();
    if (m_Count > kAttackSteps) {
        m_Wait = kAttackPause;
        return SwitchTo(&CHito::PROC_Stand, HITO_ANIME_STAND, 0.02f);
    }
    ++m_Count;
    enemy::StepFromCommitted(*this, true);
    CalcMatrix();
}

void CHito::PROC_DAMEG() {
    AnimationStep();
    ++m_Count;
    if (m_Count >= kKnockDownSteps && m_HitoStatus == HITO_STATUS_DAMAGED) {
        m_HitoStatus = HITO_STATUS_NORMAL;
        const float now = m_lpAnimController ? static_cast<float>(m_lpAnimController->GetTime()) : 0.0f;
        UnkeyAllTrackEvents();
        ChangeAnimationEvent(HITO_ANIME_STAND_UP, now, 0.02f);
        m_pProc = &CHito::PROC_StandUp;
        PROC_StandUp();
        m_Flag[HITO_FLAG_DAMAGED] = 0;
        m_Count = 0;
        return;
    }
    enemy::Drift(*this);
}

void CHito::PROC_StandUp() {
    AnimationStep();
    if (GetNowAnimePos() >= 0.9) {
        m_Flag[HITO_FLAG_DAMAGED] = 0;
        m_Wait = kStandUpPause;
        return SwitchTo(&CHito::PROC_Stand, HITO_ANIME_STAND, 0.02f);
    }
    enemy::Drift(*this);
}

void CHito::PROC_Dead() {
    if (enemy::DyingStep(*this, HitoAnimationTime)) {
        UnkeyAllTrackEvents();
        std::memset(m_Flag, 0, sizeof m_Flag);
        m_HitoStatus = HITO_STATUS_DEAD;
        m_Count = 0;
        m_Alive = 0;
        return;
    }
    enemy::DeathSmoke(m_OldWorld);
    enemy::Drift(*this);
}
