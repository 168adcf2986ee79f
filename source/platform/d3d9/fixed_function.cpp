#include "platform/d3d9/fixed_function.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/d3d9/presentation.h"
#include "platform/d3d9/texture.h"
#include "platform/d3dx9/effect.h"
#include "platform/gl/attributes.h"
#include "platform/gl/program.h"
#include "platform/gl/state_cache.h"
#include "platform/log/log.h"

namespace d3d9 {
namespace {
constexpr DWORD kFvfXyz = 0x002, kFvfXyzRhw = 0x004, kFvfNormal = 0x010, kFvfPointSize = 0x020, kFvfDiffuse = 0x040,
                kFvfSpecular = 0x080, kFvfTexCountMask = 0xF00, kFvfTexCountShift = 8, kFvfPositionMask = 0x400E;

bool FogEnabled(IDirect3DDevice9* device) {
    return device->RenderState(D3DRS_FOGENABLE) != FALSE && (device->RenderState(D3DRS_FOGTABLEMODE) == D3DFOG_LINEAR ||
                                                             device->RenderState(D3DRS_FOGVERTEXMODE) == D3DFOG_LINEAR);
}

// The stage-0 state a program is built for. Everything that picks a path in
// the pixel stage is fixed here, so each program computes only what its state
// asks for; values, texture factor, alpha reference and fog distances stay
// uniforms.
struct ProgramKey {
    bool batched = false;  // transforms per vertex (see the draw batch below)
    bool pretransformed = false;
    bool hasDiffuse = false;
    bool hasTexture = false;
    bool fog = false;
    DWORD colorOp = 0, alphaOp = 0;  // 0 (disabled: diffuse) or D3DTOP_SELECTARG1 .. D3DTOP_ADDSIGNED
    DWORD colorArg1 = 0, colorArg2 = 0, alphaArg1 = 0, alphaArg2 = 0;
    DWORD alphaFunc = 0;  // 0: no alpha test, else D3DCMP_NEVER .. D3DCMP_GREATEREQUAL

    std::uint64_t Packed() const {
        std::uint64_t bits = 0;
        auto put = [&bits](std::uint64_t value, unsigned width) { bits = (bits << width) | value; };
        put(batched, 1);
        put(pretransformed, 1);
        put(hasDiffuse, 1);
        put(hasTexture, 1);
        put(fog, 1);
        put(colorOp, 4);
        put(alphaOp, 4);
        put(colorArg1, 6);
        put(colorArg2, 6);
        put(alphaArg1, 6);
        put(alphaArg2, 6);
        put(alphaFunc, 4);
        return bits;
    }
};

// Direct3D's argument: the selector (texture, texture factor, else diffuse,
// which is also "current" at stage 0) with its modifier bits.
DWORD NormalisedArgument(DWORD arg) {
    const DWORD select = arg & D3DTA_SELECTMASK;
    const DWORD kept = select == D3DTA_TEXTURE || select == D3DTA_TFACTOR ? select : D3DTA_DIFFUSE;
    return kept | (arg & (D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE));
}

// Operations outside the emulated set behave as disabled. Arguments an
// operation does not read are cleared so they share one program.
void NormaliseOperation(DWORD* op, DWORD* arg1, DWORD* arg2) {
    if (*op < D3DTOP_SELECTARG1 || *op > D3DTOP_ADDSIGNED) *op = 0;
    *arg1 = *op == 0 || *op == D3DTOP_SELECTARG2 ? 0 : NormalisedArgument(*arg1);
    *arg2 = *op == 0 || *op == D3DTOP_SELECTARG1 ? 0 : NormalisedArgument(*arg2);
}

ProgramKey KeyFor(IDirect3DDevice9* device, const FvfLayout& layout, bool textured) {
    ProgramKey key;
    key.pretransformed = layout.pretransformed;
    key.hasDiffuse = layout.diffuseOffset >= 0;
    key.hasTexture = textured;
    key.fog = FogEnabled(device);
    key.colorOp = device->TextureStageState(0, D3DTSS_COLOROP);
    key.colorArg1 = device->TextureStageState(0, D3DTSS_COLORARG1);
    key.colorArg2 = device->TextureStageState(0, D3DTSS_COLORARG2);
    key.alphaOp = device->TextureStageState(0, D3DTSS_ALPHAOP);
    key.alphaArg1 = device->TextureStageState(0, D3DTSS_ALPHAARG1);
    key.alphaArg2 = device->TextureStageState(0, D3DTSS_ALPHAARG2);
    NormaliseOperation(&key.colorOp, &key.colorArg1, &key.colorArg2);
    NormaliseOperation(&key.alphaOp, &key.alphaArg1, &key.alphaArg2);
    const DWORD func = device->RenderState(D3DRS_ALPHAFUNC);
    // "Always" and unknown comparisons pass every pixel, as no test does.
    if (device->RenderState(D3DRS_ALPHATESTENABLE) != FALSE && func >= D3DCMP_NEVER && func < D3DCMP_ALWAYS)
        key.alphaFunc = func;
    return key;
}

// The first attribute location of the per-vertex transforms of a batched
// draw: world-view-projection, then world-view, four columns each.
constexpr GLuint kBatchTransforms = 3;

std::string VertexSource(const ProgramKey& key) {
    // A batched draw reads the same matrices from each vertex, under the
    // same names, so the arithmetic is the uniform draw's.
    std::string source = key.batched ? R"(
layout(location = 3) in mat4 u_worldViewProjection;
layout(location = 7) in mat4 u_worldView;
)"
                                     : R"(
uniform mat4 u_worldViewProjection;
uniform mat4 u_worldView;
)";
    source += R"(
layout(location = 0) in vec4 a_position;
layout(location = 1) in vec4 a_diffuse;
layout(location = 2) in vec2 a_texcoord;
uniform vec4 u_viewport;   // x, y, width, height in pixels
out vec4 v_diffuse;
out vec2 v_texcoord;
out float v_viewDepth;
void main() {
)";
    source += key.hasDiffuse ? "    v_diffuse = a_diffuse;\n" : "    v_diffuse = vec4(1.0);\n";
    source += "    v_texcoord = a_texcoord;\n";
    if (key.pretransformed) {
        source += R"(
    float w = a_position.w != 0.0 ? 1.0 / a_position.w : 1.0;
    vec2 ndc = vec2((a_position.x - u_viewport.x) / u_viewport.z * 2.0 - 1.0,
                    1.0 - (a_position.y - u_viewport.y) / u_viewport.w * 2.0);
    v_viewDepth = w;
    gl_Position = D3DClipToGL(vec4(ndc * w, a_position.z * w, w));
)";
    } else {
        source += R"(
    vec4 p = vec4(a_position.xyz, 1.0);
    v_viewDepth = (u_worldView * p).z;
    gl_Position = D3DClipToGL(u_worldViewProjection * p);
)";
    }
    return source + "}\n";
}

std::string ArgumentExpression(DWORD arg) {
    const DWORD select = arg & D3DTA_SELECTMASK;
    std::string value = select == D3DTA_TEXTURE ? "texel" : select == D3DTA_TFACTOR ? "u_textureFactor" : "v_diffuse";
    if (arg & D3DTA_COMPLEMENT) value = "(vec4(1.0) - " + value + ")";
    if (arg & D3DTA_ALPHAREPLICATE) value = "vec4(" + value + ".a)";
    return value;
}

std::string OperationExpression(DWORD op, DWORD arg1, DWORD arg2) {
    std::string a = ArgumentExpression(arg1), b = ArgumentExpression(arg2);
    switch (op) {
    case D3DTOP_SELECTARG1: return a;
    case D3DTOP_SELECTARG2: return b;
    case D3DTOP_MODULATE: return "(" + a + " * " + b + ")";
    case D3DTOP_MODULATE2X: return "clamp(" + a + " * " + b + " * 2.0, 0.0, 1.0)";
    case D3DTOP_MODULATE4X: return "clamp(" + a + " * " + b + " * 4.0, 0.0, 1.0)";
    case D3DTOP_ADD: return "clamp(" + a + " + " + b + ", 0.0, 1.0)";
    case D3DTOP_ADDSIGNED: return "clamp(" + a + " + " + b + " - 0.5, 0.0, 1.0)";
    default: return "v_diffuse";
    }
}

const char* AlphaComparison(DWORD func) {
    switch (func) {
    case D3DCMP_NEVER: return "false";
    case D3DCMP_LESS: return "a < u_alphaRef";
    case D3DCMP_EQUAL: return "a == u_alphaRef";
    case D3DCMP_LESSEQUAL: return "a <= u_alphaRef";
    case D3DCMP_GREATER: return "a > u_alphaRef";
    case D3DCMP_NOTEQUAL: return "a != u_alphaRef";
    default: return "a >= u_alphaRef";
    }
}

std::string FragmentSource(const ProgramKey& key) {
    std::string source = R"(
in vec4 v_diffuse;
in vec2 v_texcoord;
in float v_viewDepth;
uniform sampler2D u_texture;
uniform vec4 u_textureFactor;
uniform float u_alphaRef;    // 0..255
out vec4 o_colour;
void main() {
)";
    source +=
        key.hasTexture ? "    vec4 texel = texture(u_texture, v_texcoord);\n" : "    const vec4 texel = vec4(1.0);\n";
    source += "    vec3 colour = " + OperationExpression(key.colorOp, key.colorArg1, key.colorArg2) + ".rgb;\n";
    source += "    float alpha = " + OperationExpression(key.alphaOp, key.alphaArg1, key.alphaArg2) + ".a;\n";
    if (key.alphaFunc != 0) {
        source += "    float a = floor(alpha * 255.0 + 0.5);\n";
        source += std::string("    if (!(") + AlphaComparison(key.alphaFunc) + ")) discard;\n";
    }
    source += key.fog ? "    o_colour = vec4(D3DLinearFog(colour, v_viewDepth), alpha);\n"
                      : "    o_colour = vec4(colour, alpha);\n";
    return source + "}\n";
}

struct Program {
    GLuint program = 0;
    GLint worldViewProjection, worldView, viewport, textureFactor, alphaRef, fogColor, fogStart, fogEnd;
};

// A vertex array and the buffer its vertices are streamed through, made
// with the device's context and deleted with it.
struct StreamedVertices {
    GLuint vertexArray = 0;
    GLuint buffer = 0;

    void Create() {
        glGenVertexArrays(1, &vertexArray);
        glGenBuffers(1, &buffer);
    }
    void Delete() {
        gl::Cache().ForgetVertexArray(vertexArray);
        gl::Cache().ForgetBuffer(buffer);
        glDeleteVertexArrays(1, &vertexArray);
        glDeleteBuffers(1, &buffer);
    }
    void Bind() const {
        gl::Cache().BindVertexArray(vertexArray);
        gl::Cache().BindArrayBuffer(buffer);
    }
};

// Programs by packed key, built on first use, and the vertices they share
// (their attribute locations are the same).
struct ProgramCache {
    std::unordered_map<std::uint64_t, Program> programs;
    std::uint64_t lastKey = ~std::uint64_t{0};
    Program* last = nullptr;
    StreamedVertices stream;
};

ProgramCache* g_cache = nullptr;

ProgramCache& Programs() {
    if (g_cache) return *g_cache;
    g_cache = new ProgramCache;
    g_cache->stream.Create();
    OnDeviceRelease([] {
        for (auto& entry : g_cache->programs) gl::DeleteProgram(entry.second.program);
        g_cache->stream.Delete();
        delete g_cache;
        g_cache = nullptr;
    });
    return *g_cache;
}

Program* ProgramFor(const ProgramKey& key) {
    ProgramCache& cache = Programs();
    const std::uint64_t packed = key.Packed();
    if (packed == cache.lastKey) return cache.last;
    auto found = cache.programs.find(packed);
    if (found == cache.programs.end()) {
        std::string log;
        const GLuint program = gl::BuildProgram(VertexSource(key), FragmentSource(key), &log);
        if (!program) {
            vlog::Error(vlog::Category::Video, "fixed-function program %016llx: %s",
                        static_cast<unsigned long long>(packed), log.c_str());
            return nullptr;
        }
        Program p;
        p.program = program;
        auto location = [&](const char* name) { return glGetUniformLocation(program, name); };
        p.worldViewProjection = location("u_worldViewProjection");
        p.worldView = location("u_worldView");
        p.viewport = location("u_viewport");
        p.textureFactor = location("u_textureFactor");
        p.alphaRef = location("u_alphaRef");
        p.fogColor = location("d3d_FogColor");
        p.fogStart = location("d3d_FogStart");
        p.fogEnd = location("d3d_FogEnd");
        gl::Cache().UseProgram(program);
        glUniform1i(location("u_texture"), 0);
        found = cache.programs.emplace(packed, p).first;
    }
    cache.lastKey = packed;
    cache.last = &found->second;
    return cache.last;
}

void Multiply(const D3DMATRIX& a, const D3DMATRIX& b, D3DMATRIX* out) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    *out = r;
}

float AsFloat(DWORD bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void Colour(GLint location, DWORD argb) {
    glUniform4f(location, static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                static_cast<float>((argb >> 8) & 0xFF) / 255.0f, static_cast<float>(argb & 0xFF) / 255.0f,
                static_cast<float>((argb >> 24) & 0xFF) / 255.0f);
}
}  // namespace

void SetFogUniforms(IDirect3DDevice9* device, GLint enable, GLint colour, GLint start, GLint end) {
    if (enable >= 0) glUniform1i(enable, FogEnabled(device));
    if (colour >= 0) Colour(colour, device->RenderState(D3DRS_FOGCOLOR));
    if (start >= 0) glUniform1f(start, AsFloat(device->RenderState(D3DRS_FOGSTART)));
    if (end >= 0) glUniform1f(end, AsFloat(device->RenderState(D3DRS_FOGEND)));
}

FvfLayout DecodeFvf(DWORD fvf) {
    FvfLayout layout;
    unsigned offset = 0;
    switch (fvf & kFvfPositionMask) {
    case kFvfXyz: layout.positionComponents = 3; break;
    case kFvfXyzRhw:
        layout.positionComponents = 4;
        layout.pretransformed = true;
        break;
    default: return layout;
    }
    offset += layout.positionComponents * 4;
    if (fvf & kFvfNormal) {
        layout.normalOffset = static_cast<int>(offset);
        offset += 12;
    }
    if (fvf & kFvfPointSize) offset += 4;
    if (fvf & kFvfDiffuse) {
        layout.diffuseOffset = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & kFvfSpecular) offset += 4;
    const unsigned textureSets = (fvf & kFvfTexCountMask) >> kFvfTexCountShift;
    for (unsigned set = 0; set < textureSets; ++set) {
        // Two-component coordinates unless the format bits say otherwise.
        const unsigned formatBits = (fvf >> (16 + set * 2)) & 3u;
        const unsigned components = formatBits == 0 ? 2 : formatBits == 1 ? 3 : formatBits == 2 ? 4 : 1;
        if (set == 0) layout.texcoordOffset = static_cast<int>(offset);
        offset += components * 4;
    }
    layout.stride = offset;
    layout.valid = true;
    return layout;
}

unsigned VertexCountFor(DWORD primitiveType, unsigned primitiveCount) {
    switch (primitiveType) {
    case 1: return primitiveCount;      // point list
    case 2: return primitiveCount * 2;  // line list
    case 3: return primitiveCount + 1;  // line strip
    case 4: return primitiveCount * 3;  // triangle list
    case 5:
    case 6: return primitiveCount ? primitiveCount + 2 : 0;  // strip, fan
    default: return 0;
    }
}

GLenum GlPrimitive(DWORD primitiveType) {
    switch (primitiveType) {
    case 1: return GL_POINTS;
    case 2: return GL_LINES;
    case 3: return GL_LINE_STRIP;
    case 5: return GL_TRIANGLE_STRIP;
    case 6: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

namespace {
void Attribute(GLuint location, GLint components, GLenum type, GLboolean normalised, GLsizei stride, int offset) {
    if (offset < 0) {
        glDisableVertexAttribArray(location);
        return;
    }
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, components, type, normalised, stride,
                          reinterpret_cast<const void*>(static_cast<uintptr_t>(offset)));
}

// Makes the program for the device's stage-0 state current and feeds it the
// values it reads; null when it cannot be built.
Program* UseProgramFor(IDirect3DDevice9* device, const FvfLayout& layout, IDirect3DBaseTexture9* stage0Texture,
                       bool batched = false) {
    const bool textured = stage0Texture != nullptr;
    ProgramKey key = KeyFor(device, layout, textured);
    key.batched = batched;
    Program* p = ProgramFor(key);
    if (!p) return nullptr;
    gl::Cache().UseProgram(p->program);
    if (batched) {
        // The transforms travel with the vertices.
    } else if (layout.pretransformed) {
        D3DVIEWPORT9 viewport{};
        device->GetViewport(&viewport);
        glUniform4f(p->viewport, static_cast<float>(viewport.X), static_cast<float>(viewport.Y),
                    static_cast<float>(viewport.Width), static_cast<float>(viewport.Height));
    } else {
        D3DMATRIX worldView, worldViewProjection;
        Multiply(device->Transform(D3DTS_WORLD), device->Transform(D3DTS_VIEW), &worldView);
        Multiply(worldView, device->Transform(D3DTS_PROJECTION), &worldViewProjection);
        // Row-major Direct3D matrices go up as they are: GLSL reads them
        // transposed, so `M * v` there is Direct3D's v x M.
        glUniformMatrix4fv(p->worldViewProjection, 1, GL_FALSE, &worldViewProjection.m[0][0]);
        glUniformMatrix4fv(p->worldView, 1, GL_FALSE, &worldView.m[0][0]);
    }
    if (p->textureFactor >= 0) Colour(p->textureFactor, device->RenderState(D3DRS_TEXTUREFACTOR));
    if (p->alphaRef >= 0) glUniform1f(p->alphaRef, static_cast<float>(device->RenderState(D3DRS_ALPHAREF) & 0xFF));
    SetFogUniforms(device, -1, p->fogColor, p->fogStart, p->fogEnd);
    if (textured) device->ApplySamplerStates(0, stage0Texture);
    return p;
}
}  // namespace

bool UseFixedFunctionProgram(IDirect3DDevice9* device, bool hasDiffuse, IDirect3DBaseTexture9* stage0Texture) {
    FvfLayout layout;
    layout.valid = true;
    layout.diffuseOffset = hasDiffuse ? 0 : -1;
    return UseProgramFor(device, layout, stage0Texture) != nullptr;
}

namespace {
constexpr DWORD kTriangleList = 4, kTriangleStrip = 5;
constexpr std::size_t kMatrixBytes = sizeof(D3DMATRIX);

// Consecutive fixed-function draws of world-space triangles that differ in
// nothing but their world transform (billboards, laser ribbons) are gathered
// here and drawn as one: each vertex carries its draw's transforms, and one
// multi-draw keeps every draw's primitives in their order, so the picture is
// the one separate draws give. The device flushes the batch before any of
// its state changes (other than the world transform), before any other draw
// and before its pixels are read or presented.
//
// Draws that only add to the target without writing depth give the same
// pixels in any order (each adds its own share, and a saturating sum of
// shares does not depend on their order), so while the state is additive the
// texture may change too: draws are grouped by texture, each group keeping
// its draws' order.
struct DrawGroup {
    IDirect3DBaseTexture9* texture = nullptr;  // held until drawn
    std::vector<std::uint8_t> vertices;        // caller's bytes, then the two matrices
    std::vector<GLint> firsts;
    std::vector<GLsizei> counts;
};
struct DrawBatch {
    IDirect3DDevice9* device = nullptr;  // null: nothing gathered
    DWORD primitiveType = 0;
    FvfLayout layout;  // of the caller's vertices
    bool additive = false;
    std::vector<DrawGroup> groups;  // in use: the first `used`
    std::size_t used = 0;
    StreamedVertices stream;
};
DrawBatch* g_batch = nullptr;
bool g_batching = true;
BatchCounts g_counts;

void ReleaseGroups(DrawBatch& batch) {
    for (std::size_t i = 0; i < batch.used; ++i) {
        DrawGroup& group = batch.groups[i];
        if (group.texture) group.texture->Release();
        group.texture = nullptr;
        group.vertices.clear();
        group.firsts.clear();
        group.counts.clear();
    }
    batch.used = 0;
}

DrawBatch& Batch() {
    if (g_batch) return *g_batch;
    g_batch = new DrawBatch;
    g_batch->stream.Create();
    OnDeviceRelease([] {
        ReleaseGroups(*g_batch);
        g_batch->stream.Delete();
        delete g_batch;
        g_batch = nullptr;
    });
    return *g_batch;
}

bool Batchable(IDirect3DDevice9* device, DWORD primitiveType, const FvfLayout& layout) {
    return g_batching && !device->ActiveEffect() && !layout.pretransformed && layout.positionComponents == 3 &&
           (primitiveType == kTriangleList || primitiveType == kTriangleStrip);
}

// Whether the target holds 8-bit channels, whose saturating sums are exact;
// sums of floating-point channels are rounded, so their order shows.
bool EightBitTarget(IDirect3DDevice9* device) {
    IDirect3DSurface9* target = nullptr;
    if (FAILED(device->GetRenderTarget(0, &target))) return false;
    D3DSURFACE_DESC description{};
    const bool described = SUCCEEDED(target->GetDesc(&description));
    target->Release();
    return described && (description.Format == D3DFMT_A8R8G8B8 || description.Format == D3DFMT_X8R8G8B8);
}

// Whether the device's state makes draws add to the target without reading
// it: a source factor that does not read the target, a destination factor
// of one, neither depth nor stencil written, and a target of 8-bit channels.
bool AddsInAnyOrder(IDirect3DDevice9* device) {
    if (!EightBitTarget(device)) return false;
    auto state = [device](D3DRENDERSTATETYPE type) { return device->RenderState(type); };
    const DWORD source = state(D3DRS_SRCBLEND);
    const bool sourceReadsTarget = source == D3DBLEND_DESTALPHA || source == D3DBLEND_INVDESTALPHA ||
                                   source == D3DBLEND_DESTCOLOR || source == D3DBLEND_INVDESTCOLOR ||
                                   source == D3DBLEND_SRCALPHASAT;
    const bool depthWritten = state(D3DRS_ZENABLE) != D3DZB_FALSE && state(D3DRS_ZWRITEENABLE) != FALSE;
    return state(D3DRS_ALPHABLENDENABLE) != FALSE && !sourceReadsTarget && state(D3DRS_DESTBLEND) == D3DBLEND_ONE &&
           state(D3DRS_BLENDOP) == D3DBLENDOP_ADD && state(D3DRS_SEPARATEALPHABLENDENABLE) == FALSE && !depthWritten &&
           state(D3DRS_STENCILENABLE) == FALSE;
}

bool SameLayout(const FvfLayout& a, const FvfLayout& b) {
    return a.stride == b.stride && a.diffuseOffset == b.diffuseOffset && a.texcoordOffset == b.texcoordOffset;
}

DrawGroup& GroupFor(DrawBatch& batch, IDirect3DBaseTexture9* texture) {
    if (batch.used > 0 && batch.groups[batch.used - 1].texture == texture) return batch.groups[batch.used - 1];
    if (batch.additive)
        for (std::size_t i = 0; i < batch.used; ++i)
            if (batch.groups[i].texture == texture) return batch.groups[i];
    if (batch.used == batch.groups.size()) batch.groups.emplace_back();
    DrawGroup& group = batch.groups[batch.used++];
    group.texture = texture;
    if (texture) texture->AddRef();
    return group;
}

void AddToBatch(IDirect3DDevice9* device, DWORD primitiveType, unsigned vertexCount, const void* vertices,
                const FvfLayout& layout, IDirect3DBaseTexture9* texture) {
    DrawBatch& batch = Batch();
    if (batch.device &&
        (batch.device != device || batch.primitiveType != primitiveType || !SameLayout(batch.layout, layout) ||
         (!batch.additive && batch.groups[batch.used - 1].texture != texture)))
        FlushBatchedDraws();
    if (!batch.device) {
        batch.device = device;
        batch.primitiveType = primitiveType;
        batch.layout = layout;
        batch.additive = AddsInAnyOrder(device);
    }
    DrawGroup& group = GroupFor(batch, texture);
    D3DMATRIX worldView, worldViewProjection;
    Multiply(device->Transform(D3DTS_WORLD), device->Transform(D3DTS_VIEW), &worldView);
    Multiply(worldView, device->Transform(D3DTS_PROJECTION), &worldViewProjection);
    const std::size_t stride = layout.stride + 2 * kMatrixBytes;
    const std::size_t start = group.vertices.size();
    ++g_counts.gathered;
    group.firsts.push_back(static_cast<GLint>(start / stride));
    group.counts.push_back(static_cast<GLsizei>(vertexCount));
    group.vertices.resize(start + stride * vertexCount);
    const auto* from = static_cast<const std::uint8_t*>(vertices);
    for (unsigned i = 0; i < vertexCount; ++i) {
        std::uint8_t* to = group.vertices.data() + start + stride * i;
        std::memcpy(to, from + static_cast<std::size_t>(layout.stride) * i, layout.stride);
        std::memcpy(to + layout.stride, &worldViewProjection, kMatrixBytes);
        std::memcpy(to + layout.stride + kMatrixBytes, &worldView, kMatrixBytes);
    }
}

void DrawGroupNow(DrawBatch& batch, const DrawGroup& group) {
    IDirect3DDevice9* device = batch.device;
    if (!UseProgramFor(device, batch.layout, group.texture, true)) return;
    batch.stream.Bind();
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(group.vertices.size()), group.vertices.data(),
                 GL_STREAM_DRAW);
    const FvfLayout& layout = batch.layout;
    const GLsizei stride = static_cast<GLsizei>(layout.stride + 2 * kMatrixBytes);
    Attribute(0, 3, GL_FLOAT, GL_FALSE, stride, 0);
    Attribute(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, layout.diffuseOffset);
    Attribute(2, 2, GL_FLOAT, GL_FALSE, stride, layout.texcoordOffset);
    if (layout.texcoordOffset < 0) glVertexAttrib2f(2, 0.0f, 0.0f);
    // Row-major Direct3D matrices, read by GLSL as columns (see the uniform
    // draw).
    for (GLuint column = 0; column < 8; ++column)
        Attribute(kBatchTransforms + column, 4, GL_FLOAT, GL_FALSE, stride,
                  static_cast<int>(layout.stride + column * 16));
    glMultiDrawArrays(GlPrimitive(batch.primitiveType), group.firsts.data(), group.counts.data(),
                      static_cast<GLsizei>(group.firsts.size()));
    ++g_counts.drawn;
}
}  // namespace

void FlushBatchedDraws() {
    if (!g_batch || !g_batch->device) return;
    DrawBatch& batch = *g_batch;
    IDirect3DDevice9* device = batch.device;
    batch.device = nullptr;  // PrepareDraw flushes too
    device->PrepareDraw(false);
    batch.device = device;
    for (std::size_t i = 0; i < batch.used; ++i) DrawGroupNow(batch, batch.groups[i]);
    batch.device = nullptr;
    ReleaseGroups(batch);
}

bool BatchTakesAnyTexture() { return g_batch && g_batch->device && g_batch->additive; }

void SetDrawBatching(bool enabled) {
    FlushBatchedDraws();
    g_batching = enabled;
}

BatchCounts DrawBatchCounts() { return g_counts; }

void DrawFixedFunction(IDirect3DDevice9* device, DWORD primitiveType, unsigned vertexCount, const void* vertices,
                       const FvfLayout& layout, IDirect3DBaseTexture9* stage0Texture) {
    if (!layout.valid || vertexCount == 0) return;
    if (Batchable(device, primitiveType, layout)) {
        AddToBatch(device, primitiveType, vertexCount, vertices, layout, stage0Texture);
        return;
    }
    device->PrepareDraw(layout.pretransformed);
    ID3DXEffect* effect = device->ActiveEffect();
    if (effect ? !effect->BindActivePass() : !UseProgramFor(device, layout, stage0Texture)) return;

    Programs().stream.Bind();
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount) * layout.stride, vertices, GL_STREAM_DRAW);
    const GLsizei stride = static_cast<GLsizei>(layout.stride);
    const GLint positionComponents = static_cast<GLint>(layout.positionComponents);
    if (effect) {
        // Effect programs read attributes by usage.
        for (unsigned location = 0; location < gl::kAttributeCount; ++location) glDisableVertexAttribArray(location);
        Attribute(gl::kAttributePosition, positionComponents, GL_FLOAT, GL_FALSE, stride, 0);
        Attribute(gl::kAttributeNormal, 3, GL_FLOAT, GL_FALSE, stride, layout.normalOffset);
        Attribute(gl::kAttributeColor, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, layout.diffuseOffset);
        Attribute(gl::kAttributeTexCoord, 2, GL_FLOAT, GL_FALSE, stride, layout.texcoordOffset);
        if (layout.diffuseOffset < 0) glVertexAttrib4f(gl::kAttributeColor, 1, 1, 1, 1);
    } else {
        for (unsigned location = 3; location < gl::kAttributeCount; ++location) glDisableVertexAttribArray(location);
        Attribute(0, positionComponents, GL_FLOAT, GL_FALSE, stride, 0);
        // D3DCOLOR bytes are B, G, R, A.
        Attribute(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, layout.diffuseOffset);
        Attribute(2, 2, GL_FLOAT, GL_FALSE, stride, layout.texcoordOffset);
        if (layout.texcoordOffset < 0) glVertexAttrib2f(2, 0.0f, 0.0f);
    }
    glDrawArrays(GlPrimitive(primitiveType), 0, static_cast<GLsizei>(vertexCount));
}

}  // namespace d3d9
