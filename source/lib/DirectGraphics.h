// The process-wide owner of the Direct3D objects: device, sprite batcher,
// font and the device's own render target and depth buffer, plus the small
// render-state switches the game toggles around its drawing.
#pragma once
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/font.h"
#include "platform/d3dx9/sprite.h"

struct D3DXMATRIX;

class CDirectGraphics {
public:
    static CDirectGraphics* GetInstance();

    int InitDirectGraphics(HWND window, int width, int height, D3DFORMAT backBufferFormat, bool fullScreen);
    void SetState();
    static void UninitDirectGraphics();

    void ZEnable(bool enable);
    void ZWriteEnable(bool enable);
    void LightEnable(bool enable);
    void SpecularEnable(int enable);
    void AlphaTestEnable(bool enable);
    void FogEnable(bool enable);
    void Blend_Add();
    void Blend_Alpha();
    void ResetRenderTarget();
    void SetPixelFogLinear(float start, float end, D3DCOLOR colour);
    // A screen rectangle in pixels (top-left origin) with the texture of
    // stage 0 stretched over it, drawn without depth test or depth writes.
    void DrawQuad(float x, float y, float width, float height, D3DCOLOR colour);
    // Brings a lost device back; 1 while it is still lost, else 0.
    int RestoreDevice();

    IDirect3DDevice9* GetDevice() const { return m_lpDevice; }
    ID3DXSprite* GetSprite() const { return m_lpSprite; }
    ID3DXFont* GetFont() const { return m_lpFont; }

    IDirect3D9* m_lpD3D;
    D3DPRESENT_PARAMETERS m_PresentParameters;
    IDirect3DSurface9* m_lpBackBuffer;
    IDirect3DSurface9* m_lpDepthStencil;
    IDirect3DDevice9* m_lpDevice;
    ID3DXSprite* m_lpSprite;
    ID3DXFont* m_lpFont;
    std::int32_t m_DeviceLost;
    D3DXMATRIX* m_lpViewMatrix;
    D3DXMATRIX* m_lpProjMatrix;

    static CDirectGraphics* lpDirectGraphics;

private:
    CDirectGraphics() = default;
    void CreateSpriteAndFont();
};
