#include "platform/gl/attributes.h"

namespace gl {
const char* const kAttributeDeclarations = R"(
layout(location = 0) in vec4 a_Position;
layout(location = 1) in vec4 a_BlendWeight;
layout(location = 2) in vec4 a_BlendIndices;
layout(location = 3) in vec3 a_Normal;
layout(location = 4) in vec2 a_TexCoord;
layout(location = 5) in vec3 a_Tangent;
layout(location = 6) in vec3 a_Binormal;
layout(location = 7) in vec4 a_Color;
)";
}  // namespace gl
