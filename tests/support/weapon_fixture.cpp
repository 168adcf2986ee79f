#include "support/weapon_fixture.h"

#include <unistd.h>

#include "lib/DirectSound.h"
#include "lib/ViewFrustumCulling.h"
#include "lib/texturemanager/TextureManager.h"

void WeaponTest::SetUp() {
    GraphicsTest::SetUp();
    ASSERT_NE(getcwd(m_previousDirectory, sizeof m_previousDirectory), nullptr);
    ASSERT_EQ(chdir(VORTWING_DATA_DIR), 0);
    CDirectSound::GetInstance()->DirectSoundInit(nullptr);

    D3DXMatrixTranslation(&m_camera, 0.0f, 5.0f, -40.0f);
    D3DXMatrixTranslation(&m_view, 0.0f, -5.0f, 40.0f);
    Device()->SetTransform(D3DTS_VIEW, &m_view);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 80.0f * D3DX_PI / 180.0f, 1.3333333f, 1.0f, 5000.0f);
    Device()->SetTransform(D3DTS_PROJECTION, &projection);
    CViewFrustumCulling::CreateFrustum(&m_view, 80.0f, 1.3333333f, 1.0f, 5000.0f);

    m_manager = CBillBoardManager::GetInstance();
    m_manager->Init(Device(), &m_camera);
}

void WeaponTest::TearDown() {
    CBillBoardManager::UnLoad();
    CTextureManager::GetInst()->Release();
    CTextureManager::DeleteInst();
    CDirectSound::GetInstance()->FreeBuffer();
    CDirectSound::GetInstance()->DirectSoundRelease();
    if (m_previousDirectory[0]) {
        EXPECT_EQ(chdir(m_previousDirectory), 0);
    }
    GraphicsTest::TearDown();
}

void WeaponTest::Frame() {
    m_manager->UpdateProcess();
    m_manager->RendreProcess();
}

std::vector<BillBoardNode*> WeaponTest::Nodes(BillBoardProc update) const {
    std::vector<BillBoardNode*> nodes;
    const CList<BillBoardNode>& list = m_manager->m_List;
    for (BillBoardNode* node = list.m_lpHead->m_lpNext; node != list.m_lpTail; node = node->m_lpNext)
        if (node->m_UpdateProc == update) nodes.push_back(node);
    return nodes;
}

bool WeaponTest::SoundPlaying(const char* path) const {
    DWORD status = 0;
    CDirectSound::GetInstance()->GetSecondryBuffer(path)->GetStatus(&status);
    return (status & DSBSTATUS_PLAYING) != 0;
}
