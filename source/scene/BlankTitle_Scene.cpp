#include "scene/BlankTitle_Scene.h"

#include "lib/DirectGraphics.h"

int CBlankTitle_Scene::InitProc() { return 1; }

int CBlankTitle_Scene::MainProc() {
    UpdateProc();
    RenderProc();
    return m_RetryScene;
}

int CBlankTitle_Scene::UpdateProc() { return 1; }

int CBlankTitle_Scene::RenderProc() {
    CDirectGraphics* graphics = CDirectGraphics::GetInstance();
    IDirect3DDevice9* device = graphics->m_lpDevice;
    if (!device) return 0;
    if (SUCCEEDED(device->BeginScene())) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff646464, 1.0f, 0);
        device->EndScene();
    }
    if (device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) graphics->m_DeviceLost = 1;
    return 1;
}

int CBlankTitle_Scene::EndProc() { return 1; }
