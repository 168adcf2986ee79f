// GLSL program objects, with the prelude every vertex program of the layer
// shares: Direct3D's clip conventions.
#pragma once
#include <epoxy/gl.h>

#include <string>

namespace gl {

// Prepended to every vertex program (after the #version line). Render
// targets are drawn upside down in GL's terms so that their first row is the
// top of the picture, as in Direct3D, and clip depth 0..1 becomes GL's -1..1:
//   vec4 D3DClipToGL(vec4 clipPosition);
extern const char* const kVertexPrelude;
// Prepended to every fragment program: linear pixel fog as Direct3D applies
// it after the pixel stage, fed by the device's fog state. D3DLinearFog is
// the same without the enable switch, for programs built for fog on.
//   vec3 D3DApplyFog(vec3 colour, float viewDepth);
//   vec3 D3DLinearFog(vec3 colour, float viewDepth);
extern const char* const kFragmentPrelude;

// Compiles and links; returns 0 and fills log on failure. The sources start
// after the #version line, which this adds.
GLuint BuildProgram(const std::string& vertexSource, const std::string& fragmentSource, std::string* log);
void DeleteProgram(GLuint program);

}  // namespace gl
