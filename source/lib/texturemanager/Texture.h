// One texture with its level-0 surface: a loaded image, or a render target
// that post effects draw into and then onto the screen.
#pragma once
#include "platform/d3dx9/texture_loader.h"

class CTexture {
public:
    CTexture();
    virtual ~CTexture();

    int LoadTexture(const char* fileName);
    int LoadTextureEx(const char* fileName, UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                      D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey, PALETTEENTRY* palette);
    int CreateTexture(UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    void Unload();
    IDirect3DTexture9* GetTex() const { return m_lpTexture; }
    void SetRenderTarget();
    void Draw(float x, float y, float width, float height, D3DCOLOR colour);

protected:
    IDirect3DTexture9* m_lpTexture;
    IDirect3DSurface9* m_lpSurface;
    D3DXIMAGE_INFO m_ImageInfo;
    RECT m_Rect;

private:
    int TakeSurface();
};
