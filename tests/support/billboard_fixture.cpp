#include "support/billboard_fixture.h"

#include <unistd.h>

#include <climits>

#include "lib/ViewFrustumCulling.h"
#include "lib/texturemanager/TextureManager.h"

void BillBoardSceneTest::SetUp() {
    GraphicsTest::SetUp();
    if (HasFatalFailure()) return;
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    m_previousDirectory = previous;
    ASSERT_EQ(chdir(VORTWING_DATA_DIR), 0);

    D3DXMatrixIdentity(&m_camera);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 4.0f / 3.0f, 1.0f, 1000.0f);
    Device()->SetTransform(D3DTS_VIEW, &m_camera);
    Device()->SetTransform(D3DTS_PROJECTION, &projection);
    CViewFrustumCulling::CreateFrustum(&m_camera, 90.0f, 4.0f / 3.0f, 1.0f, 1000.0f);
    m_graphics->LightEnable(false);
    m_graphics->ZWriteEnable(false);
    m_manager = CBillBoardManager::GetInstance();
    m_manager->Init(Device(), &m_camera);
}

void BillBoardSceneTest::TearDown() {
    CBillBoardManager::UnLoad();
    if (CTextureManager::g_Inst) {
        CTextureManager::GetInst()->Release();
        CTextureManager::DeleteInst();
    }
    if (!m_previousDirectory.empty()) {
        EXPECT_EQ(chdir(m_previousDirectory.c_str()), 0);
    }
    GraphicsTest::TearDown();
}

void BillBoardSceneTest::Frame() {
    m_manager->UpdateProcess();
    Device()->BeginScene();
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF101820, 1.0f, 0);
    m_manager->RendreProcess();
    Device()->EndScene();
}

std::vector<BillBoardNode*> BillBoardSceneTest::NodesRunBy(BillBoardProc update) const {
    std::vector<BillBoardNode*> nodes;
    const CList<BillBoardNode>& list = m_manager->m_List;
    for (BillBoardNode* node = list.m_lpHead->m_lpNext; node != list.m_lpTail; node = node->m_lpNext)
        if (node->m_UpdateProc == update) nodes.push_back(node);
    return nodes;
}

std::size_t BillBoardSceneTest::LiveCount() const {
    std::size_t count = 0;
    const CList<BillBoardNode>& list = m_manager->m_List;
    for (BillBoardNode* node = list.m_lpHead->m_lpNext; node != list.m_lpTail; node = node->m_lpNext) ++count;
    return count;
}

bool BillBoardSceneTest::SaveShot(const char* fileName) {
    return d3d9::SavePng(m_previousDirectory + "/" + fileName, ReadTarget());
}
