// How each Direct3D surface format is held in GL.
#pragma once
#include <epoxy/gl.h>

#include "platform/d3d9/d3d9types.h"

namespace d3d9 {
struct GlFormat {
    GLenum internalFormat = 0;  // 0: not supported
    GLenum format = 0;
    GLenum type = 0;
    unsigned bytesPerPixel = 0;
    bool hasAlpha = false;
};
// A8R8G8B8 and X8R8G8B8 are stored as bytes B, G, R, A in memory, as in
// Direct3D, and uploaded as BGRA.
GlFormat GlFormatOf(D3DFORMAT format);

// Real devices differ in the formats they accept for render targets; this
// lets a test play a device that refuses one (true again restores it).
void SetRenderTargetFormatOffered(D3DFORMAT format, bool offered);
bool RenderTargetFormatOffered(D3DFORMAT format);
}  // namespace d3d9
