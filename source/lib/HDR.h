// CHDR: the resources of a bloom post-process — its effect, a full-screen
// render-target texture (this object itself), three small blur targets and a
// depth surface of screen size. The title creates and releases them with
// every visit; nothing draws through them yet.
#pragma once
#include "lib/texturemanager/Texture.h"
#include "platform/d3dx9/effect.h"

class CHDR : public CTexture {
public:
    static constexpr int BLUR_TARGETS = 3;
    // Side of the square blur targets: 512 shrunk to a quarter.
    static constexpr UINT BLUR_SIZE = 128;

    CHDR();
    ~CHDR() override;

    // Compiles the effect and creates the targets for a screen of
    // width x height. Only a failed full-screen texture is reported.
    void CreateHDREffect(const char* fileName, IDirect3DDevice9* device, float width, float height);
    ID3DXEffect* GetEffectAddress() const { return m_lpEffect; }
    // Releases everything CreateHDREffect made; safe to call again.
    void EndProc();

    IDirect3DTexture9* GetBlurTexture(int index) const { return m_BlurTexture[index].GetTex(); }
    IDirect3DSurface9* GetDepthSurface() const { return m_lpDepthSurface; }

    CTexture m_BlurTexture[BLUR_TARGETS];
    IDirect3DSurface9* m_lpDepthSurface;
    ID3DXEffect* m_lpEffect;
    float m_Width;
    float m_Height;
};
