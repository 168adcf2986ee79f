#include "support/weapon_fixture.h"

#include "lib/DirectSound.h"
#include "lib/ViewFrustumCulling.h"

void WeaponTest::SetUp() {
    BillBoardSceneTest::SetUp();
    if (HasFatalFailure()) return;
    CDirectSound::GetInstance()->DirectSoundInit(nullptr);

    // The camera's world matrix (what the billboards face) and its view.
    D3DXMatrixTranslation(&m_camera, 0.0f, 5.0f, -40.0f);
    D3DXMATRIX view;
    D3DXMatrixTranslation(&view, 0.0f, -5.0f, 40.0f);
    Device()->SetTransform(D3DTS_VIEW, &view);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 80.0f * D3DX_PI / 180.0f, 4.0f / 3.0f, 1.0f, 5000.0f);
    Device()->SetTransform(D3DTS_PROJECTION, &projection);
    CViewFrustumCulling::CreateFrustum(&view, 80.0f, 4.0f / 3.0f, 1.0f, 5000.0f);
}

void WeaponTest::TearDown() {
    CDirectSound::GetInstance()->FreeBuffer();
    CDirectSound::GetInstance()->DirectSoundRelease();
    BillBoardSceneTest::TearDown();
}

bool WeaponTest::SoundPlayed(const char* path) const {
    return dsound::PlayCalls(CDirectSound::GetInstance()->GetSecondryBuffer(path)) > 0;
}
