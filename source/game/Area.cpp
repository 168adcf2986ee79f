#include "game/Area.h"

#include "game/BillBoardManager.h"
#include "game/Curry.h"
#include "game/Dragoon.h"
#include "game/FireBall.h"
#include "game/Hito.h"
#include "game/Laser.h"
#include "game/Recovery.h"
#include "game/SoundEffect.h"
#include "lib/ViewFrustumCulling.h"
#include "platform/crt/random.h"

namespace {
constexpr const char* kHitoHurtVoice = "Sound/SE/HitoVoice/HitoDameg.wav";
constexpr const char* kCurryHelpVoice = "Sound/SE/CurryVoice/CurryHelp.wav";
constexpr const char* kCurryGiftVoice = "Sound/SE/CurryVoice/あなたに、特別ですよ.wav";
constexpr const char* kCurryThanksVoice = "Sound/SE/CurryVoice/最高だ！.wav";

constexpr int kGuardCount = 5;   // humans around a Curry
constexpr int kSquadCount = 25;  // humans of an area without one
constexpr float kGuardSpread = 40.0f;
constexpr float kSquadSpread = 60.0f;
const D3DXVECTOR3 kFireAtCurry(0.0f, 0.0f, 0.3f);
const D3DXVECTOR3 kFireAtPlayer(0.0f, 0.0f, 0.5f);

// An offset in [-spread / 2, spread / 2) from the shared sequence.
float Scatter(float spread) { return static_cast<float>(CrtRand()) / 32768.0f * spread - spread / 2.0f; }

// Places a new character around centre on the sea; x is drawn before z.
template <class Character>
void PlaceAround(Character& character, const D3DXVECTOR3& centre, float spread) {
    character.Identity();
    const float x = centre.x + Scatter(spread);
    const float z = centre.z + Scatter(spread);
    character.Move(x, 0.0f, z);
}

D3DXVECTOR3 Translation(const D3DXMATRIX& m) { return D3DXVECTOR3(m._41, m._42, m._43); }

template <class Character>
bool InFrustum(const Character& character) {
    const D3DXVECTOR3 centre = Translation(character.m_World);
    return CViewFrustumCulling::ObjectFrustumJudge(&centre, character.GetBoundingSphereData()) != 0;
}

template <class Character>
bool LaserTouches(CLaserType* laser, Character& character) {
    if (!laser) return false;
    D3DXVECTOR3 centre = Translation(character.m_World);
    return laser->LaserCollisionJudgment(&centre, character.GetBoundingSphereData()) != 0;
}

template <class Character>
bool ProjectileTouches(Character& character, USE_TYPE use) {
    CBillBoardManager* billboards = CBillBoardManager::GetInstance();
    return character.m_lpSphereHit &&
           billboards->JudgmentProcess(*character.m_lpSphereHit, character.m_World, use, EFFECT_DAMAGE) != 0;
}

// An enemy fireball from the human's placement, homing on target.
void FireAt(CHito& hito, const D3DXVECTOR3& velocity, D3DXMATRIXA16* target) {
    D3DXVECTOR3 localVelocity = velocity;
    CFireBallGenerator::GetInstance()->CreateFireBallEx(hito.m_World, localVelocity, target, USE_ENEMY);
}

void CountHit(short* combo, short* comboTimer) {
    *combo += 1;
    *comboTimer = 0;
}
}  // namespace

CArea::~CArea() { DeleteEnemies(); }

void CArea::InitProc(std::list<CHito*>* hitoList, std::list<CCurry*>* curryList, std::list<D3DXVECTOR3>* curryPosList) {
    m_lpHitoList = hitoList;
    m_lpCurryList = curryList;
    m_lpCurryPosList = curryPosList;
    DeleteEnemies();
    m_AreaStatus = 0;
    m_Position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_lpPlayerMatrix = &CDragoon::GetInstance()->m_OldWorld;
}

void CArea::CreateArea(const D3DXVECTOR3* position, CSkinXFile* hitoMesh, CSkinXFile* curryMesh, int* killCount) {
    DeleteEnemies();
    m_AreaType = AREA_TYPE_HITO_ONLY;

    // The loop test draws once more after a Curry has been made, and the
    // layout of every mission depends on that draw.
    for (int i = 0; i < CrtRand() % 2; ++i) {
        m_AreaType = AREA_TYPE_CURRY;
        CCurry* curry = new CCurry;
        curry->SetSkinXFile(curryMesh);
        PlaceAround(*curry, *position, kGuardSpread);
        curry->ChangeAnimation(CURRY_ANIME_RUN, 0);
        curry->SetTrackEnable(0, 1);
        curry->InitProc(m_lpPlayerMatrix, &CDragoon::GetInstance()->GetPlayerStatusAddress()->Life);
        m_CurryList.push_back(curry);
    }

    const bool guards = !m_CurryList.empty();
    const int humans = guards ? kGuardCount : kSquadCount;
    for (int i = 0; i < humans; ++i) {
        CHito* hito = new CHito;
        hito->SetSkinXFile(hitoMesh);
        PlaceAround(*hito, *position, guards ? kGuardSpread : kSquadSpread);
        hito->ChangeAnimation(HITO_ANIME_WALK, 0);
        hito->SetTrackEnable(0, 1);
        hito->InitProc(ENEMY_TYPE_HITO, killCount);
        m_HitoList.push_back(hito);
    }

    m_Position = *position;
    if (m_AreaType == AREA_TYPE_CURRY) HitoSetTarget();
    m_AreaResult = AREA_RESULT_OPEN;
}

void CArea::HitoSetTarget() {
    if (m_CurryList.empty()) return;
    auto curry = m_CurryList.begin();
    for (CHito* hito : m_HitoList) {
        hito->SetTargetMatrix(&(*curry)->m_OldWorld);
        if (++curry == m_CurryList.end()) curry = m_CurryList.begin();
    }
}

int CArea::ViewFrustumUpdate() {
    m_AreaStatus = 0;
    int livingHumans = 0;
    for (CHito* hito : m_HitoList) {
        if (!hito->m_Alive) continue;
        ++livingHumans;
        if (InFrustum(*hito)) {
            m_AreaStatus = 1;
            m_lpHitoList->push_back(hito);
        } else if (hito->GetStatus() == HITO_STATUS_DYING) {
            // A death that started in view plays out out of sight.
            hito->Process();
        }
    }
    if (livingHumans == 0) m_AreaResult = AREA_RESULT_HUMANS_DOWN;

    int livingCurries = 0;
    for (CCurry* curry : m_CurryList) {
        if (curry->m_Alive) {
            if (InFrustum(*curry)) {
                m_AreaStatus = 1;
                m_lpCurryList->push_back(curry);
            }
            if (livingCurries == 0) m_lpCurryPosList->push_back(Translation(curry->m_OldWorld));
            ++livingCurries;
        }
        m_Position = Translation(curry->m_OldWorld);
    }

    if (livingCurries == 0 && livingHumans > 0) {
        m_AreaResult = AREA_RESULT_CURRY_LOST;
        m_AreaType = AREA_TYPE_HITO_ONLY;
    }
    RaiseRunFlags(livingHumans > 0);
    return 1;
}

void CArea::RaiseRunFlags(bool threatened) {
    // A Curry runs to the player for protection while its area is engaged
    // and any of its humans lives, and stands once they are all down. Only
    // the run procedure takes hits, so this is what makes a Curry, and the
    // player's life, vulnerable. It draws nothing from the shared sequence.
    const uint8_t run = m_AreaStatus == 1 && threatened ? 1 : 0;
    for (CCurry* curry : m_CurryList)
        if (curry->m_Alive) curry->m_Flag[CURRY_FLAG_RUN] = run;
}

void CArea::RollBehaviour(CHito& hito) {
    if (m_AreaType == AREA_TYPE_CURRY) {
        if (CrtRand() % 100 == 0) hito.m_Flag[HITO_FLAG_WALK] = 1;
        if (CrtRand() % 1000 == 0) hito.m_Flag[HITO_FLAG_WALK] = 0;
        if (CrtRand() % 2000 == 0) {
            hito.m_Flag[HITO_FLAG_ATTACK] = 1;
            FireAt(hito, kFireAtCurry, hito.GetTarGetMatrixAddress());
        }
    } else if (hito.GetStatus() != HITO_STATUS_DEAD) {
        if (CrtRand() % 2000 == 0) {
            hito.m_Flag[HITO_FLAG_ATTACK] = 1;
            FireAt(hito, kFireAtPlayer, m_lpPlayerMatrix);
        }
        if (CrtRand() % 500 == 0) hito.m_Flag[HITO_FLAG_WALK] = 1;
        if (CrtRand() % 1000 == 0) hito.m_Flag[HITO_FLAG_WALK] = 0;
    }
}

void CArea::TestPlayerHits(CHito& hito, CLaserType* laser, short* combo, short* comboTimer) {
    if (ProjectileTouches(hito, USE_PLAYER)) {
        hito.m_Flag[HITO_FLAG_WALK] = 0;
        hito.m_Flag[HITO_FLAG_DAMAGED] = 1;
        CountHit(combo, comboTimer);
    }
    if (LaserTouches(laser, hito)) {
        PlaySoundEffect(kHitoHurtVoice);
        hito.m_Flag[HITO_FLAG_WALK] = 0;
        hito.m_Flag[HITO_FLAG_DAMAGED] = 1;
        CountHit(combo, comboTimer);
    }
}

void CArea::UpdateCurry(CCurry& curry, CLaserType* laser, short* combo, short* comboTimer) {
    if (ProjectileTouches(curry, USE_ENEMY)) curry.m_Flag[CURRY_FLAG_HIT] = 1;
    if (LaserTouches(laser, curry)) {
        curry.m_Flag[CURRY_FLAG_HIT] = 1;
        CountHit(combo, comboTimer);
    }
    if (m_AreaResult == AREA_RESULT_HUMANS_DOWN && curry.m_Alive) {
        if (CrtRand() % 700 == 0) {
            PlaySoundUnlessPlaying(kCurryGiftVoice);
            CRecovery::GetInstance()->CreateRecovery(curry.GetTargetMatrix(), &curry.m_OldWorld);
        }
        if (CrtRand() % 120 == 0) PlaySoundUnlessPlaying(kCurryThanksVoice);
    } else if (CrtRand() % 120 == 0) {
        PlaySoundUnlessPlaying(kCurryHelpVoice);
    }
}

int CArea::UpdateArea(CLaserType* laser, short* combo, short* comboTimer) {
    for (CHito* hito : m_HitoList) {
        if (!hito->m_Alive || hito->GetStatus() == HITO_STATUS_DAMAGED) continue;
        RollBehaviour(*hito);
        TestPlayerHits(*hito, laser, combo, comboTimer);
    }
    if (m_AreaType == AREA_TYPE_CURRY) {
        for (CCurry* curry : m_CurryList) UpdateCurry(*curry, laser, combo, comboTimer);
    }
    return 1;
}

void CArea::DeleteEnemies() {
    for (CHito* hito : m_HitoList) {
        hito->EndProc();
        delete hito;
    }
    for (CCurry* curry : m_CurryList) {
        curry->EndProc();
        delete curry;
    }
    m_HitoList.clear();
    m_CurryList.clear();
}

int CArea::EndProc() {
    DeleteEnemies();
    m_lpHitoList = nullptr;
    m_lpCurryList = nullptr;
    m_lpPlayerMatrix = nullptr;
    return 1;
}
