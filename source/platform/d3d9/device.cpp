#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/formats.h"
#include "platform/d3d9/texture.h"
#include "platform/d3d9/presentation.h"
#include "platform/d3d9/scene_scale.h"
#include "platform/d3d9/vertex_declaration.h"
#include "platform/gl/context.h"
#include "platform/gl/framebuffer.h"
#include "platform/gl/state_cache.h"
#include "platform/win32/window.h"

namespace {
IDirect3DDevice9* g_currentDevice = nullptr;

D3DMATRIX Identity() {
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    return identity;
}

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

GLenum GlBlendFactor(DWORD blend) {
    switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum GlBlendEquation(DWORD operation) {
    switch (operation) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum GlCompare(DWORD function) {
    switch (function) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLint GlAddress(DWORD address) {
    switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
    }
}
}  // namespace

IDirect3DDevice9* IDirect3DDevice9::Current() { return g_currentDevice; }

IDirect3DDevice9* IDirect3DDevice9::Create(HWND window, const D3DPRESENT_PARAMETERS& parameters) {
    SDL_Window* sdlWindow = win32::SdlWindowOf(window);
    if (!sdlWindow) return nullptr;
    if (!gl::CreateContext(sdlWindow)) return nullptr;

    auto* device = new IDirect3DDevice9;
    device->m_window = window;
    device->m_sdlWindow = sdlWindow;
    device->m_parameters = parameters;
    g_currentDevice = device;

    // A windowed device with no size given takes the client area.
    RECT client{};
    GetClientRect(window, &client);
    const UINT width = parameters.BackBufferWidth ? parameters.BackBufferWidth : static_cast<UINT>(client.right);
    const UINT height = parameters.BackBufferHeight ? parameters.BackBufferHeight : static_cast<UINT>(client.bottom);
    if (!device->CreateBackBuffer(width, height)) {
        device->Release();
        return nullptr;
    }
    device->ResetStatesToDefaults();
    d3d9::BeginPresentationTiming();
    return device;
}

bool IDirect3DDevice9::CreateBackBuffer(UINT width, UINT height) {
    if (width == 0 || height == 0) return false;
    ReleaseScaledTargets();
    SafeReleaseSurface(m_renderTarget);
    SafeReleaseSurface(m_depthStencil);
    SafeReleaseSurface(m_backBuffer);
    SafeReleaseSurface(m_autoDepthStencil);
    m_parameters.BackBufferWidth = m_parameters.Windowed ? m_parameters.BackBufferWidth : width;
    m_parameters.BackBufferHeight = m_parameters.Windowed ? m_parameters.BackBufferHeight : height;
    m_backBuffer = IDirect3DSurface9::CreateColor(width, height, D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET);
    if (!m_backBuffer) return false;
    if (m_parameters.EnableAutoDepthStencil) {
        m_autoDepthStencil = IDirect3DSurface9::CreateDepthStencil(width, height, m_parameters.AutoDepthStencilFormat);
        if (!m_autoDepthStencil) return false;
    }
    m_renderTarget = m_backBuffer;
    m_renderTarget->AddRef();
    m_depthStencil = m_autoDepthStencil;
    if (m_depthStencil) m_depthStencil->AddRef();
    ResetViewportToTarget();
    if (!gl::FramebufferFor(m_backBuffer->ColorTexture(),
                            m_autoDepthStencil ? m_autoDepthStencil->DepthRenderbuffer() : 0))
        return false;
    BeginScaledFrame();
    return true;
}

void IDirect3DDevice9::ReleaseScaledTargets() {
    SafeReleaseSurface(m_scaledColor);
    SafeReleaseSurface(m_scaledDepth);
    m_sceneScaled = false;
    m_fullDepthStale = false;
}

void IDirect3DDevice9::BeginScaledFrame() {
    m_sceneScaled = false;
    m_fullDepthStale = false;
    const float scale = d3d9::SceneScale();
    if (scale >= 1.0f || !m_backBuffer) {
        if (m_scaledColor) ReleaseScaledTargets();
        return;
    }
    const auto scaled = [scale](UINT size) { return std::max(1u, static_cast<UINT>(std::lround(size * scale))); };
    const UINT width = scaled(m_backBuffer->Width());
    const UINT height = scaled(m_backBuffer->Height());
    if (!m_scaledColor || m_scaledColor->Width() != width || m_scaledColor->Height() != height) {
        ReleaseScaledTargets();
        m_scaledColor = IDirect3DSurface9::CreateColor(width, height, D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET);
        if (m_autoDepthStencil)
            m_scaledDepth = IDirect3DSurface9::CreateDepthStencil(width, height, m_parameters.AutoDepthStencilFormat);
        if (!m_scaledColor || (m_autoDepthStencil && !m_scaledDepth)) {
            ReleaseScaledTargets();
            return;
        }
    }
    m_sceneScaled = true;
}

RECT IDirect3DDevice9::ToScaled(const RECT& rect) const {
    const LONG fullWidth = static_cast<LONG>(m_backBuffer->Width());
    const LONG fullHeight = static_cast<LONG>(m_backBuffer->Height());
    const LONG width = static_cast<LONG>(m_scaledColor->Width());
    const LONG height = static_cast<LONG>(m_scaledColor->Height());
    const auto across = [&](LONG x) { return (x * width + fullWidth / 2) / fullWidth; };
    const auto down = [&](LONG y) { return (y * height + fullHeight / 2) / fullHeight; };
    return RECT{across(rect.left), down(rect.top), across(rect.right), down(rect.bottom)};
}

void IDirect3DDevice9::StretchScaledToFull(bool depth) {
    auto& cache = gl::Cache();
    const GLuint target = gl::FramebufferFor(m_backBuffer->ColorTexture(),
                                             m_autoDepthStencil ? m_autoDepthStencil->DepthRenderbuffer() : 0);
    const GLuint source =
        gl::FramebufferFor(m_scaledColor->ColorTexture(), m_scaledDepth ? m_scaledDepth->DepthRenderbuffer() : 0);
    cache.BindFramebuffer(target);
    cache.SetScissor(false, gl::Rect{});
    // Write masks are put back by the next PrepareDraw.
    cache.SetColorMask(0xF);
    cache.SetDepthMask(true);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    glBlitFramebuffer(0, 0, static_cast<GLint>(m_scaledColor->Width()), static_cast<GLint>(m_scaledColor->Height()), 0,
                      0, static_cast<GLint>(m_backBuffer->Width()), static_cast<GLint>(m_backBuffer->Height()),
                      depth ? GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT, depth ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target);
}

void IDirect3DDevice9::ResolveScaledScene() {
    if (!m_sceneScaled) return;
    m_sceneScaled = false;
    StretchScaledToFull(false);
    // The depth follows only if a later draw tests against it.
    m_fullDepthStale = m_scaledDepth != nullptr;
}

void IDirect3DDevice9::CatchUpFullDepth() {
    m_fullDepthStale = false;
    StretchScaledToFull(true);
}

IDirect3DDevice9::~IDirect3DDevice9() {
    ReleaseScaledTargets();
    for (auto& texture : m_textures) {
        if (texture) texture->Release();
        texture = nullptr;
    }
    SafeReleaseSurface(m_renderTarget);
    SafeReleaseSurface(m_depthStencil);
    SafeReleaseSurface(m_backBuffer);
    SafeReleaseSurface(m_autoDepthStencil);
    d3d9::ReleaseDeviceObjects();
    if (g_currentDevice == this) g_currentDevice = nullptr;
    gl::ReleaseContext();
}

void IDirect3DDevice9::SafeReleaseSurface(IDirect3DSurface9*& surface) {
    if (surface) surface->Release();
    surface = nullptr;
}

void IDirect3DDevice9::ResetStatesToDefaults() {
    m_renderStates.fill(0);
    auto& rs = m_renderStates;
    rs[D3DRS_ZENABLE] = m_parameters.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_ALPHATESTENABLE] = FALSE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAREF] = 0;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_ALPHABLENDENABLE] = FALSE;
    rs[D3DRS_FOGENABLE] = FALSE;
    rs[D3DRS_SPECULARENABLE] = FALSE;
    rs[D3DRS_FOGCOLOR] = 0;
    rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    rs[D3DRS_FOGSTART] = FloatBits(0.0f);
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_AMBIENT] = 0;
    rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_NORMALIZENORMALS] = FALSE;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0x0000000Fu;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_SEPARATEALPHABLENDENABLE] = FALSE;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

    for (DWORD stage = 0; stage < D3D_MAX_TEXTURE_STAGES; ++stage) {
        auto& ts = m_stageStates[stage];
        ts.fill(0);
        ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = stage;
        ts[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;

        auto& ss = m_samplerStates[stage];
        ss.fill(0);
        ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DSAMP_MAXANISOTROPY] = 1;
    }
    m_world = m_view = m_projection = Identity();
    m_textureTransforms.fill(Identity());
}

void IDirect3DDevice9::ResetViewportToTarget() {
    m_viewport = D3DVIEWPORT9{0, 0, TargetWidth(), TargetHeight(), 0.0f, 1.0f};
}

UINT IDirect3DDevice9::TargetWidth() const { return m_renderTarget ? m_renderTarget->Width() : 0; }
UINT IDirect3DDevice9::TargetHeight() const { return m_renderTarget ? m_renderTarget->Height() : 0; }

HRESULT IDirect3DDevice9::TestCooperativeLevel() { return D3D_OK; }

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* presentationParameters) {
    if (!presentationParameters) return D3DERR_INVALIDCALL;
    m_parameters = *presentationParameters;
    RECT client{};
    int clientWidth = 0, clientHeight = 0;
    SDL_GetWindowSize(m_sdlWindow, &clientWidth, &clientHeight);
    client.right = clientWidth;
    client.bottom = clientHeight;
    const UINT width = m_parameters.BackBufferWidth ? m_parameters.BackBufferWidth : static_cast<UINT>(client.right);
    const UINT height =
        m_parameters.BackBufferHeight ? m_parameters.BackBufferHeight : static_cast<UINT>(client.bottom);
    d3d9::FlushBatchedDraws();
    if (!CreateBackBuffer(width, height)) return D3DERR_INVALIDCALL;
    ResetStatesToDefaults();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginScene() {
    if (m_inScene) return D3DERR_INVALIDCALL;
    m_inScene = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene() {
    if (!m_inScene) return D3DERR_INVALIDCALL;
    d3d9::FlushBatchedDraws();
    m_inScene = false;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::Clear(DWORD rectCount, const void* rects, DWORD flags, DWORD colour, float z, DWORD stencil) {
    if (!m_renderTarget) return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !m_depthStencil) return D3DERR_INVALIDCALL;
    // Gathered draws go first: they may still need the depth bookkeeping
    // below as it stands.
    d3d9::FlushBatchedDraws();
    // A depth clear of part of the full-size buffer keeps the frame's depth
    // around it; one of all of it needs none.
    const bool wholeTarget = (rectCount == 0 || !rects) && m_viewport.X == 0 && m_viewport.Y == 0 &&
                             m_viewport.Width == TargetWidth() && m_viewport.Height == TargetHeight();
    if (FullDepthStale() && (flags & D3DCLEAR_ZBUFFER) && wholeTarget) m_fullDepthStale = false;
    PrepareDraw(false, (flags & D3DCLEAR_ZBUFFER) != 0);
    const bool redirected = Redirected();
    GLbitfield mask = 0;
    auto& cache = gl::Cache();
    if (flags & D3DCLEAR_TARGET) {
        cache.SetColorMask(0xF);
        glClearColor(static_cast<float>((colour >> 16) & 0xFF) / 255.0f,
                     static_cast<float>((colour >> 8) & 0xFF) / 255.0f, static_cast<float>(colour & 0xFF) / 255.0f,
                     static_cast<float>((colour >> 24) & 0xFF) / 255.0f);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        cache.SetDepthMask(true);
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_STENCIL) {
        glStencilMask(0xFF);
        glClearStencil(static_cast<GLint>(stencil & 0xFF));
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    // Direct3D clears the viewport, or the given rectangles within it.
    const gl::Rect viewport = DrawnRect(m_viewport);
    if (rectCount == 0 || !rects) {
        cache.SetScissor(true, viewport);
        glClear(mask);
    } else {
        const RECT* list = static_cast<const RECT*>(rects);
        for (DWORD i = 0; i < rectCount; ++i) {
            RECT rect = redirected ? ToScaled(list[i]) : list[i];
            const LONG left = std::max<LONG>(rect.left, viewport.x);
            const LONG top = std::max<LONG>(rect.top, viewport.y);
            const LONG right = std::min<LONG>(rect.right, viewport.x + viewport.width);
            const LONG bottom = std::min<LONG>(rect.bottom, viewport.y + viewport.height);
            if (right <= left || bottom <= top) continue;
            cache.SetScissor(true, gl::Rect{left, top, right - left, bottom - top});
            glClear(mask);
        }
    }
    cache.SetScissor(false, viewport);
    // Masks changed for the clear are put back by the next PrepareDraw.
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= D3D_RENDER_STATE_COUNT) return D3DERR_INVALIDCALL;
    if (m_renderStates[state] != value) d3d9::FlushBatchedDraws();
    m_renderStates[state] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (state >= D3D_RENDER_STATE_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = m_renderStates[state];
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= D3D_MAX_TEXTURE_STAGES || type >= D3D_TEXTURE_STAGE_STATE_COUNT) return D3DERR_INVALIDCALL;
    if (m_stageStates[stage][type] != value) d3d9::FlushBatchedDraws();
    m_stageStates[stage][type] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (stage >= D3D_MAX_TEXTURE_STAGES || type >= D3D_TEXTURE_STAGE_STATE_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = m_stageStates[stage][type];
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= D3D_MAX_TEXTURE_STAGES || type >= D3D_SAMPLER_STATE_COUNT) return D3DERR_INVALIDCALL;
    if (m_samplerStates[sampler][type] != value) d3d9::FlushBatchedDraws();
    m_samplerStates[sampler][type] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    if (sampler >= D3D_MAX_TEXTURE_STAGES || type >= D3D_SAMPLER_STATE_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = m_samplerStates[sampler][type];
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    // No flush: gathered draws carry the transforms they were made with.
    switch (state) {
    case D3DTS_WORLD: m_world = *matrix; return D3D_OK;
    case D3DTS_VIEW: m_view = *matrix; return D3D_OK;
    case D3DTS_PROJECTION: m_projection = *matrix; return D3D_OK;
    default:
        if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + 8) {
            m_textureTransforms[state - D3DTS_TEXTURE0] = *matrix;
            return D3D_OK;
        }
        return D3DERR_INVALIDCALL;
    }
}

const D3DMATRIX& IDirect3DDevice9::Transform(D3DTRANSFORMSTATETYPE state) const {
    switch (state) {
    case D3DTS_VIEW: return m_view;
    case D3DTS_PROJECTION: return m_projection;
    case D3DTS_WORLD: return m_world;
    default:
        if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + 8) return m_textureTransforms[state - D3DTS_TEXTURE0];
        return m_world;
    }
}

HRESULT IDirect3DDevice9::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    if (state != D3DTS_WORLD && state != D3DTS_VIEW && state != D3DTS_PROJECTION &&
        !(state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + 8))
        return D3DERR_INVALIDCALL;
    *matrix = Transform(state);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetViewport(const D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    if (viewport->X + viewport->Width > TargetWidth() || viewport->Y + viewport->Height > TargetHeight())
        return D3DERR_INVALIDCALL;
    d3d9::FlushBatchedDraws();
    m_viewport = *viewport;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = m_viewport;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (index != 0 || !m_renderTarget) return D3DERR_NOTFOUND;
    m_renderTarget->AddRef();
    *surface = m_renderTarget;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
    if (index != 0 || !surface || !surface->ColorTexture()) return D3DERR_INVALIDCALL;
    d3d9::FlushBatchedDraws();
    surface->AddRef();
    SafeReleaseSurface(m_renderTarget);
    m_renderTarget = surface;
    // Setting render target 0 resets the viewport to the whole target.
    ResetViewportToTarget();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDepthStencilSurface(IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = m_depthStencil;
    if (!m_depthStencil) return D3DERR_NOTFOUND;
    m_depthStencil->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetDepthStencilSurface(IDirect3DSurface9* surface) {
    if (surface && !surface->DepthRenderbuffer()) return D3DERR_INVALIDCALL;
    d3d9::FlushBatchedDraws();
    if (surface) surface->AddRef();
    SafeReleaseSurface(m_depthStencil);
    m_depthStencil = surface;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE,
                                                    DWORD, BOOL, IDirect3DSurface9** surface, void*) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = IDirect3DSurface9::CreateDepthStencil(width, height, format);
    return *surface ? D3D_OK : D3DERR_INVALIDCALL;
}

gl::Rect IDirect3DDevice9::DrawnRect(const D3DVIEWPORT9& viewport) const {
    RECT rect{static_cast<LONG>(viewport.X), static_cast<LONG>(viewport.Y),
              static_cast<LONG>(viewport.X + viewport.Width), static_cast<LONG>(viewport.Y + viewport.Height)};
    if (Redirected()) rect = ToScaled(rect);
    return gl::Rect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void IDirect3DDevice9::PrepareDraw(bool screenSpace, bool clearsDepth) {
    d3d9::FlushBatchedDraws();
    if (screenSpace) ResolveScaledScene();
    const auto& rs = m_renderStates;
    const bool depth = m_depthStencil && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    if ((depth || clearsDepth) && FullDepthStale()) CatchUpFullDepth();

    auto& cache = gl::Cache();
    const bool redirected = Redirected();
    IDirect3DSurface9* colour = redirected ? m_scaledColor : m_renderTarget;
    IDirect3DSurface9* depthStencil =
        redirected && m_depthStencil == m_autoDepthStencil ? m_scaledDepth : m_depthStencil;
    const GLuint framebuffer =
        gl::FramebufferFor(colour ? colour->ColorTexture() : 0, depthStencil ? depthStencil->DepthRenderbuffer() : 0);
    cache.BindFramebuffer(framebuffer);
    cache.SetViewport(DrawnRect(m_viewport));
    cache.SetDepthRange(m_viewport.MinZ, m_viewport.MaxZ);
    cache.SetScissor(false, gl::Rect{});

    cache.SetDepthTest(depth);
    cache.SetDepthFunc(GlCompare(rs[D3DRS_ZFUNC]));
    cache.SetDepthMask(depth && rs[D3DRS_ZWRITEENABLE] != FALSE);

    gl::BlendState blend;
    blend.enabled = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    blend.sourceColor = GlBlendFactor(rs[D3DRS_SRCBLEND]);
    blend.destinationColor = GlBlendFactor(rs[D3DRS_DESTBLEND]);
    blend.equationColor = GlBlendEquation(rs[D3DRS_BLENDOP]);
    const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE;
    blend.sourceAlpha = separate ? GlBlendFactor(rs[D3DRS_SRCBLENDALPHA]) : blend.sourceColor;
    blend.destinationAlpha = separate ? GlBlendFactor(rs[D3DRS_DESTBLENDALPHA]) : blend.destinationColor;
    blend.equationAlpha = separate ? GlBlendEquation(rs[D3DRS_BLENDOPALPHA]) : blend.equationColor;
    cache.SetBlend(blend);

    // Targets are drawn with y flipped (see the vertex prelude), which turns
    // the on-screen winding around: what Direct3D sees as counter-clockwise
    // GL sees as clockwise. Front faces stay GL's counter-clockwise.
    switch (rs[D3DRS_CULLMODE]) {
    case D3DCULL_CCW: cache.SetCull(GL_BACK); break;
    case D3DCULL_CW: cache.SetCull(GL_FRONT); break;
    default: cache.SetCull(0); break;
    }
    cache.SetColorMask(rs[D3DRS_COLORWRITEENABLE]);
}

void IDirect3DDevice9::ApplySamplerStates(DWORD sampler, IDirect3DBaseTexture9* texture) {
    if (sampler >= D3D_MAX_TEXTURE_STAGES || !texture || !texture->GlTexture()) return;
    const bool hasMipmaps = texture->HasMipmaps();
    const auto& ss = m_samplerStates[sampler];
    const bool magLinear = ss[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR;
    const bool minLinear = ss[D3DSAMP_MINFILTER] >= D3DTEXF_LINEAR;
    GLint minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
    if (hasMipmaps && ss[D3DSAMP_MIPFILTER] == D3DTEXF_POINT)
        minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else if (hasMipmaps && ss[D3DSAMP_MIPFILTER] >= D3DTEXF_LINEAR)
        minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    if (minFilter != GL_LINEAR && minFilter != GL_NEAREST) texture->PrepareMipmaps();
    gl::Cache().BindTexture(sampler, texture->GlTexture());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GlAddress(ss[D3DSAMP_ADDRESSU]));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GlAddress(ss[D3DSAMP_ADDRESSV]));
    float bias;
    std::memcpy(&bias, &ss[D3DSAMP_MIPMAPLODBIAS], sizeof bias);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_LOD_BIAS, bias);
}

HRESULT IDirect3DDevice9::Present(const RECT*, const RECT*, HWND, const void*) {
    if (!m_backBuffer) return D3DERR_INVALIDCALL;
    d3d9::FlushBatchedDraws();
    ResolveScaledScene();
    d3d9::PresentBackBuffer(this, m_sdlWindow, m_backBuffer);
    BeginScaledFrame();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DTexture9** texture, void*) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = IDirect3DTexture9::Create(width, height, levels, usage, format, pool);
    return *texture ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    if (stage >= D3D_MAX_TEXTURE_STAGES) return D3DERR_INVALIDCALL;
    if (m_textures[stage] != texture && !(stage == 0 && d3d9::BatchTakesAnyTexture())) d3d9::FlushBatchedDraws();
    if (texture) texture->AddRef();
    if (m_textures[stage]) m_textures[stage]->Release();
    m_textures[stage] = texture;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    if (stage >= D3D_MAX_TEXTURE_STAGES || !texture) return D3DERR_INVALIDCALL;
    *texture = m_textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf) {
    if (m_fvf != fvf) d3d9::FlushBatchedDraws();
    m_fvf = fvf;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetFVF(DWORD* fvf) {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = m_fvf;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                          UINT stride) {
    d3d9::FvfLayout layout = d3d9::DecodeFvf(m_fvf);
    if (!vertices || !layout.valid || stride < layout.stride) return D3DERR_INVALIDCALL;
    layout.stride = stride;
    const unsigned vertexCount = d3d9::VertexCountFor(type, primitiveCount);
    if (vertexCount == 0) return D3DERR_INVALIDCALL;
    d3d9::DrawFixedFunction(this, type, vertexCount, vertices, layout, m_textures[0]);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexShader(IDirect3DVertexShader9* shader) {
    if (shader) return D3DERR_INVALIDCALL;
    SetActiveEffect(nullptr);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetPixelShader(IDirect3DPixelShader9* shader) {
    if (shader) return D3DERR_INVALIDCALL;
    SetActiveEffect(nullptr);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetMaterial(const D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    d3d9::FlushBatchedDraws();
    m_material = *material;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetMaterial(D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = m_material;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    *caps = D3DCAPS9{};
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->MaxTextureWidth = caps->MaxTextureHeight = static_cast<DWORD>(maxTexture);
    caps->MaxVertexBlendMatrices = 4;
    caps->MaxVertexBlendMatrixIndex = 255;
    caps->MaxPrimitiveCount = 0x00FFFFFF;
    caps->MaxVertexIndex = 0x00FFFFFF;
    caps->MaxStreams = 1;
    caps->VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps->MaxVertexShaderConst = 256;
    caps->PixelShaderVersion = D3DPS_VERSION(3, 0);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSoftwareVertexProcessing(BOOL software) {
    m_softwareVertexProcessing = software;
    return D3D_OK;
}

BOOL IDirect3DDevice9::GetSoftwareVertexProcessing() { return m_softwareVertexProcessing; }

HRESULT IDirect3DDevice9::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                  IDirect3DVertexDeclaration9** declaration) {
    if (!declaration) return D3DERR_INVALIDCALL;
    *declaration = IDirect3DVertexDeclaration9::Create(elements);
    return *declaration ? D3D_OK : D3DERR_INVALIDCALL;
}
