#include "game/OverDrive.h"

#include "game/Beam.h"
#include "game/BillBoardManager.h"
#include "game/FireBall.h"
#include "game/SoundEffect.h"
#include "game/WeaponNodes.h"

using weapon::kOpaqueWhite;

namespace {
constexpr float kGravity = 0.001f;  // per frame, in the shell's own frame
constexpr float kComeDownHeight = 2.0f;
constexpr std::int32_t kShellFlightLimit = 200;
constexpr float kUnderSeaHeight = 1.0f;  // nothing below it is drawn

bool StillFlying(const BillBoardNode* shell) {
    return shell->m_World._42 >= kComeDownHeight && shell->m_Count < kShellFlightLimit;
}

void DropTrailBurst(const BillBoardNode* shell) {
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    BillBoardNode* burst = manager->AddNode();
    burst->Init(5.0f, kOpaqueWhite);
    burst->SetTexture(shell->m_lpTexture);
    burst->SetAnimationInfo(8, 8);
    burst->SetAnimation(0);
    burst->m_World = shell->m_OldWorld;
    burst->SetTransform(manager->GetDevice());
    burst->m_Count = 0;
    burst->m_Blend = 1;
    burst->m_UpdateProc = COverDrive::ExplodeProcess;
    burst->m_RenderProc = COverDrive::RenderOverDrive;
    // One draw per component, x first.
    const float x = RandomUpTo(0.02f) - 0.01f;
    const float y = RandomUpTo(0.02f) - 0.01f;
    const float z = RandomUpTo(0.04f) - 0.02f;
    burst->m_Velocity = D3DXVECTOR3(x, y, z);
    burst->m_lpSphereHit = weapon::NewCentredSphere(5.0f);
    // The trail burns enemies like the fireballs' trails do.
    burst->m_EffectType = EFFECT_DAMAGE;
    burst->m_UseType = USE_PLAYER;
}

// One frame of flight: the shell advances and sinks in its own frame and
// drops a burst every second frame. True when it has now come down.
bool Fly(BillBoardNode* shell) {
    shell->m_Velocity.y -= kGravity;
    shell->Identity();
    shell->Move(shell->m_Velocity.x, shell->m_Velocity.y, shell->m_Velocity.z);
    shell->m_World *= shell->m_OldWorld;
    if (shell->m_Count % 2 == 0) DropTrailBurst(shell);
    shell->m_Count += 1;
    return shell->m_World._42 <= kComeDownHeight || shell->m_Count >= kShellFlightLimit;
}
}  // namespace

void COverDrive::OverDriveInit(D3DXMATRIX* launchPose) {
    m_lpCharaMatrix = launchPose;
    m_lpBeamObject = CBeam::GetInstance();
    m_lpBeamObject->SetTexture(BillBoardTexture("Texture/Laser/_FireLaser.png"));
    m_lpShotObject = CShot::GetInstance();
    m_lpShotObject->ShotInit();
}

void COverDrive::CreateOverDrive(D3DXVECTOR3* velocity, unsigned kind) {
    if (kind > 1) return;
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    BillBoardNode* shell = manager->AddNode();
    shell->Init(0.5f, kOpaqueWhite);
    shell->SetTexture(m_lpTexture);
    shell->Identity();
    shell->m_World *= *m_lpCharaMatrix;
    shell->SetTransform(manager->GetDevice());
    shell->m_Count = 0;
    shell->m_Blend = 0;
    shell->m_UpdateProc = kind == 0 ? ConflagrationEvilUpdate : InfinityEvilUpdate;
    shell->m_RenderProc = RenderOverDrive;
    shell->m_Velocity = *velocity;
    // The shell itself never hits; its trail and what it ends in do.
    shell->m_EffectType = EFFECT_DAMAGE;
    shell->m_UseType = USE_PLAYER;
    PlaySoundEffect("Sound/SE/FireBall.wav");
}

int COverDrive::EndProc() {
    CShot::DeleteInstance();
    m_lpShotObject = nullptr;
    return 1;
}

int COverDrive::ConflagrationEvilUpdate(BillBoardNode* shell) {
    // A shell that starts out below the coming-down height has come down at
    // once rather than waiting forever.
    if (StillFlying(shell) && !Fly(shell)) return 0;
    CBeam::GetInstance()->CreateBeam(&shell->m_World);
    PlaySoundEffect("Sound/SE/FireDrive.wav");
    return 1;
}

int COverDrive::InfinityEvilUpdate(BillBoardNode* shell) {
    if (StillFlying(shell)) {
        if (Fly(shell)) CShot::GetInstance()->ShotLaunching(&shell->m_World);
        return 0;
    }
    // Down: the shell stays as the origin of the rings until the sequence ends.
    return CShot::GetInstance()->CreateShotEx(&shell->m_World) ? 0 : 1;
}

// The shell's bursts behave exactly like the fireballs' trail bursts.
int COverDrive::ExplodeProcess(BillBoardNode* burst) { return CFireBallGenerator::ExplodeProcess(burst); }

int COverDrive::RenderOverDrive(BillBoardNode* node) {
    if (node->m_World._42 < kUnderSeaHeight) return 0;
    return RenderBillBoardNode(node, 5.0f);
}
