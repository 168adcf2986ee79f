#include "lib/DirectGraphics.h"

#include <cstring>
#include <new>

#include "platform/win32/messagebox.h"

CDirectGraphics* CDirectGraphics::lpDirectGraphics = nullptr;

namespace {
template <typename T>
void ReleaseIfPresent(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
}  // namespace

CDirectGraphics* CDirectGraphics::GetInstance() {
    if (!lpDirectGraphics) {
        // Zero-filled on first use: every pointer null, the flag clear.
        void* memory = ::operator new(sizeof(CDirectGraphics));
        std::memset(memory, 0, sizeof(CDirectGraphics));
        lpDirectGraphics = new (memory) CDirectGraphics;
    }
    return lpDirectGraphics;
}

int CDirectGraphics::InitDirectGraphics(HWND window, int width, int height, D3DFORMAT backBufferFormat,
                                        bool fullScreen) {
    m_lpD3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!m_lpD3D) return 0;

    D3DDISPLAYMODE displayMode{};
    if (FAILED(m_lpD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &displayMode))) return 0;

    std::memset(&m_PresentParameters, 0, sizeof m_PresentParameters);
    if (fullScreen) {
        m_PresentParameters.BackBufferWidth = static_cast<UINT>(width);
        m_PresentParameters.BackBufferHeight = static_cast<UINT>(height);
        m_PresentParameters.BackBufferFormat = backBufferFormat;
        m_PresentParameters.Windowed = FALSE;
    } else {
        m_PresentParameters.BackBufferFormat = displayMode.Format;
        m_PresentParameters.Windowed = TRUE;
    }
    m_PresentParameters.BackBufferCount = 1;
    m_PresentParameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    m_PresentParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_PresentParameters.hDeviceWindow = window;
    m_PresentParameters.EnableAutoDepthStencil = TRUE;
    m_PresentParameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    m_PresentParameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;

    const struct {
        D3DDEVTYPE type;
        DWORD vertexProcessing;
    } attempts[] = {
        {D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING},
        {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        {D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
    };
    for (const auto& attempt : attempts) {
        if (SUCCEEDED(m_lpD3D->CreateDevice(D3DADAPTER_DEFAULT, attempt.type, window, attempt.vertexProcessing,
                                            &m_PresentParameters, &m_lpDevice)))
            break;
    }
    if (!m_lpDevice) {
        MessageBoxA(window, "Direct3Dの初期化に失敗。", "Direct3D初期化", MB_OK | MB_ICONERROR);
        return 0;
    }

    CreateSpriteAndFont();
    m_DeviceLost = 0;
    m_lpViewMatrix = nullptr;
    m_lpProjMatrix = nullptr;
    m_lpDevice->GetRenderTarget(0, &m_lpBackBuffer);
    m_lpDevice->GetDepthStencilSurface(&m_lpDepthStencil);
    return 1;
}

void CDirectGraphics::CreateSpriteAndFont() {
    D3DXCreateSprite(m_lpDevice, &m_lpSprite);
    D3DXCreateFontA(m_lpDevice, 12, 0, 0, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック", &m_lpFont);
}

void CDirectGraphics::SetState() {
    if (!m_lpDevice) return;
    IDirect3DDevice9* device = m_lpDevice;
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, FloatBits(0.0f));
}

void CDirectGraphics::UninitDirectGraphics() {
    CDirectGraphics* graphics = lpDirectGraphics;
    if (!graphics) return;
    // The device goes first, as the program always did; the objects made
    // from it keep it alive through their own references until they go.
    ReleaseIfPresent(graphics->m_lpDevice);
    ReleaseIfPresent(graphics->m_lpD3D);
    ReleaseIfPresent(graphics->m_lpSprite);
    ReleaseIfPresent(graphics->m_lpFont);
    ReleaseIfPresent(graphics->m_lpDepthStencil);
    ReleaseIfPresent(graphics->m_lpBackBuffer);
    graphics->~CDirectGraphics();
    ::operator delete(graphics);
    lpDirectGraphics = nullptr;
}

void CDirectGraphics::ZEnable(bool enable) { m_lpDevice->SetRenderState(D3DRS_ZENABLE, enable); }
void CDirectGraphics::ZWriteEnable(bool enable) { m_lpDevice->SetRenderState(D3DRS_ZWRITEENABLE, enable); }
void CDirectGraphics::LightEnable(bool enable) { m_lpDevice->SetRenderState(D3DRS_LIGHTING, enable); }
void CDirectGraphics::SpecularEnable(int enable) {
    m_lpDevice->SetRenderState(D3DRS_SPECULARENABLE, static_cast<DWORD>(enable));
}
void CDirectGraphics::AlphaTestEnable(bool enable) { m_lpDevice->SetRenderState(D3DRS_ALPHATESTENABLE, enable); }
void CDirectGraphics::FogEnable(bool enable) { m_lpDevice->SetRenderState(D3DRS_FOGENABLE, enable); }

void CDirectGraphics::Blend_Add() {
    m_lpDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_lpDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
}

void CDirectGraphics::Blend_Alpha() {
    m_lpDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_lpDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void CDirectGraphics::ResetRenderTarget() {
    m_lpDevice->SetRenderTarget(0, m_lpBackBuffer);
    m_lpDevice->SetDepthStencilSurface(m_lpDepthStencil);
}

void CDirectGraphics::SetPixelFogLinear(float start, float end, D3DCOLOR colour) {
    m_lpDevice->SetRenderState(D3DRS_FOGCOLOR, colour);
    m_lpDevice->SetRenderState(D3DRS_FOGSTART, FloatBits(start));
    m_lpDevice->SetRenderState(D3DRS_FOGEND, FloatBits(end));
    m_lpDevice->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    m_lpDevice->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    FogEnable(true);
}

int CDirectGraphics::RestoreDevice() {
    if (!m_lpDevice) return 0;
    const HRESULT level = m_lpDevice->TestCooperativeLevel();
    if (level == D3DERR_DEVICELOST) return 1;
    if (level != D3DERR_DEVICENOTRESET) return 0;
    ReleaseIfPresent(m_lpSprite);
    ReleaseIfPresent(m_lpFont);
    const HRESULT reset = m_lpDevice->Reset(&m_PresentParameters);
    if (FAILED(reset)) return reset == D3DERR_DEVICELOST ? 1 : 0;
    CreateSpriteAndFont();
    SetState();
    return 0;
}

void CDirectGraphics::DrawQuad(float x, float y, float width, float height, D3DCOLOR colour) {
    struct ScreenVertex {
        float x, y, z, rhw;
        D3DCOLOR colour;
        float u, v;
    };
    const ScreenVertex vertices[4] = {
        {x, y, 0.0f, 1.0f, colour, 0.0f, 0.0f},
        {x + width, y, 0.0f, 1.0f, colour, 1.0f, 0.0f},
        {x, y + height, 0.0f, 1.0f, colour, 0.0f, 1.0f},
        {x + width, y + height, 0.0f, 1.0f, colour, 1.0f, 1.0f},
    };
    DWORD zEnable = 0, zWrite = 0, cull = 0;
    m_lpDevice->GetRenderState(D3DRS_ZENABLE, &zEnable);
    m_lpDevice->GetRenderState(D3DRS_ZWRITEENABLE, &zWrite);
    m_lpDevice->GetRenderState(D3DRS_CULLMODE, &cull);
    m_lpDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
    m_lpDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    m_lpDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_lpDevice->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    m_lpDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, vertices, sizeof(ScreenVertex));
    m_lpDevice->SetRenderState(D3DRS_ZENABLE, zEnable);
    m_lpDevice->SetRenderState(D3DRS_ZWRITEENABLE, zWrite);
    m_lpDevice->SetRenderState(D3DRS_CULLMODE, cull);
}
