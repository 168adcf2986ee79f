#include <gtest/gtest.h>

#include <cstring>

#include "support/graphics_fixture.h"
#include "platform/win32/window.h"

using DeviceTest = GraphicsTest;

TEST_F(DeviceTest, BackBufferHasTheClientAreaAndClearsToTheFrameColour) {
    IDirect3DDevice9* device = Device();
    ASSERT_NE(device, nullptr);
    D3DSURFACE_DESC description{};
    ASSERT_EQ(m_graphics->m_lpBackBuffer->GetDesc(&description), D3D_OK);
    EXPECT_EQ(description.Width, 800u);
    EXPECT_EQ(description.Height, 600u);

    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff646464, 1.0f, 0);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const d3d9::Pixels pixels = ReadTarget();
    ASSERT_EQ(pixels.width, 800u);
    for (unsigned y : {0u, 299u, 599u})
        for (unsigned x : {0u, 400u, 799u}) EXPECT_EQ(pixels.At(x, y) & 0xFFFFFF, 0x646464u) << x << "," << y;
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(DeviceTest, ClearHonoursTheViewportWithTopLeftOrigin) {
    IDirect3DDevice9* device = Device();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    const D3DVIEWPORT9 viewport{10, 20, 30, 40, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffff0000, 1.0f, 0);
    const RECT inside{15, 25, 17, 27};
    device->Clear(1, &inside, D3DCLEAR_TARGET, 0xff00ff00, 1.0f, 0);
    const d3d9::Pixels pixels = ReadTarget();
    EXPECT_EQ(pixels.At(10, 20), 0xffff0000u);
    EXPECT_EQ(pixels.At(39, 59), 0xffff0000u);
    EXPECT_EQ(pixels.At(9, 20) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels.At(40, 59) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels.At(10, 60) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels.At(15, 25), 0xff00ff00u);
    EXPECT_EQ(pixels.At(17, 27), 0xffff0000u);

    const D3DVIEWPORT9 tooLarge{700, 0, 200, 10, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&tooLarge), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, RenderTargetsSwitchAndResetRestoresTheDevicesOwn) {
    IDirect3DDevice9* device = Device();
    IDirect3DSurface9* offscreen = IDirect3DSurface9::CreateColor(64, 32, D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET);
    ASSERT_NE(offscreen, nullptr);
    ASSERT_EQ(device->SetRenderTarget(0, offscreen), D3D_OK);
    D3DVIEWPORT9 viewport{};
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 64u);
    EXPECT_EQ(viewport.Height, 32u);
    // The device's depth buffer is larger than the target, which is allowed.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff0000ff, 1.0f, 0);
    EXPECT_EQ(PixelAt(63, 31), 0xff0000ffu);

    IDirect3DSurface9* current = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &current), D3D_OK);
    EXPECT_EQ(current, offscreen);
    current->Release();

    m_graphics->ResetRenderTarget();
    ASSERT_EQ(device->GetRenderTarget(0, &current), D3D_OK);
    EXPECT_EQ(current, m_graphics->m_lpBackBuffer);
    current->Release();
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 800u);
    offscreen->Release();
}

TEST_F(DeviceTest, DefaultStatesAndSwitches) {
    IDirect3DDevice9* device = Device();
    DWORD value = 0;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    // Never set by the game: the device defaults stand.
    device->GetRenderState(D3DRS_ALPHAFUNC, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCMP_ALWAYS));
    device->GetRenderState(D3DRS_ALPHAREF, &value);
    EXPECT_EQ(value, 0u);
    device->GetTextureStageState(0, D3DTSS_ALPHAOP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
    device->GetSamplerState(0, D3DSAMP_MIPFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_LINEAR));

    m_graphics->Blend_Add();
    device->GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_ONE));
    m_graphics->Blend_Alpha();
    device->GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));

    m_graphics->SetPixelFogLinear(100.0f, 900.0f, 0xff8090a0);
    device->GetRenderState(D3DRS_FOGENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    device->GetRenderState(D3DRS_FOGTABLEMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DFOG_LINEAR));
    device->GetRenderState(D3DRS_FOGEND, &value);
    float end;
    std::memcpy(&end, &value, sizeof end);
    EXPECT_EQ(end, 900.0f);
}

TEST_F(DeviceTest, ResourcesReleasedAfterTheDeviceStillDeleteCleanly) {
    // The game releases its textures after the device (scene end, then
    // device teardown order); GL objects must outlive the device object.
    IDirect3DSurface9* offscreen = IDirect3DSurface9::CreateColor(16, 16, D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET);
    ASSERT_NE(offscreen, nullptr);
    DestroyWindow(m_window);
    m_window = nullptr;
    CDirectGraphics::UninitDirectGraphics();
    EXPECT_EQ(IDirect3DDevice9::Current(), nullptr);
    offscreen->Release();
}

TEST(DirectGraphics, UninitOfANeverInitialisedSingletonDeletesIt) {
    CDirectGraphics* graphics = CDirectGraphics::GetInstance();
    EXPECT_EQ(graphics->m_lpDevice, nullptr);
    EXPECT_EQ(graphics->m_lpSprite, nullptr);
    CDirectGraphics::UninitDirectGraphics();
    EXPECT_EQ(CDirectGraphics::lpDirectGraphics, nullptr);
}
