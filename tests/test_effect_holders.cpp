// The effect holders: parameters they leave in the effects, the shadow map's
// render-target fallback, and pictures drawn through them.
#include <cmath>
#include <string>

#include "lib/BaseShader.h"
#include "lib/Object.h"
#include "lib/ShadowMap.h"
#include "lib/SkinXFile.h"
#include "platform/d3d9/formats.h"
#include "platform/win32/messagebox.h"
#include "support/graphics_fixture.h"
#include "support/xfile_writer.h"

namespace {
const char* const kBaseFile = VORTWING_DATA_DIR "/Shader/BaseHLSL.fx";
const char* const kBumpFile = VORTWING_DATA_DIR "/Shader/BumpMap.fx";
const char* const kShadowFile = VORTWING_DATA_DIR "/Shader/staticShadow.fx";

std::string TempPath(const char* name) { return ::testing::TempDir() + name; }

D3DXMATRIXA16 Translation(float x, float y, float z) {
    D3DXMATRIXA16 m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

D3DXMATRIXA16 LookFrom(D3DXVECTOR3 eye, D3DXVECTOR3 at) {
    D3DXVECTOR3 up(0, 1, 0);
    D3DXMATRIXA16 view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    return view;
}

D3DXMATRIXA16 Projection() {
    D3DXMATRIXA16 projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.8f, 800.0f / 600.0f, 0.1f, 100.0f);
    return projection;
}

int Brightness(std::uint32_t pixel) { return ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF); }

bool MatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    for (int i = 0; i < 16; ++i)
        if (std::fabs((&a._11)[i] - (&b._11)[i]) > 1e-4f) return false;
    return true;
}

class EffectHolderTest : public GraphicsTest {
protected:
    void TearDown() override {
        d3d9::SetRenderTargetFormatOffered(D3DFMT_R32F, true);
        d3d9::SetRenderTargetFormatOffered(D3DFMT_A8R8G8B8, true);
        GraphicsTest::TearDown();
    }
};
}  // namespace

TEST_F(EffectHolderTest, BaseShaderLeavesTheCameraProductsAndTechniques) {
    BaseShader shader;
    const unsigned boxes = win32::MessageBoxCount();
    shader.CreateBaseEffect("Shader/NoSuchFile.fx", Device());
    EXPECT_EQ(shader.GetEffect(), nullptr);
    EXPECT_EQ(win32::MessageBoxCount(), boxes);                                           // silent
    shader.StaticMeshSetParam(Translation(0, 0, 0), Translation(0, 0, 0), Projection());  // harmless without effect

    shader.CreateBaseEffect(kBaseFile, Device());
    ID3DXEffect* effect = shader.GetEffect();
    ASSERT_NE(effect, nullptr);
    const D3DXMATRIXA16 world = Translation(1, 2, 3), view = LookFrom({0, 1, -5}, {0, 0, 0}), projection = Projection();
    shader.StaticMeshSetParam(world, view, projection);
    D3DXMATRIX stored;
    ASSERT_EQ(effect->GetMatrix("WorldViewProjection", &stored), D3D_OK);
    EXPECT_TRUE(MatrixNear(stored, world * view * projection));
    EXPECT_STREQ(effect->GetCurrentTechnique(), "StaticBasic");

    shader.SetSkinningParam(&view, &projection);
    ASSERT_EQ(effect->GetMatrix("ViewProjection", &stored), D3D_OK);
    EXPECT_TRUE(MatrixNear(stored, view * projection));
    EXPECT_STREQ(effect->GetCurrentTechnique(), "SkinMeshBase");
    shader.Release();
    EXPECT_EQ(shader.GetEffect(), nullptr);
    shader.Release();
}

TEST_F(EffectHolderTest, BumpMapMovesLightAndEyeIntoTheRightSpaces) {
    CBumpMap bump;
    bump.CreateBumpTexture(kBumpFile, Device());
    ID3DXEffect* effect = bump.GetEffect();
    ASSERT_NE(effect, nullptr);
    // Camera at (0, 0, -10) looking along +z; object at (5, 0, 0).
    const D3DXMATRIXA16 view = LookFrom({0, 0, -10}, {0, 0, 0}), world = Translation(5, 0, 0);
    bump.BumpMapSetParam(view, world, Projection(), D3DXVECTOR3(0, 3, 4), 1.5f);

    // The light point goes through the inverse view as a point: (0, 3, 4) in
    // view space is (0, 3, -6) in the world; only x, y, z are normalised.
    D3DXVECTOR4 light;
    ASSERT_EQ(effect->GetVector("vecLightDir", &light), D3D_OK);
    EXPECT_NEAR(light.x, 0.0f, 1e-5f);
    EXPECT_NEAR(light.y, 3.0f / std::sqrt(45.0f), 1e-5f);
    EXPECT_NEAR(light.z, -6.0f / std::sqrt(45.0f), 1e-5f);
    EXPECT_NEAR(light.w, 1.0f, 1e-5f);
    // The inverse view's translation row (0, 0, -10) carried by the inverse
    // of world x inverse-view, translation (-5, 0, 10): (-5, 0, 0).
    D3DXVECTOR4 eye;
    ASSERT_EQ(effect->GetVector("vecEyePos", &eye), D3D_OK);
    EXPECT_NEAR(eye.x, -5.0f, 1e-4f);
    EXPECT_NEAR(eye.y, 0.0f, 1e-4f);
    EXPECT_NEAR(eye.z, 0.0f, 1e-4f);
    EXPECT_NEAR(eye.w, 1.0f, 1e-4f);
    float scale = 0;
    ASSERT_EQ(effect->GetFloat("ScaleValue", &scale), D3D_OK);
    EXPECT_FLOAT_EQ(scale, 1.5f);
    EXPECT_EQ(effect->TextureOf("NormalMap"), nullptr);  // none stored: set to null, still drawable
    EXPECT_STREQ(effect->GetCurrentTechnique(), "SkinMeshBumpMap");

    bump.UnLoadBumpData();
    EXPECT_EQ(bump.GetEffect(), nullptr);
    bump.UnLoadBumpData();  // releases once
}

TEST_F(EffectHolderTest, ShadowMapFallsBackToEightBitTargetsAndReportsWhenNoneIsLeft) {
    CShadowMap shadow;
    const unsigned boxes = win32::MessageBoxCount();
    shadow.CreateShadowMapEffect(kShadowFile, 512, 512, Device());
    ASSERT_NE(shadow.GetShadowTexture(), nullptr);
    EXPECT_EQ(shadow.GetShadowTexture()->Format(), D3DFMT_R32F);
    shadow.UnLoadStaticShadowMap();

    d3d9::SetRenderTargetFormatOffered(D3DFMT_R32F, false);
    shadow.CreateShadowMapEffect(kShadowFile, 512, 512, Device());
    ASSERT_NE(shadow.GetShadowTexture(), nullptr);
    EXPECT_EQ(shadow.GetShadowTexture()->Format(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(win32::MessageBoxCount(), boxes);
    shadow.UnLoadStaticShadowMap();

    d3d9::SetRenderTargetFormatOffered(D3DFMT_A8R8G8B8, false);
    shadow.CreateShadowMapEffect(kShadowFile, 512, 512, Device());
    EXPECT_EQ(shadow.GetShadowTexture(), nullptr);
    EXPECT_EQ(win32::MessageBoxCount(), boxes + 1);
    EXPECT_STREQ(win32::LastMessageBoxText(), "テクスチャの作成に失敗しました");
    shadow.UnLoadStaticShadowMap();

    shadow.CreateShadowMapEffect("Shader/NoSuchShadow.fx", 64, 64, Device());
    EXPECT_EQ(shadow.GetEffect(), nullptr);
    EXPECT_STREQ(win32::LastMessageBoxText(), "シェーダーファイル読み込み失敗");
    shadow.UnLoadStaticShadowMap();
}

TEST_F(EffectHolderTest, ShadowReceiverParameters) {
    const D3DXMATRIX bias = CShadowMap::TextureBias(512, 512);
    EXPECT_FLOAT_EQ(bias._41, 0.5f + 1.0f / 1024.0f);
    EXPECT_FLOAT_EQ(bias._42, 0.5f + 1.0f / 1024.0f);
    EXPECT_FLOAT_EQ(bias._22, -0.5f);
    EXPECT_FLOAT_EQ(bias._33, 0.0f);

    CShadowMap shadow;
    shadow.CreateShadowMapEffect(kShadowFile, 512, 512, Device());
    ID3DXEffect* effect = shadow.GetEffect();
    ASSERT_NE(effect, nullptr);
    const D3DXMATRIXA16 world = Translation(0, -2, 0), view = LookFrom({0, 5, -20}, {0, 0, 0});
    const D3DXVECTOR3 light(3, 10, -4), target(0, 0, 0);
    shadow.ShadowMapSetParam(world, view, Projection(), light, target, 512, 512);
    EXPECT_STREQ(effect->GetCurrentTechnique(), "ShadowRender");
    EXPECT_EQ(effect->TextureOf("ShadowMap"), shadow.GetShadowTexture());
    D3DXVECTOR4 lightVector;
    ASSERT_EQ(effect->GetVector("LightVector", &lightVector), D3D_OK);
    // (3, 12, -4, 1) normalised as four components, then w dropped.
    EXPECT_FLOAT_EQ(lightVector.w, 0.0f);
    EXPECT_NEAR(lightVector.y, 12.0f / std::sqrt(170.0f), 1e-5f);
    EXPECT_LT(std::sqrt(lightVector.x * lightVector.x + lightVector.y * lightVector.y + lightVector.z * lightVector.z),
              1.0f);
    D3DXMATRIX stored;
    ASSERT_EQ(effect->GetMatrix("WorldLightViewProjectionUV", &stored), D3D_OK);
    EXPECT_TRUE(MatrixNear(stored, world * CShadowMap::LightView(light, target) * CShadowMap::LightProjection() *
                                       CShadowMap::TextureBias(512, 512)));
    shadow.SkinObjectCreateShadowMap(light, target);
    EXPECT_STREQ(effect->GetCurrentTechnique(), "SkinCreateShadowMap");
    shadow.UnLoadStaticShadowMap();
}

// A skinned strip hangs between a point light and a wall; the wall drawn
// with the map is darker where the strip's shadow falls.
TEST_F(EffectHolderTest, SkinnedCasterDarkensTheReceiverWhereItsShadowFalls) {
    xtest::ChainOptions casterOptions;
    casterOptions.bones = 2;
    const std::string casterPath = TempPath("caster.x");
    ASSERT_TRUE(xtest::WriteText(casterPath, xtest::ChainText(casterOptions)));
    xtest::ChainOptions wallOptions;
    wallOptions.bones = 1;
    const std::string wallPath = TempPath("wall.x");
    ASSERT_TRUE(xtest::WriteText(wallPath, xtest::ChainText(wallOptions)));

    CSkinXFile caster;
    ASSERT_EQ(caster.LoadXFile(Device(), casterPath.c_str()), 1);
    CXFile wallMesh;
    ASSERT_EQ(wallMesh.LoadXFile(Device(), wallPath.c_str()), 1);
    CObject wall;
    wall.SetXFile(&wallMesh);
    // The unit quad scaled to 20 x 20 and centred on the origin, facing -z.
    D3DXMATRIXA16 scale;
    D3DXMatrixScaling(&scale, 20, 20, 1);
    wall.m_World = scale * Translation(-10, -10, 0);

    CShadowMap shadow;
    shadow.CreateShadowMapEffect(kShadowFile, 512, 512, Device());
    ASSERT_NE(shadow.GetEffect(), nullptr);
    // The strip spans x 0..2, y 0..1 at z = -5; seen from the light at
    // (0.5, 0.5, -10) its shadow on the wall spans x -0.5..3.5, y -0.5..1.5.
    const D3DXVECTOR3 light(0.5f, 0.5f, -10.0f), target(0.5f, 0.5f, 0.0f);

    IDirect3DSurface9* previousTarget = nullptr;
    IDirect3DSurface9* previousDepth = nullptr;
    Device()->GetRenderTarget(0, &previousTarget);
    Device()->GetDepthStencilSurface(&previousDepth);
    Device()->BeginScene();
    shadow.ChabgeRenderTarget(Device());
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0);
    D3DXMATRIXA16 casterWorld = Translation(0, 0, -5);
    caster.UpdateFrameMatrices(&casterWorld);
    caster.m_lpEffect = shadow.GetEffect();
    shadow.SkinObjectCreateShadowMap(light, target);
    caster.Draw(Device());
    Device()->SetRenderTarget(0, previousTarget);
    Device()->SetDepthStencilSurface(previousDepth);
    previousTarget->Release();
    previousDepth->Release();
    Device()->EndScene();

    Device()->BeginScene();
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const D3DXMATRIXA16 view = LookFrom({0.5f, 0.5f, -15.0f}, {0.5f, 0.5f, 0.0f}), projection = Projection();
    shadow.ShadowMapSetParam(static_cast<const D3DXMATRIXA16&>(wall.m_World), view, projection, light, target, 512,
                             512);
    wall.SetToEffectAddress(shadow.GetEffect());
    wall.DrawHLSL(Device());
    Device()->EndScene();

    auto screen = [&](float x, float y) {
        D3DXVECTOR3 world(x, y, 0), onScreen;
        D3DVIEWPORT9 viewport{0, 0, 800, 600, 0.0f, 1.0f};
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        D3DXVec3Project(&onScreen, &world, &viewport, &projection, &view, &identity);
        return PixelAt(static_cast<unsigned>(onScreen.x), static_cast<unsigned>(onScreen.y));
    };
    const std::uint32_t shadowed = screen(1.5f, 0.5f), lit = screen(-4.0f, 4.0f), litBelow = screen(5.0f, -3.0f);
    EXPECT_GT(Brightness(lit), 60) << std::hex << lit;
    EXPECT_LT(Brightness(shadowed) * 10, Brightness(lit) * 7) << std::hex << shadowed << " vs " << lit;
    EXPECT_TRUE(ColourNear(lit, litBelow, 12));
    shadow.UnLoadStaticShadowMap();
}
