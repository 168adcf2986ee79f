// Fixed attribute locations shared by mesh drawing and effect programs, one
// per vertex-declaration usage. Effect vertex programs read them as
// a_Position, a_BlendWeight, a_BlendIndices, a_Normal, a_TexCoord,
// a_Tangent, a_Binormal and a_Color.
#pragma once

namespace gl {
enum AttributeLocation : unsigned {
    kAttributePosition = 0,
    kAttributeBlendWeight = 1,
    kAttributeBlendIndices = 2,
    kAttributeNormal = 3,
    kAttributeTexCoord = 4,
    kAttributeTangent = 5,
    kAttributeBinormal = 6,
    kAttributeColor = 7,
    kAttributeCount = 8,
};

// GLSL declarations of the attributes above, for vertex programs.
extern const char* const kAttributeDeclarations;
}  // namespace gl
