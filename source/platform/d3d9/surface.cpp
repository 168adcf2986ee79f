#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/formats.h"
#include "platform/gl/context.h"
#include "platform/gl/framebuffer.h"
#include "platform/gl/state_cache.h"

IDirect3DSurface9* IDirect3DSurface9::CreateColor(UINT width, UINT height, D3DFORMAT format, DWORD usage) {
    const d3d9::GlFormat glFormat = d3d9::GlFormatOf(format);
    if (!glFormat.internalFormat || width == 0 || height == 0) return nullptr;
    auto* surface = new IDirect3DSurface9;
    surface->m_description =
        D3DSURFACE_DESC{format, D3DRTYPE_SURFACE, usage, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, 0, width, height};
    glGenTextures(1, &surface->m_colorTexture);
    gl::Cache().BindTexture(0, surface->m_colorTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, glFormat.internalFormat, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
                 0, glFormat.format, glFormat.type, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    surface->m_ownsGlObject = true;
    gl::RetainContext();
    return surface;
}

IDirect3DSurface9* IDirect3DSurface9::CreateDepthStencil(UINT width, UINT height, D3DFORMAT format) {
    if (width == 0 || height == 0) return nullptr;
    GLenum internalFormat = 0;
    switch (format) {
    case D3DFMT_D24S8:
    case D3DFMT_D24X8: internalFormat = GL_DEPTH24_STENCIL8; break;
    case D3DFMT_D16: internalFormat = GL_DEPTH_COMPONENT16; break;
    case D3DFMT_D32: internalFormat = GL_DEPTH_COMPONENT32F; break;
    default: return nullptr;
    }
    auto* surface = new IDirect3DSurface9;
    surface->m_description = D3DSURFACE_DESC{
        format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, 0, width, height};
    glGenRenderbuffers(1, &surface->m_depthRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, surface->m_depthRenderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    surface->m_ownsGlObject = true;
    gl::RetainContext();
    return surface;
}

IDirect3DSurface9* IDirect3DSurface9::CreateTextureLevel(IUnknown* container, GLuint texture, UINT level, UINT width,
                                                         UINT height, D3DFORMAT format, DWORD usage) {
    auto* surface = new IDirect3DSurface9;
    surface->m_description =
        D3DSURFACE_DESC{format, D3DRTYPE_SURFACE, usage, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, 0, width, height};
    surface->m_colorTexture = texture;
    surface->m_level = level;
    surface->m_container = container;
    return surface;
}

void IDirect3DSurface9::DestroyOwnedByContainer() {
    m_container = nullptr;
    delete this;
}

ULONG IDirect3DSurface9::AddRef() { return m_container ? m_container->AddRef() : IUnknown::AddRef(); }

ULONG IDirect3DSurface9::Release() { return m_container ? m_container->Release() : IUnknown::Release(); }

IDirect3DSurface9::~IDirect3DSurface9() {
    if (m_colorTexture) gl::ForgetColorAttachment(m_colorTexture);
    if (m_depthRenderbuffer) gl::ForgetDepthAttachment(m_depthRenderbuffer);
    if (!m_ownsGlObject) return;
    if (m_colorTexture) {
        gl::Cache().ForgetTexture(m_colorTexture);
        glDeleteTextures(1, &m_colorTexture);
    }
    if (m_depthRenderbuffer) glDeleteRenderbuffers(1, &m_depthRenderbuffer);
    gl::ReleaseContext();
}

HRESULT IDirect3DSurface9::GetDesc(D3DSURFACE_DESC* description) {
    if (!description) return D3DERR_INVALIDCALL;
    *description = m_description;
    return D3D_OK;
}
