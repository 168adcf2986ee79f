#include "platform/gl/program.h"

#include <vector>

#include "platform/gl/state_cache.h"

namespace gl {

const char* const kVertexPrelude = R"(
vec4 D3DClipToGL(vec4 p) {
    return vec4(p.x, -p.y, 2.0 * p.z - p.w, p.w);
}
)";

const char* const kFragmentPrelude = R"(
uniform bool d3d_FogEnable;
uniform vec4 d3d_FogColor;
uniform float d3d_FogStart;
uniform float d3d_FogEnd;
vec3 D3DLinearFog(vec3 colour, float viewDepth) {
    float range = d3d_FogEnd - d3d_FogStart;
    float f = range != 0.0 ? clamp((d3d_FogEnd - viewDepth) / range, 0.0, 1.0) : (viewDepth < d3d_FogEnd ? 1.0 : 0.0);
    return mix(d3d_FogColor.rgb, colour, f);
}
vec3 D3DApplyFog(vec3 colour, float viewDepth) {
    return d3d_FogEnable ? D3DLinearFog(colour, viewDepth) : colour;
}
)";

namespace {
GLuint CompileStage(GLenum stage, const std::string& source, std::string* log) {
    GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> text(static_cast<size_t>(length > 1 ? length : 1));
        glGetShaderInfoLog(shader, length, nullptr, text.data());
        if (log) *log += (stage == GL_VERTEX_SHADER ? "vertex: " : "fragment: ") + std::string(text.data());
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}
}  // namespace

GLuint BuildProgram(const std::string& vertexSource, const std::string& fragmentSource, std::string* log) {
    const std::string header = "#version 330 core\n";
    GLuint vertex = CompileStage(GL_VERTEX_SHADER, header + kVertexPrelude + vertexSource, log);
    GLuint fragment = CompileStage(GL_FRAGMENT_SHADER, header + kFragmentPrelude + fragmentSource, log);
    if (!vertex || !fragment) {
        if (vertex) glDeleteShader(vertex);
        if (fragment) glDeleteShader(fragment);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> text(static_cast<size_t>(length > 1 ? length : 1));
        glGetProgramInfoLog(program, length, nullptr, text.data());
        if (log) *log += "link: " + std::string(text.data());
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

void DeleteProgram(GLuint program) {
    if (!program) return;
    Cache().ForgetProgram(program);
    glDeleteProgram(program);
}

}  // namespace gl
