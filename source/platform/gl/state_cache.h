// The GL state the layer has set, so that only changes reach the driver.
// Every part of the layer changes these states through the cache, never
// directly, or the cache would lie.
#pragma once
#include <epoxy/gl.h>

#include <array>

namespace gl {

struct Rect {
    GLint x = 0, y = 0;
    GLsizei width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

struct BlendState {
    bool enabled = false;
    GLenum sourceColor = GL_ONE, destinationColor = GL_ZERO;
    GLenum sourceAlpha = GL_ONE, destinationAlpha = GL_ZERO;
    GLenum equationColor = GL_FUNC_ADD, equationAlpha = GL_FUNC_ADD;
    bool operator==(const BlendState&) const = default;
};

class StateCache {
public:
    // Forgets what it knows, so the next call of each setter reaches GL
    // (after the context was created or touched by someone else).
    void Invalidate();

    void SetDepthTest(bool enabled);
    void SetDepthFunc(GLenum function);
    void SetDepthMask(bool enabled);
    void SetBlend(const BlendState& blend);
    // cullFace 0 turns culling off; otherwise GL_FRONT or GL_BACK.
    void SetCull(GLenum cullFace);
    void SetColorMask(unsigned rgbaBits);
    void SetScissor(bool enabled, const Rect& rect);
    void SetViewport(const Rect& rect);
    void SetDepthRange(float nearValue, float farValue);
    void UseProgram(GLuint program);
    void BindFramebuffer(GLuint framebuffer);
    void BindVertexArray(GLuint vertexArray);
    void BindArrayBuffer(GLuint buffer);
    void BindTexture(unsigned unit, GLuint texture);
    GLuint BoundFramebuffer() const { return m_framebuffer; }

    // GL unbinds objects that are deleted while bound; these keep the cache
    // in step when the layer deletes one.
    void ForgetTexture(GLuint texture);
    void ForgetFramebuffer(GLuint framebuffer);
    void ForgetProgram(GLuint program);
    void ForgetBuffer(GLuint buffer);
    void ForgetVertexArray(GLuint vertexArray);

private:
    void ActiveUnit(unsigned unit);

    bool m_known = false;
    bool m_depthTest = false;
    GLenum m_depthFunc = GL_LESS;
    bool m_depthMask = true;
    BlendState m_blend;
    GLenum m_cullFace = 0;
    unsigned m_colorMask = 0xF;
    bool m_scissor = false;
    Rect m_scissorRect;
    Rect m_viewport;
    float m_depthNear = 0.0f, m_depthFar = 1.0f;
    GLuint m_program = 0;
    GLuint m_framebuffer = 0;
    GLuint m_vertexArray = 0;
    GLuint m_arrayBuffer = 0;
    unsigned m_activeUnit = 0;
    std::array<GLuint, 16> m_textures{};
};

// The cache of the one GL context the program uses.
StateCache& Cache();

}  // namespace gl
