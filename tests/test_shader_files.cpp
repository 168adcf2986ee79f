// The game's effect files compile and offer every technique and parameter
// the game sets by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/d3dx9/effect.h"
#include "support/graphics_fixture.h"

namespace {
struct Contract {
    const char* file;
    std::vector<const char*> techniques;
    std::vector<const char*> matrices;
    std::vector<const char*> vectors;
    std::vector<const char*> floats;
    std::vector<const char*> textures;
    std::vector<const char*> integers;
};

const Contract kContracts[] = {
    {"Shader/BaseHLSL.fx",
     {"StaticBasic", "SkinMeshBase"},
     {"WorldViewProjection", "ViewProjection", "WorldMatrixArray"},
     {"MaterialDiffuse", "MaterialAmbient", "Specular", "MaterialSpecular"},
     {"MaterialPower"},
     {"MeshTexture"},
     {"CurNumBones"}},
    {"Shader/BumpMap.fx",
     {"SkinMeshBumpMap"},
     {"ViewProjection", "WorldMatrixArray"},
     {"vecLightDir", "vecEyePos", "MaterialDiffuse", "MaterialAmbient", "MaterialSpecular"},
     {"ScaleValue", "MaterialPower"},
     {"NormalMap", "MeshTexture"},
     {"CurNumBones"}},
    {"Shader/staticShadow.fx",
     {"SkinCreateShadowMap", "ShadowRender"},
     {"LightViewProjection", "WorldMatrixArray", "WorldViewProjection", "WorldLightViewProjection",
      "WorldLightViewProjectionUV"},
     {"LightVector", "MaterialDiffuse", "MaterialAmbient", "Specular", "MaterialSpecular"},
     {"MaterialPower"},
     {"ShadowMap", "MeshTexture"},
     {"CurNumBones"}},
    {"Shader/HDR.fx", {}, {}, {}, {}, {}, {}},
};

using ShaderFileTest = GraphicsTest;
}  // namespace

TEST_F(ShaderFileTest, EveryEffectFileCompilesWithItsContract) {
    D3DMATRIX palette[26]{};
    const float vector[4] = {0.1f, 0.2f, 0.3f, 1.0f};
    for (const Contract& contract : kContracts) {
        const std::string path = std::string(VORTWING_DATA_DIR) + "/" + contract.file;
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        ASSERT_EQ(D3DXCreateEffectFromFileA(Device(), path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors),
                  D3D_OK)
            << contract.file << ": " << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
        for (const char* name : contract.techniques) EXPECT_EQ(effect->SetTechnique(name), D3D_OK) << name;
        for (const char* name : contract.matrices) EXPECT_EQ(effect->SetMatrixArray(name, palette, 26), D3D_OK) << name;
        for (const char* name : contract.vectors)
            EXPECT_EQ(effect->SetVector(name, reinterpret_cast<const D3DXVECTOR4*>(vector)), D3D_OK) << name;
        for (const char* name : contract.floats) EXPECT_EQ(effect->SetFloat(name, 4.0f), D3D_OK) << name;
        for (const char* name : contract.textures) EXPECT_EQ(effect->SetTexture(name, nullptr), D3D_OK) << name;
        for (const char* name : contract.integers) EXPECT_EQ(effect->SetInt(name, 1), D3D_OK) << name;
        effect->Release();
    }
}
