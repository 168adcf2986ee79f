#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/d3d9/texture.h"
#include "platform/d3dx9/d3dx9math.h"
#include "platform/d3dx9/effect.h"
#include "support/graphics_fixture.h"
#include "support/log_lines.h"

namespace {
const char* const kFlatEffect = R"(# A flat colour, and a textured variant (the tint while no texture is set).
parameter float4x4 WorldViewProjection
parameter float4 Tint
parameter float Strength
parameter texture MeshTexture
sampler MeshTexture point clamp
glsl
vec4 Scaled(vec4 c) { return vec4(c.rgb * Strength, c.a); }
end
technique Flat
  pass P0
    state CullMode None
    state ZWriteEnable false
    vertex
      void main() { gl_Position = D3DClipToGL(WorldViewProjection * vec4(a_Position.xyz, 1.0)); }
    end
    fragment
      void main() { FragColor = Scaled(Tint); }
    end
  end
end
technique Textured
  pass P0
    vertex
      out vec2 uv;
      void main() { uv = a_TexCoord; gl_Position = D3DClipToGL(WorldViewProjection * vec4(a_Position.xyz, 1.0)); }
    end
    fragment
      in vec2 uv;
      void main() { FragColor = MeshTexture_Present ? texture(MeshTexture, uv) : Tint; }
    end
  end
end
)";

struct Vertex {
    float x, y, z;
    float u, v;
};

class EffectTest : public GraphicsTest {
protected:
    ID3DXEffect* Load(const std::string& text, std::string* errors = nullptr) {
        const std::string path = ::testing::TempDir() + "effect_" + std::to_string(::getpid()) + ".fx";
        std::ofstream(path) << text;
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* buffer = nullptr;
        D3DXCreateEffectFromFileA(Device(), path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &buffer);
        if (buffer) {
            if (errors) *errors = static_cast<const char*>(buffer->GetBufferPointer());
            buffer->Release();
        }
        return effect;
    }
    // Covers the left half of the screen in clip space.
    void DrawLeftHalf() {
        const Vertex strip[4] = {{-1, 1, 0.5f, 0, 0}, {0, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1}, {0, -1, 0.5f, 1, 1}};
        Device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
        Device()->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Vertex));
    }
    static D3DMATRIX Identity() {
        D3DMATRIX m{};
        m._11 = m._22 = m._33 = m._44 = 1.0f;
        return m;
    }
};
}  // namespace

TEST_F(EffectTest, MalformedFilesAreRefusedNamingTheLine) {
    std::string errors;
    EXPECT_EQ(Load("parameter float4 A\ntechnique T\n  pass P\n    colour red\n", &errors), nullptr);
    EXPECT_NE(errors.find("line 4"), std::string::npos) << errors;
    EXPECT_EQ(Load("parameter vec5 A\n", &errors), nullptr);
    EXPECT_NE(errors.find("line 1"), std::string::npos) << errors;
    EXPECT_EQ(Load("technique T\n  pass P\n    vertex\n      void main() {}\n    end\n  end\nend\n", &errors), nullptr);
    EXPECT_NE(errors.find("fragment"), std::string::npos) << errors;
    EXPECT_EQ(Load("technique T\n  pass P\n", &errors), nullptr);
    // GLSL that does not compile is reported too.
    EXPECT_EQ(
        Load("technique T\npass P\nvertex\nvoid main() { nonsense; }\nend\nfragment\nvoid main() {}\nend\nend\nend\n",
             &errors),
        nullptr);
    EXPECT_NE(errors.find("T/P"), std::string::npos) << errors;
    ID3DXEffect* none = reinterpret_cast<ID3DXEffect*>(1);
    EXPECT_EQ(D3DXCreateEffectFromFileA(Device(), "/no/such.fx", nullptr, nullptr, 0, nullptr, &none, nullptr),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(none, nullptr);
}

TEST_F(EffectTest, ParametersByNameReachTheDrawAndUnknownNamesFailAlone) {
    ID3DXEffect* effect = Load(kFlatEffect);
    ASSERT_NE(effect, nullptr);
    const D3DMATRIX identity = Identity();
    EXPECT_EQ(effect->SetMatrix("WorldViewProjection", &identity), D3D_OK);
    const float tint[4] = {1.0f, 0.5f, 0.25f, 1.0f};
    EXPECT_EQ(effect->SetVector("Tint", reinterpret_cast<const D3DXVECTOR4*>(tint)), D3D_OK);
    EXPECT_EQ(effect->SetFloat("Strength", 0.5f), D3D_OK);
    EXPECT_EQ(effect->SetFloat("NoSuchName", 1.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTechnique("NoSuchTechnique"), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTechnique("Flat"), D3D_OK);

    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    DWORD cull = 0;
    Device()->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_NONE));
    DrawLeftHalf();
    // Values set inside the pass reach the next draw.
    effect->SetFloat("Strength", 1.0f);
    const Vertex right[3] = {{0.5f, 0.5f, 0.5f, 0, 0}, {1, 0.5f, 0.5f, 0, 0}, {0.5f, -0.5f, 0.5f, 0, 0}};
    Device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, right, sizeof(Vertex));
    effect->EndPass();
    effect->End();
    Device()->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));

    EXPECT_TRUE(ColourNear(PixelAt(100, 300) & 0xFFFFFF, 0x804020, 1));
    EXPECT_TRUE(ColourNear(PixelAt(610, 310) & 0xFFFFFF, 0xFF8040, 1));
    EXPECT_EQ(PixelAt(500, 300) & 0xFFFFFF, 0u);
    effect->Release();
}

TEST_F(EffectTest, TextureParametersSampleWithTheirSamplerAndNullIsAllowed) {
    ID3DXEffect* effect = Load(kFlatEffect);
    ASSERT_NE(effect, nullptr);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Device()->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    texture->LockRect(0, &locked, nullptr, 0);
    const std::uint8_t texels[8] = {0, 0, 255, 255, 255, 0, 0, 255};  // red, blue (B, G, R, A)
    std::memcpy(locked.pBits, texels, sizeof texels);
    texture->UnlockRect(0);
    const D3DMATRIX identity = Identity();
    effect->SetMatrix("WorldViewProjection", &identity);
    const D3DXVECTOR4 green(0.0f, 1.0f, 0.0f, 1.0f);
    effect->SetVector("Tint", &green);
    effect->SetTechnique("Textured");
    auto draw = [&] {
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
        effect->Begin(nullptr, 0);
        effect->BeginPass(0);
        DrawLeftHalf();
        effect->EndPass();
        effect->End();
    };
    EXPECT_EQ(effect->SetTexture("MeshTexture", texture), D3D_OK);
    draw();
    EXPECT_EQ(PixelAt(10, 300) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(PixelAt(390, 300) & 0xFFFFFF, 0x0000FFu);
    // MeshTexture_Present follows the texture: null draws the tint, and the
    // texture set again is sampled again.
    EXPECT_EQ(effect->SetTexture("MeshTexture", nullptr), D3D_OK);
    draw();
    EXPECT_EQ(PixelAt(10, 300) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(effect->SetTexture("MeshTexture", texture), D3D_OK);
    texture->Release();  // the effect holds its own reference
    draw();
    EXPECT_EQ(PixelAt(10, 300) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(effect->SetTexture("Tint", nullptr), D3DERR_INVALIDCALL);
    effect->Release();
}

TEST_F(EffectTest, PassesNestOnlyInOrder) {
    ID3DXEffect* effect = Load(kFlatEffect);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
    EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->BeginPass(1), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->BeginPass(0), D3D_OK);
    EXPECT_EQ(Device()->ActiveEffect(), effect);
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(Device()->ActiveEffect(), nullptr);
    EXPECT_EQ(effect->End(), D3D_OK);
    // Without saved state the pass's states stay.
    DWORD cull = 0;
    Device()->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_NONE));
    effect->Release();
}

TEST_F(EffectTest, EveryFileThatFailsIsOneLineNamingItAndWhy) {
    const std::string directory = ::testing::TempDir() + "effects_" + std::to_string(::getpid());
    std::filesystem::create_directories(directory);
    const std::string malformed = directory + "/malformed.fx", missing = directory + "/missing.fx";
    std::ofstream(malformed) << "parameter float4 A\ntechnique T\n  pass P\n    colour red\n";
    const std::pair<std::string, const char*> cases[] = {
        {malformed, "line 4"}, {missing, "No such file"}, {directory, "a directory"}};
    for (const auto& [path, reason] : cases) {
        LogLines log;
        ID3DXEffect* effect = nullptr;
        EXPECT_EQ(D3DXCreateEffectFromFileA(Device(), path.c_str(), nullptr, nullptr, 0, nullptr, &effect, nullptr),
                  D3DXERR_INVALIDDATA);
        EXPECT_EQ(effect, nullptr);
        const auto lines = log.Naming(path + ":");
        ASSERT_EQ(lines.size(), 1u) << path;
        EXPECT_EQ(lines[0].category, vlog::Category::Assets);
        EXPECT_NE(lines[0].text.find(reason), std::string::npos) << lines[0].text;
    }
    std::filesystem::remove_all(directory);
}

TEST(EffectParser, DeclarationsAreBoundedSoThatNoFileStallsItsScene) {
    auto parameters = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "parameter texture T" + std::to_string(i) + "\n";
        return text + "sampler T0 point clamp\nsampler T" + std::to_string(count - 1) + " linear wrap\n";
    };
    auto techniques = [](int count, int passes) {
        std::string text;
        for (int t = 0; t < count; ++t) {
            text += "technique T" + std::to_string(t) + "\n";
            for (int p = 0; p < passes; ++p) text += "pass P\nvertex\nv\nend\nfragment\nf\nend\nend\n";
            text += "end\n";
        }
        return text;
    };
    std::string error;
    const auto most = d3dx9::ParseEffect(parameters(256) + techniques(64, 16), &error);
    ASSERT_NE(most, nullptr) << error;
    EXPECT_TRUE(most->parameters[0].pointFilter && most->parameters[0].clampAddress);
    EXPECT_FALSE(most->parameters[255].pointFilter || most->parameters[255].clampAddress);
    EXPECT_EQ(d3dx9::ParseEffect(parameters(257) + techniques(1, 1), &error), nullptr);
    EXPECT_NE(error.find("more than 256 parameters"), std::string::npos) << error;
    EXPECT_EQ(d3dx9::ParseEffect(techniques(65, 1), &error), nullptr);
    EXPECT_NE(error.find("more than 64 techniques"), std::string::npos) << error;
    EXPECT_EQ(d3dx9::ParseEffect(techniques(1, 17), &error), nullptr);
    EXPECT_NE(error.find("more than 16 passes"), std::string::npos) << error;
    // A sampler still needs a declared texture of that name.
    EXPECT_EQ(d3dx9::ParseEffect("parameter float4 T\nsampler T point wrap\n" + techniques(1, 1), &error), nullptr);
    EXPECT_NE(error.find("undeclared texture"), std::string::npos) << error;
}
