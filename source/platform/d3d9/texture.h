// Textures of the Direct3D subset: 2D textures with a mip chain, whose
// levels can be locked (CPU copy, uploaded at unlock) and whose level-0
// surface can be a render target.
#pragma once
#include <vector>

#include "platform/d3d9/d3d9.h"

class IDirect3DBaseTexture9 : public IUnknown {
public:
    virtual GLuint GlTexture() const = 0;
    virtual bool HasMipmaps() const = 0;
    // Brings levels 1 and up in line with level 0 before a draw samples
    // them (see GenerateMipSubLevels).
    virtual void PrepareMipmaps() = 0;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
public:
    // A texture of width x height in the format; levels 0 means a full chain.
    static IDirect3DTexture9* Create(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description);
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface);
    DWORD GetLevelCount() const { return m_levelCount; }
    // Pixels of a level in the texture's format (B, G, R, A bytes for the
    // 8-bit formats); writes reach the GPU at UnlockRect.
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);
    // Rebuilds levels 1 and up from level 0. The work waits until the
    // levels are first read: a draw that samples them, a lock or a surface
    // handed out. Many textures (sprites, the HUD) are only ever drawn
    // unfiltered by mips and never need the chain.
    void GenerateMipSubLevels();
    void PrepareMipmaps() override;

    GLuint GlTexture() const override { return m_texture; }
    bool HasMipmaps() const override { return m_levelCount > 1; }
    D3DFORMAT Format() const { return m_format; }
    UINT Width() const { return m_width; }
    UINT Height() const { return m_height; }

private:
    IDirect3DTexture9() = default;
    ~IDirect3DTexture9() override;

    GLuint m_texture = 0;
    UINT m_width = 0, m_height = 0;
    DWORD m_levelCount = 1;
    bool m_mipmapsPending = false;
    DWORD m_usage = 0;
    D3DFORMAT m_format = D3DFMT_UNKNOWN;
    D3DPOOL m_pool = D3DPOOL_DEFAULT;
    std::vector<IDirect3DSurface9*> m_surfaces;
    std::vector<std::vector<std::uint8_t>> m_lockedLevels;
};
using LPDIRECT3DTEXTURE9 = IDirect3DTexture9*;
using LPDIRECT3DSURFACE9 = IDirect3DSurface9*;
