// The Direct3D 9 subset over OpenGL 3.3 core: the Direct3D object, the device
// and its surfaces. See the layer's design notes for the conventions (clip
// depth, top-left origin, BGRA colours, lazily applied states).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/d3d9/d3d9types.h"
#include "platform/gl/names.h"
#include "platform/win32/unknown.h"

class IDirect3DDevice9;
class IDirect3DBaseTexture9;
class IDirect3DTexture9;
class ID3DXEffect;
class IDirect3DVertexDeclaration9;
struct SDL_Window;
namespace gl {
struct Rect;
}

// Shaders are only ever set to none by the game: effects bring their own.
class IDirect3DVertexShader9;
class IDirect3DPixelShader9;

enum D3DPRIMITIVETYPE : DWORD {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
};

constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_SPECULAR = 0x080;
constexpr DWORD D3DFVF_TEX1 = 0x100;
constexpr DWORD D3DFVF_PSIZE = 0x020;
constexpr DWORD D3DFVF_XYZB1 = 0x006;
constexpr DWORD D3DFVF_XYZB2 = 0x008;
constexpr DWORD D3DFVF_XYZB3 = 0x00A;
constexpr DWORD D3DFVF_XYZB4 = 0x00C;
constexpr DWORD D3DFVF_XYZB5 = 0x00E;
constexpr DWORD D3DFVF_POSITION_MASK = 0x400E;
constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr DWORD D3DFVF_LASTBETA_UBYTE4 = 0x1000;
constexpr DWORD D3DFVF_LASTBETA_D3DCOLOR = 0x8000;

// A 2D picture on the GPU: the level of a texture, the device's back buffer,
// or a depth-stencil buffer. Surfaces of a texture live as long as it does:
// their references are the texture's.
class IDirect3DSurface9 : public IUnknown {
public:
    HRESULT GetDesc(D3DSURFACE_DESC* description);

    ULONG AddRef() override;
    ULONG Release() override;

    // Layer side.
    static IDirect3DSurface9* CreateColor(UINT width, UINT height, D3DFORMAT format, DWORD usage);
    static IDirect3DSurface9* CreateDepthStencil(UINT width, UINT height, D3DFORMAT format);
    // A surface that shows one mip level of a texture owned elsewhere.
    static IDirect3DSurface9* CreateTextureLevel(IUnknown* container, GLuint texture, UINT level, UINT width,
                                                 UINT height, D3DFORMAT format, DWORD usage);
    void DestroyOwnedByContainer();
    GLuint ColorTexture() const { return m_colorTexture; }
    UINT Level() const { return m_level; }
    GLuint DepthRenderbuffer() const { return m_depthRenderbuffer; }
    UINT Width() const { return m_description.Width; }
    UINT Height() const { return m_description.Height; }

private:
    IDirect3DSurface9() = default;
    ~IDirect3DSurface9() override;

    D3DSURFACE_DESC m_description{};
    GLuint m_colorTexture = 0;
    UINT m_level = 0;
    GLuint m_depthRenderbuffer = 0;
    bool m_ownsGlObject = false;
    IUnknown* m_container = nullptr;
};

class IDirect3D9 : public IUnknown {
public:
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode);
    // Every device type and vertex-processing choice means the same GL 3.3
    // context on the window; fails when none can be made.
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* presentationParameters, IDirect3DDevice9** device);
};

IDirect3D9* Direct3DCreate9(UINT sdkVersion);

namespace d3d9 {
// World-space triangle lists and strips drawn without an effect are gathered
// while only the world transform changes between them (see fixed_function.h),
// and drawn as one when anything else is about to change: every device call
// that changes a state, draws, clears, presents or reads pixels back calls
// this first.
void FlushBatchedDraws();
}  // namespace d3d9

class IDirect3DDevice9 : public IUnknown {
public:
    HRESULT TestCooperativeLevel();
    HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters);
    HRESULT Present(const RECT* sourceRect, const RECT* destinationRect, HWND overrideWindow, const void* dirtyRegion);
    HRESULT BeginScene();
    HRESULT EndScene();
    HRESULT Clear(DWORD rectCount, const void* rects, DWORD flags, DWORD colour, float z, DWORD stencil);

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value);
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value);

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix);
    HRESULT SetViewport(const D3DVIEWPORT9* viewport);
    HRESULT GetViewport(D3DVIEWPORT9* viewport);

    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface);
    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface);
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface);
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface);
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                      DWORD multiSampleQuality, BOOL discard, IDirect3DSurface9** surface,
                                      void* sharedHandle);

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** texture, void* sharedHandle);
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture);
    HRESULT SetFVF(DWORD fvf);
    HRESULT GetFVF(DWORD* fvf);
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride);

    HRESULT SetVertexShader(IDirect3DVertexShader9* shader);
    HRESULT SetPixelShader(IDirect3DPixelShader9* shader);

    // Kept for the game to read back; with lighting off (as the game runs)
    // the fixed-function colour does not depend on it.
    HRESULT SetMaterial(const D3DMATERIAL9* material);
    HRESULT GetMaterial(D3DMATERIAL9* material);
    // Vertex shader model 3.0, 256 bone matrices, 32-bit indices.
    HRESULT GetDeviceCaps(D3DCAPS9* caps);
    // Skinning always runs in the vertex program; the flag is only stored.
    HRESULT SetSoftwareVertexProcessing(BOOL software);
    BOOL GetSoftwareVertexProcessing();
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, IDirect3DVertexDeclaration9** declaration);

    // Layer side: the effect whose pass is running; meshes drawn meanwhile
    // go through its program instead of the fixed-function one.
    void SetActiveEffect(ID3DXEffect* effect) {
        if (effect != m_activeEffect) d3d9::FlushBatchedDraws();
        m_activeEffect = effect;
    }
    ID3DXEffect* ActiveEffect() const { return m_activeEffect; }

    // Layer side: binds the current render target and depth buffer and
    // brings GL's fixed state in line with the render states; every draw
    // of the layer calls it first. A screen-space draw (pre-transformed
    // vertices) first brings a reduced-scale 3D picture onto the back buffer
    // (see scene_scale.h).
    void PrepareDraw(bool screenSpace = false, bool clearsDepth = false);
    // Layer side: stretches the frame's reduced-scale 3D picture onto the
    // back buffer if it is not there yet; what is drawn after it goes to the
    // back buffer at full size.
    void ResolveScaledScene();
    IDirect3DSurface9* BackBuffer() const { return m_backBuffer; }
    // Binds a texture to a stage's unit with the stage's sampler state in GL
    // terms, its mip chain brought up to date where the filter reads it.
    void ApplySamplerStates(DWORD sampler, IDirect3DBaseTexture9* texture);
    const D3DMATRIX& Transform(D3DTRANSFORMSTATETYPE state) const;
    DWORD RenderState(D3DRENDERSTATETYPE state) const { return m_renderStates[state]; }
    DWORD TextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const { return m_stageStates[stage][type]; }
    // The size of the current render target.
    UINT TargetWidth() const;
    UINT TargetHeight() const;

    static IDirect3DDevice9* Create(HWND window, const D3DPRESENT_PARAMETERS& parameters);
    // The device alive now (the program has at most one), or null.
    static IDirect3DDevice9* Current();

private:
    IDirect3DDevice9() = default;
    ~IDirect3DDevice9() override;
    bool CreateBackBuffer(UINT width, UINT height);
    void ResetStatesToDefaults();
    void ResetViewportToTarget();
    static void SafeReleaseSurface(IDirect3DSurface9*& surface);
    // Draws aimed at the back buffer go to the reduced-scale target now.
    bool Redirected() const { return m_sceneScaled && m_renderTarget == m_backBuffer; }
    // Starts a frame at the scale the presentation chose for it.
    void BeginScaledFrame();
    // A rectangle in back-buffer pixels in the reduced-scale target's.
    RECT ToScaled(const RECT& rect) const;
    // A viewport in the GL pixels of the framebuffer drawn into.
    gl::Rect DrawnRect(const D3DVIEWPORT9& viewport) const;
    // The full-size depth buffer is about to be tested or partly cleared
    // after the frame's picture was resolved: it takes the 3D's depth.
    bool FullDepthStale() const {
        return m_fullDepthStale && m_renderTarget == m_backBuffer && m_depthStencil == m_autoDepthStencil;
    }
    void CatchUpFullDepth();
    // Stretches the reduced-scale target's colour (filtered) or depth over
    // the whole back buffer.
    void StretchScaledToFull(bool depth);
    void ReleaseScaledTargets();

    HWND m_window = nullptr;
    SDL_Window* m_sdlWindow = nullptr;
    D3DPRESENT_PARAMETERS m_parameters{};
    IDirect3DSurface9* m_backBuffer = nullptr;
    IDirect3DSurface9* m_autoDepthStencil = nullptr;
    IDirect3DSurface9* m_renderTarget = nullptr;
    IDirect3DSurface9* m_depthStencil = nullptr;
    D3DVIEWPORT9 m_viewport{};
    // The reduced-scale 3D target (none at scale 1), and whether this
    // frame's 3D goes there: until the picture was resolved.
    IDirect3DSurface9* m_scaledColor = nullptr;
    IDirect3DSurface9* m_scaledDepth = nullptr;
    bool m_sceneScaled = false;
    // The full-size depth buffer has not seen the frame's 3D depth yet.
    bool m_fullDepthStale = false;
    bool m_inScene = false;
    std::array<DWORD, D3D_RENDER_STATE_COUNT> m_renderStates{};
    std::array<std::array<DWORD, D3D_TEXTURE_STAGE_STATE_COUNT>, D3D_MAX_TEXTURE_STAGES> m_stageStates{};
    std::array<std::array<DWORD, D3D_SAMPLER_STATE_COUNT>, D3D_MAX_TEXTURE_STAGES> m_samplerStates{};
    D3DMATRIX m_world{}, m_view{}, m_projection{};
    std::array<IDirect3DBaseTexture9*, D3D_MAX_TEXTURE_STAGES> m_textures{};
    DWORD m_fvf = 0;
    ID3DXEffect* m_activeEffect = nullptr;
    std::array<D3DMATRIX, 8> m_textureTransforms{};
    D3DMATERIAL9 m_material{};
    BOOL m_softwareVertexProcessing = FALSE;
};
