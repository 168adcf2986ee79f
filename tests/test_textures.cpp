#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lib/texturemanager/Texture.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/win32/messagebox.h"
#include "support/graphics_fixture.h"
#include "support/log_lines.h"

namespace {
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};

class TextureTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        m_directory = std::filesystem::temp_directory_path() / ("textures_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_directory);
    }
    void TearDown() override {
        if (CTextureManager::g_Inst) {
            CTextureManager::g_Inst->Release();
            CTextureManager::DeleteInst();
        }
        GraphicsTest::TearDown();
        std::filesystem::remove_all(m_directory);
    }
    // Writes a PNG whose pixel (x, y) is colours[y * width + x] (0xAARRGGBB).
    std::string WritePng(const char* name, int width, int height, const std::vector<std::uint32_t>& colours) {
        std::vector<std::uint8_t> rgba;
        for (std::uint32_t c : colours) {
            rgba.push_back(static_cast<std::uint8_t>(c >> 16));
            rgba.push_back(static_cast<std::uint8_t>(c >> 8));
            rgba.push_back(static_cast<std::uint8_t>(c));
            rgba.push_back(static_cast<std::uint8_t>(c >> 24));
        }
        const std::string path = (m_directory / name).string();
        EXPECT_NE(stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4), 0);
        return path;
    }
    void PointSampling() {
        Device()->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        Device()->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        Device()->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    }
    std::filesystem::path m_directory;
};

std::vector<std::uint32_t> Checker(int width, int height) {
    std::vector<std::uint32_t> colours;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            colours.push_back(0xFF000000u | static_cast<std::uint32_t>(x * 40) << 16 |
                              static_cast<std::uint32_t>(y * 40) << 8 | ((x + y) % 2 ? 0xFFu : 0u));
    return colours;
}
}  // namespace

TEST_F(TextureTest, ImageKeepsItsOwnSizeAndDrawsTexelExact) {
    const std::string path = WritePng("checker.png", 6, 5, Checker(6, 5));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(Device(), path.c_str(), &texture), D3D_OK);
    D3DSURFACE_DESC description{};
    texture->GetLevelDesc(0, &description);
    EXPECT_EQ(description.Width, 6u);
    EXPECT_EQ(description.Height, 5u);
    EXPECT_GT(texture->GetLevelCount(), 1u);

    PointSampling();
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    Device()->SetTexture(0, texture);
    // Twice the size: each texel covers a 2 x 2 block.
    m_graphics->DrawQuad(100, 50, 12, 10, 0xFFFFFFFF);
    const d3d9::Pixels pixels = ReadTarget();
    const std::vector<std::uint32_t> expected = Checker(6, 5);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(pixels.At(100 + x, 50 + y) & 0xFFFFFF, expected[(y / 2) * 6 + x / 2] & 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(pixels.At(99, 50) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels.At(112, 50) & 0xFFFFFF, 0u);
    Device()->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(TextureTest, ColourKeyMakesMatchingPixelsTransparent) {
    // Opaque black is the key; a nearly black pixel stays.
    const std::string path = WritePng("keyed.png", 2, 1, {0xFF000000u, 0xFF010101u});
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(Device(), path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                           D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0xFF000000u, nullptr,
                                           nullptr, &texture),
              D3D_OK);
    PointSampling();
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffff0000, 1.0f, 0);
    Device()->SetTexture(0, texture);
    m_graphics->Blend_Alpha();
    m_graphics->DrawQuad(0, 0, 2, 1, 0xFFFFFFFF);
    EXPECT_EQ(PixelAt(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(PixelAt(1, 0) & 0xFFFFFF, 0x010101u);
    Device()->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(TextureTest, CacheSharesByExactNameAndRemembersFailures) {
    const std::string path = WritePng("shared.png", 2, 2, Checker(2, 2));
    CTextureManager* cache = CTextureManager::GetInst();
    IDirect3DTexture9* first = cache->GetTexture(Device(), path.c_str(), 1, 1, 4294967296.0f, 4294967296.0f, 0, 0);
    ASSERT_NE(first, nullptr);
    D3DSURFACE_DESC description{};
    first->GetLevelDesc(0, &description);
    EXPECT_EQ(description.Width, 2u);
    EXPECT_EQ(cache->GetTexture(Device(), path.c_str(), -1, -1, 4294967296.0f, 4294967296.0f, 0, 0), first);

    // The same file under a name that differs in case is another entry.
    std::string upper = path;
    upper.replace(upper.find("shared.png"), 10, "SHARED.PNG");
    std::filesystem::copy_file(path, upper);
    IDirect3DTexture9* other = cache->GetTexture(Device(), upper.c_str(), 1, 1, 4294967296.0f, 4294967296.0f, 0, 0);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, first);

    // A normal map asked under a name already cached returns that entry.
    EXPECT_EQ(cache->GetNormalMap(Device(), path.c_str(), 10.0f), first);

    const unsigned reportsBefore = win32::MessageBoxCount();
    const std::string missing = (m_directory / "missing.png").string();
    EXPECT_EQ(cache->GetTexture(Device(), missing.c_str(), 1, 1, 4294967296.0f, 4294967296.0f, 0, 0), nullptr);
    EXPECT_EQ(cache->GetTexture(Device(), missing.c_str(), 1, 1, 4294967296.0f, 4294967296.0f, 0, 0), nullptr);
    EXPECT_EQ(win32::MessageBoxCount(), reportsBefore + 1);
    EXPECT_NE(std::string(win32::LastMessageBoxText()).find("DefaultDefine"), std::string::npos);
    EXPECT_NE(std::string(win32::LastMessageBoxText()).find("64"), std::string::npos);

    EXPECT_EQ(cache->GetTexture(Device(), nullptr, 1, 1, 0, 0, 0, 0), nullptr);
    EXPECT_EQ(cache->PeaceRelease("not cached"), E_FAIL);
    EXPECT_EQ(cache->PeaceRelease(other), S_OK);
    EXPECT_EQ(cache->PeaceRelease(other), E_FAIL);
    EXPECT_EQ(cache->PeaceRelease(static_cast<IDirect3DTexture9*>(nullptr)), S_OK);
    EXPECT_EQ(cache->PeaceRelease(path.c_str()), S_OK);
    EXPECT_EQ(cache->Release(), 0);
    EXPECT_EQ(cache->Release(), 0);
}

TEST_F(TextureTest, FailedLoadsNameTheFileOnceBesideTheirUnchangedMessageBoxes) {
    // A BMP header announcing 16384 x 16384 pixels and nothing else.
    std::string huge(54, '\0');
    huge[0] = 'B', huge[1] = 'M', huge[10] = 54, huge[14] = 40, huge[19] = 0x40, huge[23] = 0x40, huge[26] = 1;
    huge[28] = 24;
    std::ofstream(m_directory / "huge.png", std::ios::binary) << huge;
    std::ofstream(m_directory / "empty.png", std::ios::binary);
    const std::string files[] = {(m_directory / "absent.png").string(), (m_directory / "huge.png").string(),
                                 (m_directory / "empty.png").string()};
    const char* reasons[] = {"No such file", "16384 x 16384", "empty"};
    CTextureManager* cache = CTextureManager::GetInst();
    for (int i = 0; i < 3; ++i) {
        LogLines log;
        const unsigned boxes = win32::MessageBoxCount();
        EXPECT_EQ(cache->GetTexture(Device(), files[i].c_str(), 1, 1, 4294967296.0f, 4294967296.0f, 0, 0), nullptr);
        EXPECT_EQ(win32::MessageBoxCount(), boxes + 1);
        EXPECT_STREQ(win32::LastMessageBoxCaption(), "Unexpected error encountered");
        EXPECT_STREQ(win32::LastMessageBoxText(), "File: DefaultDefine\nLine: 64\nError Code: 0x88760B59");
        const auto lines = log.Naming(files[i]);
        ASSERT_EQ(lines.size(), 1u) << files[i];
        EXPECT_EQ(lines[0].category, vlog::Category::Assets);
        EXPECT_EQ(lines[0].priority, vlog::Priority::Error);
        EXPECT_NE(lines[0].text.find(reasons[i]), std::string::npos) << lines[0].text;
    }
    // A scene that starts again shows its message box again, but the file has
    // been named already.
    cache->Release();
    LogLines again;
    const unsigned boxes = win32::MessageBoxCount();
    EXPECT_EQ(cache->GetTexture(Device(), files[1].c_str(), 1, 1, 4294967296.0f, 4294967296.0f, 0, 0), nullptr);
    EXPECT_EQ(cache->GetNormalMap(Device(), files[2].c_str(), 10.0f), nullptr);
    EXPECT_EQ(win32::MessageBoxCount(), boxes + 2);
    EXPECT_STREQ(win32::LastMessageBoxText(), "テクスチャの読み込みに失敗しました");
    EXPECT_TRUE(again.Naming(files[1]).empty());
    EXPECT_TRUE(again.Naming(files[2]).empty());
}

TEST_F(TextureTest, NormalMapOfARampLeansAgainstTheSlope) {
    // Height rises to the right: normals tilt towards -x, so red drops below
    // the flat 128 while green stays flat.
    std::vector<std::uint32_t> ramp;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) ramp.push_back(0xFF000000u | static_cast<std::uint32_t>(x * 20) << 16);
    const std::string path = WritePng("ramp.png", 8, 4, ramp);
    IDirect3DTexture9* normalMap = CTextureManager::GetInst()->GetNormalMap(Device(), path.c_str(), 10.0f);
    ASSERT_NE(normalMap, nullptr);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(normalMap->LockRect(0, &locked, nullptr, 0), D3D_OK);
    const auto* bgra = static_cast<const std::uint8_t*>(locked.pBits);
    const std::uint8_t* middle = bgra + (1 * 8 + 3) * 4;
    EXPECT_LT(middle[2], 110);
    EXPECT_NEAR(middle[1], 128, 1);
    EXPECT_GT(middle[0], 128);
    normalMap->UnlockRect(0);
}

TEST_F(TextureTest, RenderTargetTextureIsDrawnIntoThenSampledTopRowFirst) {
    CTexture target;
    ASSERT_EQ(target.CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT), 1);
    target.SetRenderTarget();
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff0000ff, 1.0f, 0);
    const RECT topRow{0, 0, 4, 1};
    Device()->Clear(1, &topRow, D3DCLEAR_TARGET, 0xffffff00, 1.0f, 0);
    m_graphics->ResetRenderTarget();
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    PointSampling();
    target.Draw(10, 10, 4, 4, 0xFFFFFFFF);
    EXPECT_EQ(PixelAt(10, 10) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(PixelAt(10, 11) & 0xFFFFFF, 0x0000FFu);
    Device()->SetTexture(0, nullptr);
}

TEST_F(TextureTest, CullingFollowsOnScreenWinding) {
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    Device()->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    // Clockwise on screen: kept under the default counter-clockwise culling.
    const ScreenVertex clockwise[3] = {
        {0, 0, 0, 1, 0xff00ff00, 0, 0}, {100, 0, 0, 1, 0xff00ff00, 0, 0}, {0, 100, 0, 1, 0xff00ff00, 0, 0}};
    const ScreenVertex counterClockwise[3] = {
        {200, 0, 0, 1, 0xffff0000, 0, 0}, {200, 100, 0, 1, 0xffff0000, 0, 0}, {300, 0, 0, 1, 0xffff0000, 0, 0}};
    Device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise, sizeof(ScreenVertex));
    Device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counterClockwise, sizeof(ScreenVertex));
    EXPECT_EQ(PixelAt(10, 10) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(PixelAt(210, 10) & 0xFFFFFF, 0u);
    Device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    Device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counterClockwise, sizeof(ScreenVertex));
    EXPECT_EQ(PixelAt(210, 10) & 0xFFFFFF, 0xFF0000u);
}

namespace {
struct WorldVertex {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};

// A left-handed perspective projection written out from its published
// formula: 90 degrees vertically, square aspect, near 1, far 100.
D3DMATRIX Perspective90() {
    const float yScale = 1.0f, xScale = 1.0f, zn = 1.0f, zf = 100.0f;
    D3DMATRIX m{};
    m._11 = xScale;
    m._22 = yScale;
    m._33 = zf / (zf - zn);
    m._34 = 1.0f;
    m._43 = -zn * zf / (zf - zn);
    return m;
}

void Quad(IDirect3DDevice9* device, float halfSize, float z, D3DCOLOR colour) {
    const WorldVertex strip[4] = {{-halfSize, halfSize, z, colour, 0, 0},
                                  {halfSize, halfSize, z, colour, 1, 0},
                                  {-halfSize, -halfSize, z, colour, 0, 1},
                                  {halfSize, -halfSize, z, colour, 1, 1}};
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(WorldVertex));
}
}  // namespace

TEST_F(TextureTest, TransformedQuadsTestDepthAndFogByViewDistance) {
    IDirect3DDevice9* device = Device();
    const D3DMATRIX projection = Perspective90();
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    // Near red drawn first, far green after: the depth test keeps red where
    // they overlap, and green shows around it.
    Quad(device, 2.0f, 10.0f, 0xffff0000);
    Quad(device, 16.0f, 20.0f, 0xff00ff00);
    EXPECT_EQ(PixelAt(400, 300) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(PixelAt(400, 100) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(PixelAt(400, 50) & 0xFFFFFF, 0u);
    // The quad of half size 2 at distance 10 covers a fifth of the half
    // width around the centre: 800 / 2 * 0.2 = 80 pixels each way.
    EXPECT_EQ(PixelAt(400 + 78, 300) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(PixelAt(400 + 82, 300) & 0xFFFFFF, 0x00FF00u);
    // +y is up on screen.
    EXPECT_EQ(PixelAt(400, 300 - 59) & 0xFFFFFF, 0xFF0000u);

    // Linear fog halfway between start 0 and end 20 at distance 10.
    m_graphics->SetPixelFogLinear(0.0f, 20.0f, 0xff0000ff);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    Quad(device, 2.0f, 10.0f, 0xffff0000);
    EXPECT_TRUE(ColourNear(PixelAt(400, 300) & 0xFFFFFF, 0x800080, 2));
    m_graphics->FogEnable(false);
}

TEST_F(TextureTest, AlphaBlendAndAlphaTestWithDefaults) {
    IDirect3DDevice9* device = Device();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff0000ff, 1.0f, 0);
    m_graphics->Blend_Alpha();
    m_graphics->DrawQuad(0, 0, 10, 10, 0x80ff0000);
    EXPECT_TRUE(ColourNear(PixelAt(5, 5) & 0xFFFFFF, 0x80007F, 2));
    m_graphics->Blend_Add();
    m_graphics->DrawQuad(20, 0, 10, 10, 0x80ff0000);
    EXPECT_TRUE(ColourNear(PixelAt(25, 5) & 0xFFFFFF, 0x8000FF, 2));
    // Alpha test with the default reference 0 and "always" passes everything,
    // even a fully transparent quad, which then blends to nothing.
    m_graphics->Blend_Alpha();
    m_graphics->AlphaTestEnable(true);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    m_graphics->DrawQuad(40, 0, 10, 10, 0x00ff0000);
    EXPECT_EQ(PixelAt(45, 5) & 0xFFFFFF, 0x0000FFu);
    m_graphics->AlphaTestEnable(false);
}
