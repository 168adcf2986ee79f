#include <gtest/gtest.h>

#include <vector>

#include "platform/d3d9/texture.h"
#include "platform/d3dx9/sprite.h"
#include "support/graphics_fixture.h"

namespace {
class SpriteTest : public GraphicsTest {
protected:
    // A texture whose texel (x, y) is 0xFF000000 | x << 16 | y << 8 | tag.
    IDirect3DTexture9* Gradient(UINT width, UINT height, std::uint8_t tag) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(Device()->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked{};
        texture->LockRect(0, &locked, nullptr, 0);
        for (UINT y = 0; y < height; ++y) {
            auto* row = static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch;
            for (UINT x = 0; x < width; ++x) {
                row[x * 4 + 0] = tag;
                row[x * 4 + 1] = static_cast<std::uint8_t>(y);
                row[x * 4 + 2] = static_cast<std::uint8_t>(x);
                row[x * 4 + 3] = 0xFF;
            }
        }
        texture->UnlockRect(0);
        return texture;
    }
    ID3DXSprite* Sprite() { return m_graphics->m_lpSprite; }
};
}  // namespace

TEST_F(SpriteTest, RegionLandsAtItsPixelPositionTexelForTexel) {
    IDirect3DTexture9* sheet = Gradient(64, 64, 7);
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    // The game's own default: linear filtering. At scale 1 it must not blur.
    ASSERT_EQ(Sprite()->Begin(D3DXSPRITE_ALPHABLEND), D3D_OK);
    const RECT region{10, 20, 30, 25};
    const D3DVECTOR position{300.0f, 400.0f, 0.0f};
    ASSERT_EQ(Sprite()->Draw(sheet, &region, nullptr, &position, 0xFFFFFFFF), D3D_OK);
    ASSERT_EQ(Sprite()->End(), D3D_OK);
    const d3d9::Pixels pixels = ReadTarget();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(pixels.At(300 + x, 400 + y) & 0xFFFFFF,
                      static_cast<std::uint32_t>((10 + x) << 16 | (20 + y) << 8 | 7))
                << x << "," << y;
    EXPECT_EQ(pixels.At(299, 400) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels.At(320, 400) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels.At(300, 405) & 0xFFFFFF, 0u);
    sheet->Release();
}

TEST_F(SpriteTest, ColourTintsAndAlphaBlends) {
    IDirect3DTexture9* sheet = Gradient(4, 4, 0xFF);
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    Sprite()->Begin(D3DXSPRITE_ALPHABLEND);
    const D3DVECTOR position{0, 0, 0};
    Sprite()->Draw(sheet, nullptr, nullptr, &position, 0x80FFFFFF);
    Sprite()->End();
    // Blue 255 at half alpha over black.
    EXPECT_TRUE(ColourNear(PixelAt(0, 0) & 0xFF, 0x80, 1));
    sheet->Release();
}

TEST_F(SpriteTest, TransformRotatesAndMovesAndStatesComeBack) {
    IDirect3DTexture9* sheet = Gradient(8, 2, 1);
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    Sprite()->Begin(D3DXSPRITE_ALPHABLEND);
    // A quarter turn about z (x axis onto y), then a move to (100, 100).
    D3DMATRIX transform{};
    transform._12 = 1.0f;
    transform._21 = -1.0f;
    transform._33 = 1.0f;
    transform._44 = 1.0f;
    transform._41 = 100.0f;
    transform._42 = 100.0f;
    Sprite()->SetTransform(&transform);
    Sprite()->Draw(sheet, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    Sprite()->End();
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    Sprite()->SetTransform(&identity);
    // The 8-texel row now runs down from (100, 100), two pixels to the left.
    const d3d9::Pixels pixels = ReadTarget();
    EXPECT_EQ((pixels.At(99, 100) >> 16) & 0xFF, 0u);
    EXPECT_EQ((pixels.At(99, 107) >> 16) & 0xFF, 7u);
    EXPECT_EQ(pixels.At(100, 100) & 0xFFFFFF, 0u);
    DWORD zEnable = 0, cull = 0;
    Device()->GetRenderState(D3DRS_ZENABLE, &zEnable);
    Device()->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(zEnable, static_cast<DWORD>(TRUE));
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));
    sheet->Release();
}

TEST_F(SpriteTest, DrawsBatchByTextureRuns) {
    IDirect3DTexture9* a = Gradient(4, 4, 1);
    IDirect3DTexture9* b = Gradient(4, 4, 2);
    const D3DVECTOR position{0, 0, 0};
    Sprite()->Begin(D3DXSPRITE_ALPHABLEND);
    for (int i = 0; i < 10; ++i) Sprite()->Draw(a, nullptr, nullptr, &position, 0xFFFFFFFF);
    Sprite()->End();
    EXPECT_EQ(Sprite()->LastFlushDrawCount(), 1u);
    Sprite()->Begin(D3DXSPRITE_ALPHABLEND);
    Sprite()->Draw(a, nullptr, nullptr, &position, 0xFFFFFFFF);
    Sprite()->Draw(b, nullptr, nullptr, &position, 0xFFFFFFFF);
    Sprite()->Draw(b, nullptr, nullptr, &position, 0xFFFFFFFF);
    Sprite()->Draw(a, nullptr, nullptr, &position, 0xFFFFFFFF);
    Sprite()->End();
    EXPECT_EQ(Sprite()->LastFlushDrawCount(), 3u);
    EXPECT_EQ(Sprite()->End(), D3DERR_INVALIDCALL);
    EXPECT_EQ(Sprite()->Draw(a, nullptr, nullptr, &position, 0xFFFFFFFF), D3DERR_INVALIDCALL);
    a->Release();
    b->Release();
}

TEST_F(SpriteTest, ShowcaseOfFoggedBlendedQuadsAndASpriteIsSavedForViewing) {
    IDirect3DDevice9* device = Device();
    IDirect3DTexture9* sheet = Gradient(64, 64, 0x40);
    D3DMATRIX projection{};
    projection._11 = 0.75f;  // 90 degrees at 4:3
    projection._22 = 1.0f;
    projection._33 = 100.0f / 99.0f;
    projection._34 = 1.0f;
    projection._43 = -100.0f / 99.0f;
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff646464, 1.0f, 0);
    m_graphics->SetPixelFogLinear(5.0f, 40.0f, 0xffc0d0ff);
    struct V {
        float x, y, z;
        D3DCOLOR c;
        float u, v;
    };
    device->SetTexture(0, sheet);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    // A floor receding into the fog, and a half-transparent panel over it.
    const V floor[4] = {{-20, -3, 4, 0xffffffff, 0, 0},
                        {20, -3, 4, 0xffffffff, 4, 0},
                        {-20, -3, 60, 0xffffffff, 0, 8},
                        {20, -3, 60, 0xffffffff, 4, 8}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, floor, sizeof(V));
    m_graphics->FogEnable(false);
    m_graphics->Blend_Alpha();
    const V panel[4] = {{-2, 3, 8, 0x80ff4020, 0, 0},
                        {2, 3, 8, 0x80ff4020, 1, 0},
                        {-2, 0.5f, 8, 0x80ff4020, 0, 1},
                        {2, 0.5f, 8, 0x80ff4020, 1, 1}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, panel, sizeof(V));
    device->SetTexture(0, nullptr);
    Sprite()->Begin(D3DXSPRITE_ALPHABLEND);
    const D3DVECTOR position{16, 16, 0};
    Sprite()->Draw(sheet, nullptr, nullptr, &position, 0xFFFFFFFF);
    Sprite()->End();
    const d3d9::Pixels pixels = ReadTarget();
    EXPECT_TRUE(d3d9::SavePng("showcase_graphics_core.png", pixels));
    // Far floor is close to the fog colour, near floor is not.
    EXPECT_TRUE(ColourNear(pixels.At(400, 318) & 0xFFFFFF, 0xc0d0ff, 24));
    EXPECT_FALSE(ColourNear(pixels.At(200, 515) & 0xFFFFFF, 0xc0d0ff, 40));
    EXPECT_EQ(pixels.At(16 + 63, 16 + 63) & 0xFFFFFF, 0x3F3F40u);
    sheet->Release();
}
