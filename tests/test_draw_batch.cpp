// World-space draws gathered into batches must give the pixels that the same
// draws give one by one: additive draws regrouped by texture, alpha-blended
// ones in their order, state changes between draws applied to the draws
// after them, and gathered draws reaching the target before it is read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/texture.h"
#include "platform/d3dx9/d3dx9math.h"
#include "support/graphics_fixture.h"

namespace {
struct WorldVertex {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD kWorldFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class DrawBatchTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        m_glow = Texture(16, [](int x, int y) {
            const float dx = static_cast<float>(x) - 7.5f, dy = static_cast<float>(y) - 7.5f;
            const float fade = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy) / 8.0f);
            const auto a = static_cast<D3DCOLOR>(fade * 255.0f);
            return a << 24 | 0x00FF8020;
        });
        m_stripes = Texture(16, [](int x, int) { return x % 4 < 2 ? 0xC02060FFu : 0x40FFFFFFu; });
    }
    void TearDown() override {
        d3d9::SetDrawBatching(true);
        for (IDirect3DTexture9* texture : {m_glow, m_stripes})
            if (texture) texture->Release();
        GraphicsTest::TearDown();
    }

    template <class Texel>
    IDirect3DTexture9* Texture(int size, Texel texel) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(Device()->CreateTexture(size, size, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        if (!texture) return nullptr;
        Fill(texture, size, texel);
        return texture;
    }
    template <class Texel>
    static void Fill(IDirect3DTexture9* texture, int size, Texel texel) {
        D3DLOCKED_RECT locked{};
        texture->LockRect(0, &locked, nullptr, 0);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const D3DCOLOR value = texel(x, y);
                std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, &value, 4);
            }
        texture->UnlockRect(0);
        texture->GenerateMipSubLevels();
    }

    void Camera() {
        D3DXMATRIX view, projection;
        const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, 0.8f, 4.0f / 3.0f, 1.0f, 100.0f);
        Device()->SetTransform(D3DTS_VIEW, &view);
        Device()->SetTransform(D3DTS_PROJECTION, &projection);
        Device()->SetFVF(kWorldFvf);
        Device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        Device()->SetRenderState(D3DRS_ZENABLE, TRUE);
        Device()->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        Device()->SetRenderState(D3DRS_FOGENABLE, FALSE);
        Device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        Device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        Device()->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        Device()->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        Device()->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        Device()->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        Device()->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    }
    void Blend(DWORD destination) {
        Device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        Device()->SetRenderState(D3DRS_DESTBLEND, destination);
    }

    // A billboard-like quad of half-size `half` placed by its own world
    // transform, as a four-vertex strip.
    void Quad(IDirect3DTexture9* texture, float x, float y, float turn, float half, D3DCOLOR colour) {
        D3DXMATRIX rotation, translation, world;
        D3DXMatrixRotationZ(&rotation, turn);
        D3DXMatrixTranslation(&translation, x, y, 0.0f);
        D3DXMatrixMultiply(&world, &rotation, &translation);
        Device()->SetTransform(D3DTS_WORLD, &world);
        const WorldVertex quad[4] = {{-half, -half, 0, colour, 0, 1},
                                     {-half, half, 0, colour, 0, 0},
                                     {half, -half, 0, colour, 1, 1},
                                     {half, half, 0, colour, 1, 0}};
        Device()->SetTexture(0, texture);
        Device()->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(WorldVertex));
    }

    // Additive quads crossing each other with two textures in turn, a ribbon
    // strip, alpha-blended quads whose order shows, and a camera and texture
    // factor change between draws.
    d3d9::Pixels Scene() {
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
        Camera();
        Blend(D3DBLEND_ONE);
        for (int i = 0; i < 24; ++i)
            Quad(i % 2 ? m_glow : m_stripes, static_cast<float>(i % 6) - 2.5f, static_cast<float>(i / 6) - 1.5f,
                 0.3f * static_cast<float>(i), 1.6f, 0xFFFFFFFF - static_cast<D3DCOLOR>(i) * 0x00050301);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        Device()->SetTransform(D3DTS_WORLD, &identity);
        std::vector<WorldVertex> ribbon;
        for (int i = 0; i < 12; ++i) {
            const float x = static_cast<float>(i) * 0.6f - 3.5f, y = std::sin(static_cast<float>(i)) * 1.5f;
            const float v = static_cast<float>(i) / 11.0f;
            ribbon.push_back({x, y - 0.3f, 0, 0xFF80FF80, 0, v});
            ribbon.push_back({x, y + 0.3f, 0, 0xFF80FF80, 1, v});
        }
        Device()->SetTexture(0, m_stripes);
        Device()->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, static_cast<UINT>(ribbon.size() - 2), ribbon.data(),
                                  sizeof(WorldVertex));
        Blend(D3DBLEND_INVSRCALPHA);
        for (int i = 0; i < 10; ++i)
            Quad(i % 2 ? m_stripes : m_glow, static_cast<float>(i) * 0.5f - 2.0f, 0.5f, 0.2f * static_cast<float>(i),
                 1.2f, 0xE0FFFFFF);
        D3DXMATRIX view;
        const D3DXVECTOR3 eye(2, 1, -9), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        Device()->SetTransform(D3DTS_VIEW, &view);
        Device()->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80FF0000);
        Device()->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
        for (int i = 0; i < 4; ++i) Quad(m_glow, static_cast<float>(i) - 1.5f, -1.0f, 0.0f, 1.0f, 0xFFFFFFFF);
        return ReadTarget();
    }

    IDirect3DTexture9* m_glow = nullptr;
    IDirect3DTexture9* m_stripes = nullptr;
};

TEST_F(DrawBatchTest, BatchedDrawsGiveTheSamePixelsAsSeparateOnes) {
    d3d9::SetDrawBatching(false);
    const d3d9::Pixels separate = Scene();
    d3d9::SetDrawBatching(true);
    const d3d9::BatchCounts before = d3d9::DrawBatchCounts();
    const d3d9::Pixels batched = Scene();
    const d3d9::BatchCounts after = d3d9::DrawBatchCounts();

    ASSERT_EQ(batched.rgba.size(), separate.rgba.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < batched.rgba.size(); ++i) differing += batched.rgba[i] != separate.rgba[i];
    EXPECT_EQ(differing, 0u);
    // The scene draws something over most of the middle.
    EXPECT_NE(separate.At(400, 300), 0xFF102030u);

    // 24 additive quads in two textures and the ribbon make two batches; the
    // ten alpha-blended ones alternate textures and stay ten; the last four
    // share one.
    EXPECT_EQ(after.gathered - before.gathered, 39u);
    EXPECT_EQ(after.drawn - before.drawn, 13u);
}

TEST_F(DrawBatchTest, GatheredDrawsReachTheTargetBeforeItIsReadOrTheirTextureChanges) {
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    Camera();
    Blend(D3DBLEND_ONE);  // additive: textures change without a flush
    // Released by its owner while its draw is still gathered.
    IDirect3DTexture9* red = Texture(4, [](int, int) { return 0xFFFF0000u; });
    Quad(red, -2.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF);
    Device()->SetTexture(0, nullptr);
    red->Release();
    // Its pixels change between one draw and the next.
    IDirect3DTexture9* changing = Texture(4, [](int, int) { return 0xFF0000FFu; });
    Quad(changing, 0.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF);
    Fill(changing, 4, [](int, int) { return 0xFF00FF00u; });
    Quad(changing, 2.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF);
    Device()->SetTexture(0, nullptr);
    changing->Release();

    D3DXMATRIX view, projection;
    Device()->GetTransform(D3DTS_VIEW, &view);
    Device()->GetTransform(D3DTS_PROJECTION, &projection);
    const auto pixel = [&](float x) {
        D3DXVECTOR3 screen;
        const D3DXVECTOR3 world(x, 0.0f, 0.0f);
        D3DXMATRIX viewProjection;
        D3DXMatrixMultiply(&viewProjection, &view, &projection);
        D3DXVec3TransformCoord(&screen, &world, &viewProjection);
        return PixelAt(static_cast<unsigned>((screen.x + 1.0f) * 400.0f),
                       static_cast<unsigned>((1.0f - screen.y) * 300.0f));
    };
    EXPECT_EQ(pixel(-2.0f), 0xFFFF0000u);
    EXPECT_EQ(pixel(0.0f), 0xFF0000FFu);
    EXPECT_EQ(pixel(2.0f), 0xFF00FF00u);
}
}  // namespace

namespace {
TEST_F(DrawBatchTest, AdditiveDrawsIntoFloatingPointChannelsKeepTheirOrder) {
    // Rounded floating-point sums depend on their order, so only an 8-bit
    // target lets additive draws regroup by texture.
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(Device()->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16F, D3DPOOL_DEFAULT, &target,
                                      nullptr),
              D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
    IDirect3DSurface9* backBuffer = nullptr;
    Device()->GetRenderTarget(0, &backBuffer);
    Device()->SetRenderTarget(0, surface);
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Camera();
    Device()->SetRenderState(D3DRS_ZENABLE, FALSE);
    Blend(D3DBLEND_ONE);
    const d3d9::BatchCounts before = d3d9::DrawBatchCounts();
    for (int i = 0; i < 6; ++i)
        Quad(i % 2 ? m_glow : m_stripes, 0.0f, 0.0f, 0.1f * static_cast<float>(i), 3.0f, 0xFFFFFFFF);
    Device()->SetRenderTarget(0, backBuffer);
    const d3d9::BatchCounts after = d3d9::DrawBatchCounts();
    EXPECT_EQ(after.drawn - before.drawn, 6u);
    backBuffer->Release();
    surface->Release();
    target->Release();
}
}  // namespace
