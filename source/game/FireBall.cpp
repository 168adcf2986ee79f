#include "game/FireBall.h"

#include "game/BillBoardManager.h"
#include "game/SoundEffect.h"
#include "game/SphereHit.h"
#include "game/WeaponNodes.h"
#include "platform/crt/random.h"

CFireBallGenerator* CFireBallGenerator::lpFireBallGenerator = nullptr;

namespace {
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;
constexpr float kCarrierSize = 0.5f;
constexpr float kBurstSize = 5.0f;
constexpr float kExplodeSize = 13.0f;
constexpr std::int32_t kStraightLife = 200;
constexpr float kStraightFloor = 3.0f;  // a straight fireball dies at or below this height
constexpr float kGravity = 0.001f;
constexpr std::int32_t kHomingLife = 120;
constexpr float kHomingTurnDegrees = 5.0f;
constexpr std::int32_t kBurstMovingAge = 24;  // moving and additive up to this age
constexpr std::int32_t kBurstLife = 64;       // one pass over the 8 x 8 sheet
constexpr float kCullRadius = 5.0f;

// The parts every burst and explosion share: an 8 x 8 sheet at frame 0,
// additive, run by the burst callbacks, committed where it starts.
BillBoardNode* CreateSheetNode(float size, IDirect3DTexture9* texture, const D3DXMATRIX& world) {
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    BillBoardNode* node = manager->AddNode();
    node->Init(size, kWhite);
    node->SetTexture(texture);
    node->SetAnimationInfo(8, 8);
    node->SetAnimation(0);
    node->m_World = world;
    node->SetTransform(manager->GetDevice());
    node->m_Count = 0;
    node->m_Blend = 1;
    node->m_UpdateProc = CFireBallGenerator::ExplodeProcess;
    node->m_RenderProc = CFireBallGenerator::RenderFireBall;
    return node;
}

// m_World = (identity moved by the velocity) x m_OldWorld: a step forward
// in the node's own frame from where it was last drawn.
void AdvanceInOwnFrame(BillBoardNode* node) {
    D3DXMATRIX step;
    D3DXMatrixTranslation(&step, node->m_Velocity.x, node->m_Velocity.y, node->m_Velocity.z);
    node->m_World = step * node->m_OldWorld;
}
}  // namespace

CFireBallGenerator* CFireBallGenerator::GetInstance() {
    if (!lpFireBallGenerator) lpFireBallGenerator = new CFireBallGenerator;
    return lpFireBallGenerator;
}

void CFireBallGenerator::DeleteInstance() {
    delete lpFireBallGenerator;
    lpFireBallGenerator = nullptr;
}

BillBoardNode* CFireBallGenerator::CreateCarrier(const D3DXMATRIX& origin, const D3DXVECTOR3& velocity) {
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    BillBoardNode* node = manager->AddNode();
    node->Init(kCarrierSize, kWhite);
    node->SetTexture(m_lpTexture);
    node->m_World = origin;
    node->SetTransform(manager->GetDevice());
    node->m_Count = 0;
    node->m_Blend = 0;
    node->m_RenderProc = RenderFireBall;
    node->m_Velocity = velocity;
    node->m_lpSphereHit = weapon::NewCentredSphere(kCarrierSize);
    node->m_EffectType = EFFECT_DAMAGE;
    return node;
}

void CFireBallGenerator::CreateFireBall(D3DXMATRIX* origin, D3DXVECTOR3* velocity) {
    SetTexture(BillBoardTexture("Texture/FireBallNormal.png"));
    BillBoardNode* node = CreateCarrier(*origin, *velocity);
    node->m_UpdateProc = FireBallProcess;
    node->m_UseType = USE_PLAYER;
    PlaySoundEffect("Sound/SE/FireBall.wav");
}

void CFireBallGenerator::CreateFireBallEx(D3DXMATRIX& origin, D3DXVECTOR3& velocity, D3DXMATRIX* target, USE_TYPE use) {
    BillBoardNode* node = CreateCarrier(origin, velocity);
    node->m_UpdateProc = FireBallExProcess;
    node->m_UseType = use;
    node->m_lpTarget = target;
}

void CFireBallGenerator::CreateExplode(D3DXVECTOR3* position) {
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, position->x, position->y, position->z);
    BillBoardNode* node = CreateSheetNode(kExplodeSize, BillBoardTexture("Texture/Explode.png"), world);
    // Drawn one after another: the order of the random numbers matters.
    const float x = RandomUpTo(0.04f) - 0.02f;
    const float y = RandomUpTo(0.03f) + 0.02f;
    const float z = RandomUpTo(0.04f) - 0.02f;
    node->m_Velocity = D3DXVECTOR3(x, y, z);
    node->m_EffectType = EFFECT_EXPLODE;
    node->m_UseType = USE_NONE;
}

// The burst starts where the fireball was last drawn.
void CFireBallGenerator::CreateTrailBurst(BillBoardNode* fireBall, IDirect3DTexture9* texture, USE_TYPE use) {
    BillBoardNode* node = CreateSheetNode(kBurstSize, texture, fireBall->m_OldWorld);
    const float x = RandomUpTo(0.02f) - 0.01f;
    const float y = RandomUpTo(0.02f) - 0.01f;
    const float z = RandomUpTo(0.04f) - 0.02f;
    node->m_Velocity = D3DXVECTOR3(x, y, z);
    node->m_lpSphereHit = weapon::NewCentredSphere(kBurstSize);
    node->m_EffectType = EFFECT_DAMAGE;
    node->m_UseType = use;
}

int CFireBallGenerator::FireBallProcess(BillBoardNode* node) {
    node->m_Velocity.y -= kGravity;
    AdvanceInOwnFrame(node);
    if (node->m_Count % 2 == 0) CreateTrailBurst(node, node->m_lpTexture, USE_PLAYER);
    node->m_Count += 1;
    return node->m_Count >= kStraightLife || node->m_World._42 <= kStraightFloor ? 1 : 0;
}

int CFireBallGenerator::FireBallExProcess(BillBoardNode* node) {
    AdvanceInOwnFrame(node);
    const D3DXVECTOR3 target(node->m_lpTarget->_41, node->m_lpTarget->_42, node->m_lpTarget->_43);
    D3DXVECTOR3 from;
    const D3DXVECTOR3 direction = target - *node->GetOldPos(&from);
    node->RotateLookAtRelativeAngle(&direction, kHomingTurnDegrees);
    if (node->m_Count % 2 == 0) CreateTrailBurst(node, BillBoardTexture("Texture/EnemyFireBall.png"), node->m_UseType);
    node->m_Count += 1;
    if (node->m_Count >= kHomingLife) return 1;
    if (node->m_UseType != USE_PLAYER) {
        // The player's body, in the player's own frame.
        const D3DXVECTOR3 centre(0.0021612048f, -0.122272745f, 2.723699f);
        const float radius = 0.8f;
        CSphereHit body(&centre, &radius);
        if (node->JudgmentProcess(&body, node->m_lpTarget)) return 1;
    }
    return 0;
}

int CFireBallGenerator::ExplodeProcess(BillBoardNode* node) {
    if (node->m_Count <= kBurstMovingAge) node->Move(node->m_Velocity.x, node->m_Velocity.y, node->m_Velocity.z);
    node->SetBillBoard(CBillBoardManager::GetInstance()->GetCameraMatrix());
    node->SetAnimation(node->m_Count);
    if (node->m_Count > kBurstMovingAge) node->m_Blend = 2;
    node->m_Velocity.z *= 1.1f;
    node->m_Count += 1;
    return node->m_Count >= kBurstLife ? 1 : 0;
}

int CFireBallGenerator::RenderFireBall(BillBoardNode* node) { return RenderBillBoardNode(node, kCullRadius); }
