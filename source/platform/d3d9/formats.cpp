#include "platform/d3d9/formats.h"

#include <set>

namespace d3d9 {
GlFormat GlFormatOf(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8: return GlFormat{GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, true};
    case D3DFMT_X8R8G8B8: return GlFormat{GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, false};
    case D3DFMT_R32F: return GlFormat{GL_R32F, GL_RED, GL_FLOAT, 4, false};
    case D3DFMT_A16B16G16R16F: return GlFormat{GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8, true};
    case D3DFMT_A32B32G32R32F: return GlFormat{GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, true};
    default: return GlFormat{};
    }
}
}  // namespace d3d9

namespace d3d9 {
namespace {
std::set<D3DFORMAT>& RefusedRenderTargetFormats() {
    static std::set<D3DFORMAT> refused;
    return refused;
}
}  // namespace

void SetRenderTargetFormatOffered(D3DFORMAT format, bool offered) {
    if (offered)
        RefusedRenderTargetFormats().erase(format);
    else
        RefusedRenderTargetFormats().insert(format);
}

bool RenderTargetFormatOffered(D3DFORMAT format) { return RefusedRenderTargetFormats().count(format) == 0; }
}  // namespace d3d9
