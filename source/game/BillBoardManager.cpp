#include "game/BillBoardManager.h"

#include "lib/DirectGraphics.h"
#include "lib/ViewFrustumCulling.h"
#include "lib/texturemanager/TextureManager.h"

CBillBoardManager* CBillBoardManager::lpBillBoardManager = nullptr;

CBillBoardManager* CBillBoardManager::GetInstance() {
    if (!lpBillBoardManager) lpBillBoardManager = new CBillBoardManager;
    return lpBillBoardManager;
}

void CBillBoardManager::Init(IDirect3DDevice9* device, D3DXMATRIX* cameraMatrix) {
    m_lpDevice = device;
    m_lpCameraMatrix = cameraMatrix;
    m_List.Init();
}

void CBillBoardManager::UpdateProcess() {
    if (!m_List.m_lpHead) return;
    BillBoardNode* node = m_List.m_lpHead->m_lpNext;
    while (node->m_Priority != CList<BillBoardNode>::kTailKey) {
        if (node->UpdateProcess(node) == 1)
            node = m_List.DelNode(node);
        else
            node = node->m_lpNext;
    }
}

void CBillBoardManager::RendreProcess() {
    if (!m_List.m_lpHead) return;
    for (BillBoardNode* node = m_List.m_lpHead->m_lpNext; node->m_Priority != CList<BillBoardNode>::kTailKey;
         node = node->m_lpNext)
        node->RenderProcess(node);
}

std::int16_t CBillBoardManager::JudgmentProcess(CSphereHit& sphere, D3DXMATRIX& matrix, USE_TYPE use,
                                                EFFECT_TYPE effect) {
    std::int16_t count = 0;
    if (!m_List.m_lpHead) return count;
    for (BillBoardNode* node = m_List.m_lpHead->m_lpNext; node->m_Priority != CList<BillBoardNode>::kTailKey;
         node = node->m_lpNext) {
        if (node->m_EffectType == effect && node->m_UseType == use && node->JudgmentProcess(&sphere, &matrix)) ++count;
    }
    return count;
}

void CBillBoardManager::UnLoad() {
    if (!lpBillBoardManager) return;
    lpBillBoardManager->m_List.Uninit();
    delete lpBillBoardManager;
    lpBillBoardManager = nullptr;
}

int RenderBillBoardNode(BillBoardNode* node, float cullRadius) {
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    node->SetTransform(manager->GetDevice());
    D3DXVECTOR3 position;
    if (!CViewFrustumCulling::ObjectFrustumJudge(node->GetPos(&position), cullRadius)) return 0;
    CDirectGraphics* graphics = CDirectGraphics::GetInstance();
    switch (node->m_Blend) {
    case 1: graphics->Blend_Add(); break;
    case 2: graphics->Blend_Alpha(); break;
    default: return 0;
    }
    node->Draw(manager->GetDevice());
    return 0;
}

IDirect3DTexture9* BillBoardTexture(const char* fileName, D3DCOLOR colourKey) {
    return CTextureManager::GetInst()->GetTexture(CBillBoardManager::GetInstance()->GetDevice(), fileName, D3DX_DEFAULT,
                                                  D3DX_DEFAULT, 4294967296.0f, 4294967296.0f, colourKey, 0);
}
