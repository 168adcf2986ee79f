#include "game/Beam.h"

#include "game/BillBoardManager.h"
#include "game/SoundEffect.h"
#include "game/WeaponNodes.h"

using weapon::kOpaqueWhite;

namespace {
// The spiral's total turn in degrees; the emitter's counter runs up to it.
constexpr float DriveMaxRotationAngle = 720.0f;
constexpr std::int32_t kEmitterStep = 5;  // degrees (and counter) per ray
constexpr std::int32_t kRayLife = 180;
constexpr std::int32_t kRayFadeStart = 120;
constexpr float kRayFadeLength = 60.0f;

constexpr std::int16_t kShotSequenceEnd = 400;
constexpr std::int16_t kShotStep = 5;
constexpr int kShotsPerRing = 18;
constexpr float kShotSpacing = 20.0f;  // degrees between the shots of a ring
constexpr std::int32_t kShotLife = 80;
constexpr std::int32_t kShotFadeStart = 50;
constexpr float kShotFadeLength = 60.0f;
}  // namespace

CBeam* CBeam::m_lpBeam = nullptr;

CBeam* CBeam::GetInstance() {
    if (!m_lpBeam) m_lpBeam = new CBeam;
    return m_lpBeam;
}

void CBeam::DeleteInstance() {
    delete m_lpBeam;
    m_lpBeam = nullptr;
}

void CBeam::CreateBeam(D3DXMATRIX* place) {
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    SetTexture(BillBoardTexture("Texture/Laser/_FireLaser.png"));

    BillBoardNode* emitter = manager->AddNode();
    emitter->Init(0.1f, 0.1f, 8.0f, 0.0f, kOpaqueWhite);
    emitter->SetTexture(m_lpTexture);
    emitter->Identity();
    emitter->m_World *= *place;
    emitter->SetTransform(manager->GetDevice());
    emitter->m_Count = 0;
    emitter->m_Blend = 0;
    emitter->m_Velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    emitter->m_UpdateProc = BeamProcess;
    emitter->m_RenderProc = RenderBeam;
    emitter->m_lpSphereHit = weapon::NewCentredSphere(1.0f);
    emitter->m_EffectType = EFFECT_DAMAGE;
    emitter->m_UseType = USE_PLAYER;
}

int CBeam::BeamProcess(BillBoardNode* emitter) {
    if (static_cast<float>(emitter->m_Count) > DriveMaxRotationAngle) return 1;

    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    BillBoardNode* ray = manager->AddNode();
    ray->Init(0.5f, 0.5f, 15.0f, 0.0f, kOpaqueWhite);
    ray->SetTexture(emitter->m_lpTexture);
    ray->Identity();
    ray->m_World *= emitter->m_World;
    ray->SetTransform(manager->GetDevice());
    ray->m_Count = 0;
    ray->m_Blend = 1;
    ray->m_UpdateProc = UpdateBeam;
    ray->m_RenderProc = RenderBeam;
    // Each ray is faster than the last and turned further, so the spiral
    // widens while it sweeps twice around.
    const float turn = static_cast<float>(emitter->m_Count);
    ray->m_Velocity = weapon::TurnedAboutY(D3DXVECTOR3(0.0f, 0.0f, turn / DriveMaxRotationAngle), turn);
    ray->m_lpSphereHit = weapon::NewCentredSphere(8.0f);
    ray->m_EffectType = EFFECT_DAMAGE;
    ray->m_UseType = USE_PLAYER;

    emitter->m_Count += kEmitterStep;
    return 0;
}

int CBeam::UpdateBeam(BillBoardNode* ray) {
    ray->Move(ray->m_Velocity.x, ray->m_Velocity.y, ray->m_Velocity.z);

    // The strip stands along its travel and turns about it towards the eye.
    const D3DXMATRIX* camera = CBillBoardManager::GetInstance()->GetCameraMatrix();
    const D3DXVECTOR3 eye(camera->_41, camera->_42, camera->_43);
    D3DXVECTOR3 travel;
    D3DXVec3Normalize(&travel, &ray->m_Velocity);
    ray->SetBillBoardAxisY(&eye, &travel);

    ray->AddSizeX(0.005f, 0.005f);
    if (ray->m_Count > kRayFadeStart)
        ray->ChangeColor(weapon::WhiteWithAlpha(weapon::FadingAlpha(ray->m_Count, kRayFadeStart, kRayFadeLength)));

    ray->m_Count += 1;
    return ray->m_Count >= kRayLife ? 1 : 0;
}

int CBeam::RenderBeam(BillBoardNode* node) { return RenderBillBoardNode(node, 9.0f); }

CShot* CShot::m_lpShot = nullptr;

CShot* CShot::GetInstance() {
    if (!m_lpShot) m_lpShot = new CShot;
    return m_lpShot;
}

void CShot::DeleteInstance() {
    delete m_lpShot;
    m_lpShot = nullptr;
}

void CShot::ShotInit() {
    m_ShotState = 0;
    SetTexture(BillBoardTexture("Texture/Effect/DEATH.png"));
}

void CShot::ShotLaunching(D3DXMATRIX* matrix) {
    if (m_ShotState != 0) return;
    m_ShotState = 1;
    m_ShotCount = 0;
    m_TextureToggle = 0;
    m_lpLaunchMatrix = matrix;
}

bool CShot::CreateShotEx(D3DXMATRIX* place) {
    if (m_ShotCount >= kShotSequenceEnd || m_ShotState == 0) {
        m_ShotState = 0;
        return false;
    }

    if (m_ShotCount % (2 * kShotStep) == 0) {
        CBillBoardManager* manager = CBillBoardManager::GetInstance();
        IDirect3DTexture9* texture =
            BillBoardTexture(m_TextureToggle == 0 ? "Texture/Effect/Shot_09.png" : "Texture/Effect/DEATH.png");
        // Each ring is turned one degree per step further than the first.
        const int ringsSoFar = m_ShotCount / kShotStep;
        const float ringTurn = static_cast<float>(ringsSoFar);
        for (int i = 0; i < kShotsPerRing; ++i) {
            BillBoardNode* shot = manager->AddNode();
            shot->Init(1.5f, kOpaqueWhite);
            shot->Identity();
            shot->m_World *= *place;
            shot->SetTransform(manager->GetDevice());
            shot->m_Count = 0;
            shot->m_Blend = 1;
            shot->m_UpdateProc = UpdateShotEx;
            shot->m_RenderProc = RenderShot;
            shot->m_lpSphereHit = weapon::NewCentredSphere(1.5f);
            shot->m_EffectType = EFFECT_DAMAGE;
            shot->m_UseType = USE_PLAYER;
            shot->SetTexture(texture);
            D3DXVECTOR3 forward;
            const D3DXVECTOR3 speed(0.0f, 0.0f, 0.5f);
            D3DXVec3TransformNormal(&forward, &speed, &shot->m_World);
            shot->m_Velocity = weapon::TurnedAboutY(forward, kShotSpacing * static_cast<float>(i) + ringTurn);
        }
        PlaySoundEffect("Sound/SE/Bomb3.wav");
    } else {
        m_TextureToggle ^= 1;
    }

    m_ShotCount = static_cast<std::int16_t>(m_ShotCount + kShotStep);
    return true;
}

int CShot::UpdateShotEx(BillBoardNode* shot) {
    shot->Move(shot->m_Velocity.x, shot->m_Velocity.y, shot->m_Velocity.z);
    shot->SetBillBoard(CBillBoardManager::GetInstance()->GetCameraMatrix());
    if (shot->m_Count > kShotFadeStart)
        shot->ChangeColor(weapon::WhiteWithAlpha(weapon::FadingAlpha(shot->m_Count, kShotFadeStart, kShotFadeLength)));
    shot->m_Count += 1;
    return shot->m_Count >= kShotLife ? 1 : 0;
}

int CShot::RenderShot(BillBoardNode* shot) { return RenderBillBoardNode(shot, 2.0f); }
