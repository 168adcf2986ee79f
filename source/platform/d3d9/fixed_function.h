// The fixed-function pipeline the game uses, in GLSL: world, view and
// projection transforms (or pre-transformed screen vertices), texture stage 0
// (texture, diffuse and texture factor for colour and alpha), alpha test and
// linear fog. Lighting stays off; the game never turns it on. Each distinct
// stage-0 state gets its own program, built on first use and kept, so no
// pixel branches on a state uniform.
#pragma once
#include <epoxy/gl.h>

#include <cstdint>

#include "platform/d3d9/d3d9.h"

class IDirect3DBaseTexture9;

namespace d3d9 {

// Vertex layout decoded from an FVF code.
struct FvfLayout {
    bool valid = false;
    bool pretransformed = false;  // XYZRHW: screen pixels
    unsigned stride = 0;
    unsigned positionComponents = 3;
    int normalOffset = -1;
    int diffuseOffset = -1;
    int texcoordOffset = -1;
};
FvfLayout DecodeFvf(DWORD fvf);

// Vertex count for a primitive count, 0 for an unknown type.
unsigned VertexCountFor(DWORD primitiveType, unsigned primitiveCount);
GLenum GlPrimitive(DWORD primitiveType);

// Draws vertices held in client memory: through the running effect pass if
// there is one (attributes by usage, see gl/attributes.h), else with the
// device's fixed-function state and the texture of stage 0 (possibly later,
// see FlushBatchedDraws).
void DrawFixedFunction(IDirect3DDevice9* device, DWORD primitiveType, unsigned vertexCount, const void* vertices,
                       const FvfLayout& layout, IDirect3DBaseTexture9* stage0Texture);

// Gathered draws are drawn by d3d9::FlushBatchedDraws (d3d9.h).
// Whether the draws gathered now may be joined by draws with another stage-0
// texture (they add to the target in any order), so that setting one needs
// no flush.
bool BatchTakesAnyTexture();
// On by default; off, every draw goes to GL as it comes (for comparisons).
void SetDrawBatching(bool enabled);
// Draws gathered into batches, and the batches drawn, since start.
struct BatchCounts {
    std::uint64_t gathered = 0, drawn = 0;
};
BatchCounts DrawBatchCounts();

// Makes the fixed-function program current with the device's transforms and
// stage-0 state, for vertices held in buffers the caller binds: position at
// attribute 0, diffuse colour at 1 (white unless hasDiffuse), texture
// coordinates at 2. False when the program cannot be built.
bool UseFixedFunctionProgram(IDirect3DDevice9* device, bool hasDiffuse, IDirect3DBaseTexture9* stage0Texture);

// Feeds the device's fog state to a program's fog uniforms (see the
// fragment prelude); locations of -1 are skipped.
void SetFogUniforms(IDirect3DDevice9* device, GLint enable, GLint colour, GLint start, GLint end);

}  // namespace d3d9
