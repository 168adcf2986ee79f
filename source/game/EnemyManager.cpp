#include "game/EnemyManager.h"

#include "game/Area.h"
#include "game/BillBoardManager.h"
#include "game/Curry.h"
#include "game/Dragoon.h"
#include "game/Hito.h"
#include "game/Laser.h"
#include "game/Recovery.h"
#include "lib/BaseShader.h"
#include "lib/Camera.h"
#include "lib/DirectGraphics.h"
#include "lib/DirectSound.h"
#include "lib/SkinXFile.h"
#include "lib/ViewFrustumCulling.h"
#include "platform/crt/random.h"
#include "platform/win32/process.h"

namespace {
constexpr const char* kVoices[] = {
    "Sound/SE/HitoVoice/HitoDameg.wav",
    "Sound/SE/HitoVoice/HitoDead.wav",
    "Sound/SE/CurryVoice/CurryHelp.wav",
    "Sound/SE/CurryVoice/CurryDead.wav",
    "Sound/SE/CurryVoice/あなたに、特別ですよ.wav",
    "Sound/SE/CurryVoice/最高だ！.wav",
};

// The short-range view in which enemies take part.
constexpr float kEngageFieldOfView = 80.0f;
constexpr float kEngageAspect = 4.0f / 3.0f;
constexpr float kEngageNear = 1.0f;
constexpr float kEngageFar = 70.0f;

// Area centres lie on a 10-unit grid over [-1000, 1000].
float GridCoordinate() { return static_cast<float>(CrtRand() % 201 - 100) * 10.0f; }

D3DXVECTOR3 Translation(const D3DXMATRIX& m) { return D3DXVECTOR3(m._41, m._42, m._43); }

template <class Character>
std::list<D3DXVECTOR3>* Positions(const std::list<Character*>& characters, std::list<D3DXVECTOR3>* out) {
    out->clear();
    for (const Character* character : characters) out->push_back(Translation(character->m_World));
    return out;
}
}  // namespace

CEnemyManager::CEnemyManager() = default;

CEnemyManager::~CEnemyManager() = default;

void CEnemyManager::LoadMeshes() {
    char directory[1024] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    SetCurrentDirectoryA(".\\XFile\\Character\\");
    IDirect3DDevice9* device = m_lpGraphics ? m_lpGraphics->GetDevice() : nullptr;
    m_lpHitoMesh = new CSkinXFile;
    m_lpHitoMesh->LoadXFile(device, "hito.x");
    m_lpCurryMesh = new CSkinXFile;
    m_lpCurryMesh->LoadXFile(device, "Curry.x");
    if (length > 0 && length < sizeof directory) SetCurrentDirectoryA(directory);
}

int CEnemyManager::InitProc(CCamera* camera, D3DXMATRIXA16* projection, GAME_STATE* state) {
    m_lpPlayer = CDragoon::GetInstance();
    m_lpGameState = state;
    m_lpProjection = projection;
    m_lpCamera = camera;
    m_lpGraphics = CDirectGraphics::GetInstance();

    // A mission that was not ended leaves nothing behind.
    DeleteAreas();
    ReleaseMeshes();
    LoadMeshes();

    m_HitoList.clear();
    m_CurryList.clear();
    m_AreaPosList.clear();
    m_CurryPosList.clear();

    for (int i = 0; i < ENEMY_AREA_COUNT; ++i) {
        // x is drawn before z.
        const float x = GridCoordinate();
        const float z = GridCoordinate();
        const D3DXVECTOR3 position(x, 0.0f, z);
        CArea* area = new CArea;
        area->InitProc(&m_HitoList, &m_CurryList, &m_CurryPosList);
        area->CreateArea(&position, m_lpHitoMesh, m_lpCurryMesh, &m_KillCount);
        m_AreaList.push_back(area);
    }

    m_lpBillBoard = CBillBoardManager::GetInstance();
    m_lpSound = CDirectSound::GetInstance();
    for (const char* voice : kVoices) m_lpSound->GetSecondryBuffer(voice);

    m_KillCount = 0;
    m_Combo = 0;
    m_ComboTimer = 0;
    m_lpRecovery = CRecovery::GetInstance();
    return 0;
}

void CEnemyManager::SetHLSL(BaseShader* baseShader, CBumpMap* bumpMap) {
    m_lpBaseShader = baseShader;
    m_lpBumpMap = bumpMap;
}

int CEnemyManager::UpdateProc() {
    m_HitoList.clear();
    m_CurryList.clear();
    m_AreaPosList.clear();
    m_CurryPosList.clear();

    if (m_ComboTimer > 0 || m_Combo > 0) {
        m_ComboTimer += 1;
        if (m_ComboTimer > COMBO_TIME_LIMIT) {
            m_ComboTimer = 0;
            m_Combo = 0;
        }
    }

    CViewFrustumCulling::CreateFrustum(&m_lpCamera->m_View, kEngageFieldOfView, kEngageAspect, kEngageNear, kEngageFar);
    for (CArea* area : m_AreaList) {
        area->ViewFrustumUpdate();
        if (area->GetAreType() == AREA_TYPE_CURRY) {
            D3DXVECTOR3 position;
            m_AreaPosList.push_back(*area->GetAreaPosition(&position));
        }
    }

    UpdateLaserTarget();

    CLaserType* laser = m_lpPlayer ? &m_lpPlayer->m_LaserType : nullptr;
    for (CArea* area : m_AreaList)
        if (area->GetAreaStatus() == 1) area->UpdateArea(laser, &m_Combo, &m_ComboTimer);
    return 1;
}

void CEnemyManager::UpdateLaserTarget() {
    if (!m_lpPlayer) return;
    CLaserType& laser = m_lpPlayer->m_LaserType;
    if (laser.GetLaserType() != 0) return;

    int found = 0;
    // In power mode the laser is aimed at the humans only.
    if (m_lpPlayer->GetPlayerStatusAddress()->AttackMode != 2) {
        for (auto curry = m_CurryList.begin(); curry != m_CurryList.end() && found < LASER_TARGET_COUNT; ++curry)
            m_LaserTarget[found++] = &(*curry)->m_OldWorld;
    }
    for (auto hito = m_HitoList.begin(); hito != m_HitoList.end() && found < LASER_TARGET_COUNT; ++hito)
        m_LaserTarget[found++] = &(*hito)->m_OldWorld;
    if (found == 0) return;  // the laser keeps its last targets

    for (int k = found; k < LASER_TARGET_COUNT; ++k) m_LaserTarget[k] = m_LaserTarget[k - found];
    D3DXMATRIX* targets[LASER_TARGET_COUNT];
    for (int k = 0; k < LASER_TARGET_COUNT; ++k) targets[k] = m_LaserTarget[k];
    laser.SetMultiRockMatrix(targets);
}

template <class Character>
void CEnemyManager::Draw(Character& character) {
    IDirect3DDevice9* device = m_lpGraphics ? m_lpGraphics->GetDevice() : nullptr;
    // All enemies of a kind pose the one set of frames of their shared mesh.
    // One that was not animated this frame (paused, or holding its last
    // pose) would be drawn in the pose and place of the one stepped before
    // it, so every enemy poses the frames afresh, without advancing, before
    // it is drawn.
    character.ResetTime();
    character.Animation(0.0);
    character.CalcMatrix();
    character.SetTransform();
    if (m_lpBaseShader) {
        m_lpBaseShader->SetSkinningParam(&m_lpCamera->m_View, m_lpProjection);
        if (character.m_lpSkinXFile) character.m_lpSkinXFile->m_lpEffect = m_lpBaseShader->GetEffect();
    }
    character.Draw(device);
}

int CEnemyManager::RenderProc() {
    const bool paused = m_lpGameState && *m_lpGameState == GAME_STATE_PAUSE;
    for (CHito* hito : m_HitoList) {
        if (hito->m_Alive && !paused) hito->Process();
        Draw(*hito);
    }
    for (CCurry* curry : m_CurryList) {
        if (curry->m_Alive && !paused) curry->UpdateProcess();
        Draw(*curry);
    }
    return 1;
}

std::list<D3DXVECTOR3>* CEnemyManager::GetCurryPos(std::list<D3DXVECTOR3>* out) const {
    return Positions(m_CurryList, out);
}

std::list<D3DXVECTOR3>* CEnemyManager::GetEnemyPos(std::list<D3DXVECTOR3>* out) const {
    return Positions(m_HitoList, out);
}

D3DXVECTOR3* CEnemyManager::GetAreaNearPosition(D3DXVECTOR3* out) const {
    *out = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (!m_lpPlayer) return out;
    const D3DXVECTOR3 player = Translation(m_lpPlayer->m_OldWorld);
    float best = -1.0f;
    for (const D3DXVECTOR3& position : m_AreaPosList) {
        const D3DXVECTOR3 offset = position - player;
        const float distance = D3DXVec3Length(&offset);
        if (distance >= best) {
            best = distance;
            *out = position;
        }
    }
    return out;
}

void CEnemyManager::DeleteAreas() {
    for (CArea* area : m_AreaList) {
        area->EndProc();
        delete area;
    }
    m_AreaList.clear();
}

void CEnemyManager::ReleaseMeshes() {
    for (CSkinXFile** mesh : {&m_lpHitoMesh, &m_lpCurryMesh}) {
        if (!*mesh) continue;
        (*mesh)->UnloadXFile();
        delete *mesh;
        *mesh = nullptr;
    }
}

int CEnemyManager::EndProc() {
    DeleteAreas();
    CRecovery::DeleteInstance();
    m_lpRecovery = nullptr;
    ReleaseMeshes();
    m_HitoList.clear();
    m_CurryList.clear();
    m_AreaPosList.clear();
    m_CurryPosList.clear();
    for (D3DXMATRIXA16*& target : m_LaserTarget) target = nullptr;
    return 1;
}
