#include "game/Curry.h"

#include <cstring>

#include "game/SoundEffect.h"
#include "game/SphereHit.h"

namespace {
constexpr const char* kHurtVoice = "Sound/SE/CurryVoice/CurryDead.wav";
constexpr const char* kDeathVoice = "Sound/SE/CurryVoice/わー僕は何もしてないよ～.wav";
constexpr int16_t kHitPoints = 10;
constexpr int16_t kLifeCostPerHit = 10;
constexpr int kHurtSteps = 300;
constexpr int kHurtPause = 10;
constexpr int kAttackPause = 8;
constexpr float kAttackEnd = 0.7f;  // track position, in animation seconds
}  // namespace

CCurry::CCurry() = default;

CCurry::~CCurry() { delete m_lpSphereHit; }

void CCurry::InitProc(D3DXMATRIXA16* target, int16_t* playerLife) {
    delete m_lpSphereHit;
    m_lpSphereHit = enemy::NewHitSphere(*this);
    m_lpTargetMatrix = target;
    m_lpPlayerLife = playerLife;
    m_OldWorld = m_World;
    m_pProc = &CCurry::PROC_Run;
    m_HitPoint = kHitPoints;
}

void CCurry::EndProc() {
    delete m_lpSphereHit;
    m_lpSphereHit = nullptr;
    Unload();
}

void CCurry::UpdateProcess() {
    if (m_pProc) (this->*m_pProc)();
}

void CCurry::AnimationStep(double step) {
    ResetTime();
    Animation(step);
}

void CCurry::TurnFlags() {
    if (m_Flag[CURRY_FLAG_TURN_LEFT]) m_YawSpeed = -2.0f;
    if (m_Flag[CURRY_FLAG_TURN_RIGHT]) m_YawSpeed = 2.0f;
}

void CCurry::PROC_Run() {
    AnimationStep(CurryAnimationTime);
    if (m_Wait != 0) {
        --m_Wait;
    } else {
        if (!m_Flag[CURRY_FLAG_RUN]) return SwitchTo(&CCurry::PROC_Stand, CURRY_ANIME_STAND, 0.2f);
        TurnFlags();
        if (m_Flag[CURRY_FLAG_HIT] == 1 && m_CurryStatus != CURRY_STATUS_DAMAGED) {
            m_HitPoint -= 1;
            if (m_HitPoint <= 0) {
                PlaySoundEffect(kDeathVoice);
                return SwitchTo(&CCurry::PROC_Dead, CURRY_ANIME_DEATH, 0.02f);
            }
            m_CurryStatus = CURRY_STATUS_DAMAGED;
            if (m_lpPlayerLife) *m_lpPlayerLife -= kLifeCostPerHit;
            PlaySoundEffect(kHurtVoice);
            // Cowering fades in over whatever was playing.
            ChangeAnimationEvent(CURRY_ANIME_DAMAGE, 0.0f, 0.3f);
            m_pProc = &CCurry::PROC_DAMEG;
            m_Count = 0;
            return PROC_DAMEG();
        }
        if (m_Flag[CURRY_FLAG_ATTACK]) return SwitchTo(&CCurry::PROC_Attack, CURRY_ANIME_ATTACK, 0.02f);
    }
    enemy::WalkTowards(*this, m_lpTargetMatrix);
}

void CCurry::PROC_Stand() {
    AnimationStep(CurryAnimationTime);
    if (m_Wait > 0) {
        --m_Wait;
    } else {
        if (m_Flag[CURRY_FLAG_RUN]) return SwitchTo(&CCurry::PROC_Run, CURRY_ANIME_RUN, 0.03f);
        TurnFlags();
        if (m_Flag[CURRY_FLAG_ATTACK]) return SwitchTo(&CCurry::PROC_Attack, CURRY_ANIME_ATTACK, 0.2f);
        if (m_Flag[CURRY_FLAG_SPECIAL]) {
            UnkeyAllTrackEvents();
            ChangeAnimationEvent(CURRY_ANIME_SPECIAL, 0.0f, 0.2f);
            m_Count = 0;
        }
    }
    enemy::Drift(*this);
}

void CCurry::PROC_Attack() {
    AnimationStep(CurryAnimationTime);
    D3DXTRACK_DESC track{};
    if (m_lpAnimController) m_lpAnimController->GetTrackDesc(m_CurrentTrack, &track);
    if (track.Position >= kAttackEnd) {
        m_Wait = kAttackPause;
        return SwitchTo(&CCurry::PROC_Stand, CURRY_ANIME_STAND, 0.1f);
    }
    enemy::Drift(*this);
}

void CCurry::PROC_DAMEG() {
    AnimationStep(CurryHurtAnimationTime);
    ++m_Count;
    if (m_Count >= kHurtSteps && m_CurryStatus == CURRY_STATUS_DAMAGED) {
        // Getting up costs a second point for the same hit; a Curry left
        // with none dies at its next hit.
        m_HitPoint -= 1;
        m_CurryStatus = CURRY_STATUS_NORMAL;
        UnkeyAllTrackEvents();
        ChangeAnimationEvent(CURRY_ANIME_RUN, 0.0f, 0.02f);
        m_pProc = &CCurry::PROC_Run;
        m_Count = 0;
        m_Flag[CURRY_FLAG_HIT] = 0;
        m_Wait = kHurtPause;
        return;
    }
    enemy::Drift(*this);
}

void CCurry::PROC_Dead() {
    if (enemy::DyingStep(*this, CurryHurtAnimationTime)) {
        UnkeyAllTrackEvents();
        std::memset(m_Flag, 0, sizeof m_Flag);
        m_CurryStatus = CURRY_STATUS_DEAD;
        m_Count = 0;
        m_Alive = 0;
        return;
    }
    enemy::DeathSmoke(m_OldWorld);
    enemy::Drift(*this);
}
