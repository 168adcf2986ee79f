#include "platform/d3d9/texture.h"

#include <algorithm>

#include "platform/d3d9/formats.h"
#include "platform/gl/context.h"
#include "platform/gl/framebuffer.h"
#include "platform/gl/state_cache.h"

namespace {
UINT LevelSize(UINT size, UINT level) { return std::max(1u, size >> level); }

DWORD FullChainLength(UINT width, UINT height) {
    DWORD levels = 1;
    while ((width >> levels) || (height >> levels)) ++levels;
    return levels;
}
}  // namespace

IDirect3DTexture9* IDirect3DTexture9::Create(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                             D3DPOOL pool) {
    const d3d9::GlFormat glFormat = d3d9::GlFormatOf(format);
    if (!gl::HasContext() || !glFormat.internalFormat || width == 0 || height == 0) return nullptr;
    if ((usage & D3DUSAGE_RENDERTARGET) && !d3d9::RenderTargetFormatOffered(format)) return nullptr;
    // Render targets have one level here: nothing in the program renders into
    // a mip chain.
    const DWORD fullChain = FullChainLength(width, height);
    DWORD levelCount = levels == 0 ? fullChain : std::min<DWORD>(levels, fullChain);
    if (usage & D3DUSAGE_RENDERTARGET) levelCount = 1;

    auto* texture = new IDirect3DTexture9;
    texture->m_width = width;
    texture->m_height = height;
    texture->m_levelCount = levelCount;
    texture->m_usage = usage;
    texture->m_format = format;
    texture->m_pool = pool;
    glGenTextures(1, &texture->m_texture);
    gl::Cache().BindTexture(0, texture->m_texture);
    for (DWORD level = 0; level < levelCount; ++level)
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), glFormat.internalFormat,
                     static_cast<GLsizei>(LevelSize(width, level)), static_cast<GLsizei>(LevelSize(height, level)), 0,
                     glFormat.format, glFormat.type, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levelCount - 1));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (!glFormat.hasAlpha) {
        // Formats without alpha read as opaque, whatever the bytes hold.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    }
    if (format == D3DFMT_R32F) {
        // Direct3D reads a one-channel float texture as (r, 1, 1, 1).
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_G, GL_ONE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, GL_ONE);
    }
    texture->m_surfaces.resize(levelCount);
    texture->m_lockedLevels.resize(levelCount);
    for (DWORD level = 0; level < levelCount; ++level)
        texture->m_surfaces[level] = IDirect3DSurface9::CreateTextureLevel(
            texture, texture->m_texture, level, LevelSize(width, level), LevelSize(height, level), format, usage);
    gl::RetainContext();
    return texture;
}

IDirect3DTexture9::~IDirect3DTexture9() {
    for (IDirect3DSurface9* surface : m_surfaces)
        if (surface) surface->DestroyOwnedByContainer();
    gl::ForgetColorAttachment(m_texture);
    gl::Cache().ForgetTexture(m_texture);
    glDeleteTextures(1, &m_texture);
    gl::ReleaseContext();
}

HRESULT IDirect3DTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* description) {
    if (level >= m_levelCount || !description) return D3DERR_INVALIDCALL;
    *description = D3DSURFACE_DESC{m_format,
                                   D3DRTYPE_SURFACE,
                                   m_usage,
                                   m_pool,
                                   D3DMULTISAMPLE_NONE,
                                   0,
                                   LevelSize(m_width, level),
                                   LevelSize(m_height, level)};
    return D3D_OK;
}

HRESULT IDirect3DTexture9::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= m_levelCount) return D3DERR_INVALIDCALL;
    // Whatever is done through the surface sees, or follows, the chain as
    // it was asked for.
    PrepareMipmaps();
    *surface = m_surfaces[level];
    (*surface)->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
    if (level >= m_levelCount || !locked || (m_usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    PrepareMipmaps();
    const d3d9::GlFormat glFormat = d3d9::GlFormatOf(m_format);
    const UINT width = LevelSize(m_width, level), height = LevelSize(m_height, level);
    auto& pixels = m_lockedLevels[level];
    pixels.assign(static_cast<size_t>(width) * height * glFormat.bytesPerPixel, 0);
    gl::Cache().BindTexture(0, m_texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), glFormat.format, glFormat.type, pixels.data());
    const INT pitch = static_cast<INT>(width * glFormat.bytesPerPixel);
    size_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(width) ||
            rect->bottom > static_cast<LONG>(height) || rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        offset = static_cast<size_t>(rect->top) * pitch + static_cast<size_t>(rect->left) * glFormat.bytesPerPixel;
    }
    locked->Pitch = pitch;
    locked->pBits = pixels.data() + offset;
    return D3D_OK;
}

HRESULT IDirect3DTexture9::UnlockRect(UINT level) {
    if (level >= m_levelCount || m_lockedLevels[level].empty()) return D3DERR_INVALIDCALL;
    // Draws still gathered must see the old pixels.
    d3d9::FlushBatchedDraws();
    const d3d9::GlFormat glFormat = d3d9::GlFormatOf(m_format);
    gl::Cache().BindTexture(0, m_texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(LevelSize(m_width, level)),
                    static_cast<GLsizei>(LevelSize(m_height, level)), glFormat.format, glFormat.type,
                    m_lockedLevels[level].data());
    m_lockedLevels[level].clear();
    m_lockedLevels[level].shrink_to_fit();
    return D3D_OK;
}

void IDirect3DTexture9::GenerateMipSubLevels() { m_mipmapsPending = m_levelCount > 1; }

void IDirect3DTexture9::PrepareMipmaps() {
    if (!m_mipmapsPending) return;
    m_mipmapsPending = false;
    gl::Cache().BindTexture(0, m_texture);
    glGenerateMipmap(GL_TEXTURE_2D);
}
