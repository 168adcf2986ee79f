#include "platform/d3d9/fixed_function.h"

#include <cstring>

#include "platform/d3d9/presentation.h"
#include "platform/d3d9/texture.h"
#include "platform/d3dx9/effect.h"
#include "platform/gl/attributes.h"
#include "platform/gl/program.h"
#include "platform/gl/state_cache.h"

namespace d3d9 {
namespace {
constexpr DWORD kFvfXyz = 0x002, kFvfXyzRhw = 0x004, kFvfNormal = 0x010, kFvfPointSize = 0x020, kFvfDiffuse = 0x040,
                kFvfSpecular = 0x080, kFvfTexCountMask = 0xF00, kFvfTexCountShift = 8, kFvfPositionMask = 0x400E;

const char* const kVertexSource = R"(
layout(location = 0) in vec4 a_position;
layout(location = 1) in vec4 a_diffuse;
layout(location = 2) in vec2 a_texcoord;
uniform mat4 u_worldViewProjection;
uniform mat4 u_worldView;
uniform bool u_pretransformed;
uniform vec4 u_viewport;   // x, y, width, height in pixels
uniform bool u_hasDiffuse;
out vec4 v_diffuse;
out vec2 v_texcoord;
out float v_viewDepth;
void main() {
    v_diffuse = u_hasDiffuse ? a_diffuse : vec4(1.0);
    v_texcoord = a_texcoord;
    if (u_pretransformed) {
        float w = a_position.w != 0.0 ? 1.0 / a_position.w : 1.0;
        vec2 ndc = vec2((a_position.x - u_viewport.x) / u_viewport.z * 2.0 - 1.0,
                        1.0 - (a_position.y - u_viewport.y) / u_viewport.w * 2.0);
        v_viewDepth = w;
        gl_Position = D3DClipToGL(vec4(ndc * w, a_position.z * w, w));
    } else {
        vec4 p = vec4(a_position.xyz, 1.0);
        v_viewDepth = (u_worldView * p).z;
        gl_Position = D3DClipToGL(u_worldViewProjection * p);
    }
}
)";

const char* const kFragmentSource = R"(
in vec4 v_diffuse;
in vec2 v_texcoord;
in float v_viewDepth;
uniform sampler2D u_texture;
uniform bool u_hasTexture;
uniform ivec2 u_op;          // colour op, alpha op
uniform ivec4 u_args;        // colour arg 1, colour arg 2, alpha arg 1, alpha arg 2
uniform vec4 u_textureFactor;
uniform bool u_alphaTest;
uniform int u_alphaFunc;
uniform float u_alphaRef;    // 0..255
out vec4 o_colour;

vec4 Argument(int arg, vec4 texel) {
    vec4 value;
    int select = arg & 15;
    if (select == 2) value = texel;
    else if (select == 3) value = u_textureFactor;
    else value = v_diffuse;  // diffuse, or current at stage 0
    if ((arg & 16) != 0) value = vec4(1.0) - value;
    if ((arg & 32) != 0) value = vec4(value.a);
    return value;
}

vec4 Operate(int op, vec4 a, vec4 b) {
    if (op == 2) return a;
    if (op == 3) return b;
    if (op == 4) return a * b;
    if (op == 5) return clamp(a * b * 2.0, 0.0, 1.0);
    if (op == 6) return clamp(a * b * 4.0, 0.0, 1.0);
    if (op == 7) return clamp(a + b, 0.0, 1.0);
    if (op == 8) return clamp(a + b - 0.5, 0.0, 1.0);
    return v_diffuse;  // disabled
}

bool Passes(float alpha) {
    float a = floor(alpha * 255.0 + 0.5);
    if (u_alphaFunc == 1) return false;
    if (u_alphaFunc == 2) return a < u_alphaRef;
    if (u_alphaFunc == 3) return a == u_alphaRef;
    if (u_alphaFunc == 4) return a <= u_alphaRef;
    if (u_alphaFunc == 5) return a > u_alphaRef;
    if (u_alphaFunc == 6) return a != u_alphaRef;
    if (u_alphaFunc == 7) return a >= u_alphaRef;
    return true;
}

void main() {
    vec4 texel = u_hasTexture ? texture(u_texture, v_texcoord) : vec4(1.0);
    vec3 colour = Operate(u_op.x, Argument(u_args.x, texel), Argument(u_args.y, texel)).rgb;
    float alpha = Operate(u_op.y, Argument(u_args.z, texel), Argument(u_args.w, texel)).a;
    if (u_alphaTest && !Passes(alpha)) discard;
    o_colour = vec4(D3DApplyFog(colour, v_viewDepth), alpha);
}
)";

struct Program {
    GLuint program = 0;
    GLuint vertexArray = 0;
    GLuint buffer = 0;
    GLint worldViewProjection, worldView, pretransformed, viewport, hasDiffuse, hasTexture, op, args, textureFactor,
        alphaTest, alphaFunc, alphaRef, fogEnable, fogColor, fogStart, fogEnd, sampler;
};

Program* g_program = nullptr;

Program* FixedFunctionProgram() {
    if (g_program) return g_program;
    std::string log;
    GLuint program = gl::BuildProgram(kVertexSource, kFragmentSource, &log);
    if (!program) return nullptr;
    auto* p = new Program;
    p->program = program;
    auto location = [&](const char* name) { return glGetUniformLocation(program, name); };
    p->worldViewProjection = location("u_worldViewProjection");
    p->worldView = location("u_worldView");
    p->pretransformed = location("u_pretransformed");
    p->viewport = location("u_viewport");
    p->hasDiffuse = location("u_hasDiffuse");
    p->hasTexture = location("u_hasTexture");
    p->op = location("u_op");
    p->args = location("u_args");
    p->textureFactor = location("u_textureFactor");
    p->alphaTest = location("u_alphaTest");
    p->alphaFunc = location("u_alphaFunc");
    p->alphaRef = location("u_alphaRef");
    p->fogEnable = location("d3d_FogEnable");
    p->fogColor = location("d3d_FogColor");
    p->fogStart = location("d3d_FogStart");
    p->fogEnd = location("d3d_FogEnd");
    p->sampler = location("u_texture");
    glGenVertexArrays(1, &p->vertexArray);
    glGenBuffers(1, &p->buffer);
    g_program = p;
    OnDeviceRelease([] {
        gl::DeleteProgram(g_program->program);
        gl::Cache().ForgetVertexArray(g_program->vertexArray);
        gl::Cache().ForgetBuffer(g_program->buffer);
        glDeleteVertexArrays(1, &g_program->vertexArray);
        glDeleteBuffers(1, &g_program->buffer);
        delete g_program;
        g_program = nullptr;
    });
    return p;
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
    const bool fog =
        device->RenderState(D3DRS_FOGENABLE) != FALSE && (device->RenderState(D3DRS_FOGTABLEMODE) == D3DFOG_LINEAR ||
                                                          device->RenderState(D3DRS_FOGVERTEXMODE) == D3DFOG_LINEAR);
    if (enable >= 0) glUniform1i(enable, fog);
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

void SetFixedFunctionUniforms(Program* p, IDirect3DDevice9* device, const FvfLayout& layout,
                              IDirect3DBaseTexture9* stage0Texture) {
    gl::Cache().UseProgram(p->program);
    D3DMATRIX worldView, worldViewProjection;
    Multiply(device->Transform(D3DTS_WORLD), device->Transform(D3DTS_VIEW), &worldView);
    Multiply(worldView, device->Transform(D3DTS_PROJECTION), &worldViewProjection);
    // Row-major Direct3D matrices go up as they are: GLSL reads them
    // transposed, so `M * v` there is Direct3D's v x M.
    glUniformMatrix4fv(p->worldViewProjection, 1, GL_FALSE, &worldViewProjection.m[0][0]);
    glUniformMatrix4fv(p->worldView, 1, GL_FALSE, &worldView.m[0][0]);
    glUniform1i(p->pretransformed, layout.pretransformed);
    D3DVIEWPORT9 viewport{};
    device->GetViewport(&viewport);
    glUniform4f(p->viewport, static_cast<float>(viewport.X), static_cast<float>(viewport.Y),
                static_cast<float>(viewport.Width), static_cast<float>(viewport.Height));
    glUniform1i(p->hasDiffuse, layout.diffuseOffset >= 0);
    glUniform2i(p->op, static_cast<GLint>(device->TextureStageState(0, D3DTSS_COLOROP)),
                static_cast<GLint>(device->TextureStageState(0, D3DTSS_ALPHAOP)));
    glUniform4i(p->args, static_cast<GLint>(device->TextureStageState(0, D3DTSS_COLORARG1)),
                static_cast<GLint>(device->TextureStageState(0, D3DTSS_COLORARG2)),
                static_cast<GLint>(device->TextureStageState(0, D3DTSS_ALPHAARG1)),
                static_cast<GLint>(device->TextureStageState(0, D3DTSS_ALPHAARG2)));
    Colour(p->textureFactor, device->RenderState(D3DRS_TEXTUREFACTOR));
    glUniform1i(p->alphaTest, device->RenderState(D3DRS_ALPHATESTENABLE) != FALSE);
    glUniform1i(p->alphaFunc, static_cast<GLint>(device->RenderState(D3DRS_ALPHAFUNC)));
    glUniform1f(p->alphaRef, static_cast<float>(device->RenderState(D3DRS_ALPHAREF) & 0xFF));
    SetFogUniforms(device, p->fogEnable, p->fogColor, p->fogStart, p->fogEnd);
    const bool textured = stage0Texture != nullptr;
    glUniform1i(p->hasTexture, textured);
    glUniform1i(p->sampler, 0);
    if (textured) device->ApplySamplerStates(0, stage0Texture->GlTexture(), stage0Texture->HasMipmaps());
}
}  // namespace

bool UseFixedFunctionProgram(IDirect3DDevice9* device, bool hasDiffuse, IDirect3DBaseTexture9* stage0Texture) {
    Program* p = FixedFunctionProgram();
    if (!p) return false;
    FvfLayout layout;
    layout.valid = true;
    layout.diffuseOffset = hasDiffuse ? 0 : -1;
    SetFixedFunctionUniforms(p, device, layout, stage0Texture);
    return true;
}

void DrawFixedFunction(IDirect3DDevice9* device, DWORD primitiveType, unsigned vertexCount, const void* vertices,
                       const FvfLayout& layout, IDirect3DBaseTexture9* stage0Texture) {
    Program* p = FixedFunctionProgram();
    if (!p || !layout.valid || vertexCount == 0) return;
    device->PrepareDraw(layout.pretransformed);
    ID3DXEffect* effect = device->ActiveEffect();
    if (effect)
        effect->BindActivePass();
    else
        SetFixedFunctionUniforms(p, device, layout, stage0Texture);

    auto& cache = gl::Cache();
    cache.BindVertexArray(p->vertexArray);
    cache.BindArrayBuffer(p->buffer);
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
