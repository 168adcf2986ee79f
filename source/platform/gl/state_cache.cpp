#include "platform/gl/state_cache.h"

namespace gl {

StateCache& Cache() {
    static StateCache cache;
    return cache;
}

void StateCache::Invalidate() {
    m_known = false;
    // The GL defaults, which a fresh context has.
    m_depthTest = false;
    m_depthFunc = GL_LESS;
    m_depthMask = true;
    m_blend = BlendState{};
    m_cullFace = 0;
    m_colorMask = 0xF;
    m_scissor = false;
    m_scissorRect = Rect{};
    m_viewport = Rect{-1, -1, -1, -1};
    m_depthNear = 0.0f;
    m_depthFar = 1.0f;
    m_program = 0;
    m_framebuffer = 0;
    m_vertexArray = 0;
    m_arrayBuffer = 0;
    m_activeUnit = 0;
    m_textures.fill(0);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glBlendFuncSeparate(GL_ONE, GL_ZERO, GL_ONE, GL_ZERO);
    glBlendEquationSeparate(GL_FUNC_ADD, GL_FUNC_ADD);
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_SCISSOR_TEST);
    glDepthRange(0.0, 1.0);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glActiveTexture(GL_TEXTURE0);
    for (unsigned unit = 0; unit < m_textures.size(); ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glActiveTexture(GL_TEXTURE0);
    m_known = true;
}

void StateCache::SetDepthTest(bool enabled) {
    if (m_depthTest == enabled) return;
    m_depthTest = enabled;
    enabled ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
}

void StateCache::SetDepthFunc(GLenum function) {
    if (m_depthFunc == function) return;
    m_depthFunc = function;
    glDepthFunc(function);
}

void StateCache::SetDepthMask(bool enabled) {
    if (m_depthMask == enabled) return;
    m_depthMask = enabled;
    glDepthMask(enabled ? GL_TRUE : GL_FALSE);
}

void StateCache::SetBlend(const BlendState& blend) {
    if (m_blend.enabled != blend.enabled) blend.enabled ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    if (blend.enabled) {
        if (m_blend.sourceColor != blend.sourceColor || m_blend.destinationColor != blend.destinationColor ||
            m_blend.sourceAlpha != blend.sourceAlpha || m_blend.destinationAlpha != blend.destinationAlpha)
            glBlendFuncSeparate(blend.sourceColor, blend.destinationColor, blend.sourceAlpha, blend.destinationAlpha);
        if (m_blend.equationColor != blend.equationColor || m_blend.equationAlpha != blend.equationAlpha)
            glBlendEquationSeparate(blend.equationColor, blend.equationAlpha);
        m_blend = blend;
    } else {
        // The functions stay as last sent; only the switch changed.
        m_blend.enabled = false;
    }
}

void StateCache::SetCull(GLenum cullFace) {
    if (m_cullFace == cullFace) return;
    if (cullFace == 0) {
        glDisable(GL_CULL_FACE);
    } else {
        if (m_cullFace == 0) glEnable(GL_CULL_FACE);
        glCullFace(cullFace);
    }
    m_cullFace = cullFace;
}

void StateCache::SetColorMask(unsigned rgbaBits) {
    rgbaBits &= 0xF;
    if (m_colorMask == rgbaBits) return;
    m_colorMask = rgbaBits;
    glColorMask((rgbaBits & 1) != 0, (rgbaBits & 2) != 0, (rgbaBits & 4) != 0, (rgbaBits & 8) != 0);
}

void StateCache::SetScissor(bool enabled, const Rect& rect) {
    if (m_scissor != enabled) {
        m_scissor = enabled;
        enabled ? glEnable(GL_SCISSOR_TEST) : glDisable(GL_SCISSOR_TEST);
    }
    if (enabled && !(m_scissorRect == rect)) {
        m_scissorRect = rect;
        glScissor(rect.x, rect.y, rect.width, rect.height);
    }
}

void StateCache::SetViewport(const Rect& rect) {
    if (m_viewport == rect) return;
    m_viewport = rect;
    glViewport(rect.x, rect.y, rect.width, rect.height);
}

void StateCache::SetDepthRange(float nearValue, float farValue) {
    if (m_depthNear == nearValue && m_depthFar == farValue) return;
    m_depthNear = nearValue;
    m_depthFar = farValue;
    glDepthRange(nearValue, farValue);
}

void StateCache::UseProgram(GLuint program) {
    if (m_program == program) return;
    m_program = program;
    glUseProgram(program);
}

void StateCache::BindFramebuffer(GLuint framebuffer) {
    if (m_framebuffer == framebuffer) return;
    m_framebuffer = framebuffer;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

void StateCache::BindVertexArray(GLuint vertexArray) {
    if (m_vertexArray == vertexArray) return;
    m_vertexArray = vertexArray;
    glBindVertexArray(vertexArray);
}

void StateCache::BindArrayBuffer(GLuint buffer) {
    if (m_arrayBuffer == buffer) return;
    m_arrayBuffer = buffer;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
}

void StateCache::ActiveUnit(unsigned unit) {
    if (m_activeUnit == unit) return;
    m_activeUnit = unit;
    glActiveTexture(GL_TEXTURE0 + unit);
}

void StateCache::BindTexture(unsigned unit, GLuint texture) {
    if (unit >= m_textures.size() || m_textures[unit] == texture) return;
    ActiveUnit(unit);
    m_textures[unit] = texture;
    glBindTexture(GL_TEXTURE_2D, texture);
}

void StateCache::ForgetTexture(GLuint texture) {
    for (GLuint& bound : m_textures)
        if (bound == texture) bound = 0;
}

void StateCache::ForgetFramebuffer(GLuint framebuffer) {
    if (m_framebuffer == framebuffer) m_framebuffer = 0;
}

void StateCache::ForgetProgram(GLuint program) {
    if (m_program == program) m_program = 0;
}

void StateCache::ForgetBuffer(GLuint buffer) {
    if (m_arrayBuffer == buffer) m_arrayBuffer = 0;
}

void StateCache::ForgetVertexArray(GLuint vertexArray) {
    if (m_vertexArray == vertexArray) m_vertexArray = 0;
}

}  // namespace gl
