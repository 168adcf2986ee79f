#include "lib/HDR.h"

#include "lib/Matrix.h"
#include "platform/win32/messagebox.h"

CHDR::CHDR() : m_lpDepthSurface(nullptr), m_lpEffect(nullptr), m_Width(0.0f), m_Height(0.0f) {}

CHDR::~CHDR() { EndProc(); }

void CHDR::CreateHDREffect(const char* fileName, IDirect3DDevice9* device, float width, float height) {
    // A second creation without EndProc must not leak the first set.
    EndProc();
    D3DXCreateEffectFromFileA(device, fileName, nullptr, nullptr, 0, nullptr, &m_lpEffect, nullptr);

    const UINT pixelsWide = static_cast<UINT>(width);
    const UINT pixelsHigh = static_cast<UINT>(height);
    if (!CreateTexture(pixelsWide, pixelsHigh, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT))
        MessageBoxA(nullptr, "HDRTexture作成失敗", "ERROR", MB_OK);
    for (CTexture& blur : m_BlurTexture)
        blur.CreateTexture(BLUR_SIZE, BLUR_SIZE, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    if (device)
        device->CreateDepthStencilSurface(pixelsWide, pixelsHigh, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                          &m_lpDepthSurface, nullptr);
    m_Width = width;
    m_Height = height;
}

void CHDR::EndProc() {
    SafeRelease(&m_lpEffect);
    Unload();
    for (CTexture& blur : m_BlurTexture) blur.Unload();
    SafeRelease(&m_lpDepthSurface);
}
