#include "lib/texturemanager/Texture.h"

#include "lib/DirectGraphics.h"

CTexture::CTexture() : m_lpTexture(nullptr), m_lpSurface(nullptr), m_ImageInfo{}, m_Rect{} {}

CTexture::~CTexture() { Unload(); }

void CTexture::Unload() {
    if (m_lpSurface) m_lpSurface->Release();
    m_lpSurface = nullptr;
    if (m_lpTexture) m_lpTexture->Release();
    m_lpTexture = nullptr;
}

int CTexture::TakeSurface() {
    if (FAILED(m_lpTexture->GetSurfaceLevel(0, &m_lpSurface))) return 0;
    m_Rect = RECT{0, 0, static_cast<LONG>(m_ImageInfo.Width), static_cast<LONG>(m_ImageInfo.Height)};
    return 1;
}

int CTexture::LoadTexture(const char* fileName) {
    return LoadTextureEx(fileName, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                         D3DX_FILTER_NONE, 0, nullptr);
}

int CTexture::LoadTextureEx(const char* fileName, UINT width, UINT height, UINT mipLevels, DWORD usage,
                            D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                            PALETTEENTRY* palette) {
    Unload();
    IDirect3DDevice9* device = CDirectGraphics::GetInstance()->m_lpDevice;
    if (FAILED(D3DXCreateTextureFromFileExA(device, fileName, width, height, mipLevels, usage, format, pool, filter,
                                            mipFilter, colorKey, &m_ImageInfo, palette, &m_lpTexture)))
        return 0;
    return TakeSurface();
}

int CTexture::CreateTexture(UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
    IDirect3DDevice9* device = CDirectGraphics::GetInstance()->m_lpDevice;
    if (FAILED(D3DXCreateTexture(device, width, height, mipLevels, usage, format, pool, &m_lpTexture))) return 0;
    m_ImageInfo = D3DXIMAGE_INFO{width, height, 1, mipLevels, format, D3DRTYPE_TEXTURE, D3DXIFF_BMP};
    return TakeSurface();
}

void CTexture::SetRenderTarget() {
    if (m_lpSurface) CDirectGraphics::GetInstance()->m_lpDevice->SetRenderTarget(0, m_lpSurface);
}

void CTexture::Draw(float x, float y, float width, float height, D3DCOLOR colour) {
    CDirectGraphics* graphics = CDirectGraphics::GetInstance();
    graphics->m_lpDevice->SetTexture(0, m_lpTexture);
    graphics->DrawQuad(x, y, width, height, colour);
}
