#include "game/Recovery.h"

#include "game/BillBoardManager.h"
#include "game/SoundEffect.h"
#include "game/WeaponNodes.h"
#include "lib/DirectGraphics.h"
#include "lib/ViewFrustumCulling.h"
#include "platform/crt/random.h"

using weapon::kOpaqueWhite;

namespace {
constexpr float kQuadSide = 2.5f;
constexpr float kSphereRadius = 2.5f;
constexpr float kMaxTurnPerFrame = 5.0f;  // degrees
// Where the item catches the dragon, in the dragon's frame: its chest.
constexpr float kCatchRadius = 1.0f;
const D3DXVECTOR3 kCatchCentre(0.0021612048f, -0.122272745f, 2.723699f);

constexpr std::int32_t kFlashFadeLength = 30;
constexpr std::int32_t kFlashLife = 50;  // the last 20 frames invisible, still refilling

void AddFlash(const D3DXVECTOR3& position) {
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    BillBoardNode* flash = manager->AddNode();
    flash->Init(kQuadSide, kOpaqueWhite);
    flash->SetTexture(BillBoardTexture("Texture/Effect/BlueFlash.png"));
    flash->Identity();
    flash->Move(position.x, position.y, position.z);
    flash->SetTransform(manager->GetDevice());
    flash->m_Count = 0;
    flash->m_Blend = 1;
    flash->m_UpdateProc = CRecovery::RecoveryFlash;
    flash->m_RenderProc = CRecovery::RecoveryRenderProcess;
    flash->m_lpSphereHit = weapon::NewCentredSphere(kSphereRadius);
    flash->m_EffectType = EFFECT_RECOVERY;
    flash->m_UseType = USE_ITEM;
}
}  // namespace

CRecovery* CRecovery::m_lpRecovery = nullptr;

CRecovery* CRecovery::GetInstance() {
    if (!m_lpRecovery) m_lpRecovery = new CRecovery;
    return m_lpRecovery;
}

void CRecovery::DeleteInstance() {
    delete m_lpRecovery;
    m_lpRecovery = nullptr;
}

void CRecovery::CreateRecovery(D3DXMATRIX* target, D3DXMATRIX* place) {
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    BillBoardNode* item = manager->AddNode();
    item->Init(kQuadSide, kOpaqueWhite);
    item->SetTexture(BillBoardTexture("Texture/Effect/Shot.png"));
    item->Identity();
    item->Move(place->_41, place->_42, place->_43);
    item->SetTransform(manager->GetDevice());
    item->m_Count = 0;
    item->m_Blend = 1;
    item->m_UpdateProc = RecoveryUpdateProcess;
    item->m_RenderProc = RecoveryRenderProcess;
    item->m_Velocity = D3DXVECTOR3(0.0f, 0.0f, 0.1f);
    item->m_EffectType = EFFECT_EXPLODE;
    item->m_UseType = USE_ITEM;
    item->m_lpTarget = target;
    item->m_lpSphereHit = weapon::NewCentredSphere(kSphereRadius);
}

int CRecovery::RecoveryUpdateProcess(BillBoardNode* item) {
    item->Identity();
    item->Move(item->m_Velocity.x, item->m_Velocity.y, item->m_Velocity.z);
    item->m_World *= item->m_OldWorld;

    const D3DXMATRIX* target = item->m_lpTarget;
    const D3DXVECTOR3 toTarget(target->_41 - item->m_OldWorld._41, target->_42 - item->m_OldWorld._42,
                               target->_43 - item->m_OldWorld._43);
    item->RotateLookAtRelativeAngle(&toTarget, kMaxTurnPerFrame);

    // The heading is kept in m_OldWorld; m_World is then turned to the
    // camera for drawing, and the drawing does not commit it.
    item->m_OldWorld = item->m_World;
    item->SetBillBoard(CBillBoardManager::GetInstance()->GetCameraMatrix());
    item->ChangeColor(weapon::WhiteWithAlpha(CrtRand() % 56 + 200));
    item->m_Count += 1;

    CSphereHit catcher(&kCatchCentre, &kCatchRadius);
    if (!item->JudgmentProcess(&catcher, item->m_lpTarget)) return 0;
    PlaySoundEffect("Sound/SE/unison_ok.wav");
    D3DXVECTOR3 position;
    AddFlash(*item->GetPos(&position));
    return 1;
}

int CRecovery::RecoveryFlash(BillBoardNode* flash) {
    flash->SetBillBoard(CBillBoardManager::GetInstance()->GetCameraMatrix());
    const int alpha = flash->m_Count >= kFlashFadeLength ? 0 : weapon::FadingAlpha(flash->m_Count, 0, kFlashFadeLength);
    flash->ChangeColor(weapon::WhiteWithAlpha(alpha));
    flash->m_Count += 1;
    return flash->m_Count >= kFlashLife ? 1 : 0;
}

int CRecovery::RecoveryRenderProcess(BillBoardNode* node) {
    IDirect3DDevice9* device = CBillBoardManager::GetInstance()->GetDevice();
    if (device) device->SetTransform(D3DTS_WORLD, &node->m_World);
    D3DXVECTOR3 position;
    if (!CViewFrustumCulling::ObjectFrustumJudge(node->GetPos(&position), 0.5f)) return 0;
    CDirectGraphics* graphics = CDirectGraphics::GetInstance();
    if (node->m_Blend == 1)
        graphics->Blend_Add();
    else if (node->m_Blend == 2)
        graphics->Blend_Alpha();
    else
        return 0;
    node->Draw(device);
    return 0;
}
