// Texture stage 0 and the alpha test as the fixed-function programs compute
// them, one program per state: every operation and argument modifier, and
// states revisited after others so a program built earlier is used again.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d9/texture.h"
#include "support/graphics_fixture.h"

namespace {
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};

class FixedFunctionTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        ASSERT_EQ(Device()->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_texture, nullptr), D3D_OK);
        D3DLOCKED_RECT locked{};
        m_texture->LockRect(0, &locked, nullptr, 0);
        const D3DCOLOR texel = kTexel;
        std::memcpy(locked.pBits, &texel, sizeof texel);
        m_texture->UnlockRect(0);
        Device()->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        Device()->SetRenderState(D3DRS_ZENABLE, FALSE);
        Device()->SetRenderState(D3DRS_FOGENABLE, FALSE);
        Device()->SetRenderState(D3DRS_TEXTUREFACTOR, kFactor);
    }
    void TearDown() override {
        if (m_texture) m_texture->Release();
        GraphicsTest::TearDown();
    }

    void Stage(DWORD colourOp, DWORD colourArg1, DWORD colourArg2, DWORD alphaOp, DWORD alphaArg1, DWORD alphaArg2) {
        Device()->SetTextureStageState(0, D3DTSS_COLOROP, colourOp);
        Device()->SetTextureStageState(0, D3DTSS_COLORARG1, colourArg1);
        Device()->SetTextureStageState(0, D3DTSS_COLORARG2, colourArg2);
        Device()->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
        Device()->SetTextureStageState(0, D3DTSS_ALPHAARG1, alphaArg1);
        Device()->SetTextureStageState(0, D3DTSS_ALPHAARG2, alphaArg2);
    }

    // Clears to kClear, draws a size x size quad of kDiffuse at the top left
    // and returns its top-left pixel.
    std::uint32_t Draw(bool textured = true, IDirect3DTexture9* texture = nullptr, float size = 10.0f) {
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.0f, 0);
        const ScreenVertex quad[4] = {{0, 0, 0.5f, 1, kDiffuse, 0, 0},
                                      {size, 0, 0.5f, 1, kDiffuse, 1, 0},
                                      {0, size, 0.5f, 1, kDiffuse, 0, 1},
                                      {size, size, 0.5f, 1, kDiffuse, 1, 1}};
        Device()->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        Device()->SetTexture(0, !textured ? nullptr : texture ? texture : m_texture);
        Device()->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
        Device()->SetTexture(0, nullptr);
        return PixelAt(0, 0);
    }

    // A 4 x 4 black and white checker with a full chain asked for.
    IDirect3DTexture9* Checker() {
        IDirect3DTexture9* checker = nullptr;
        EXPECT_EQ(Device()->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &checker, nullptr), D3D_OK);
        if (!checker) return nullptr;
        EXPECT_EQ(checker->GetLevelCount(), 3u);
        D3DLOCKED_RECT locked{};
        checker->LockRect(0, &locked, nullptr, 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const D3DCOLOR texel = (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000;
                const std::size_t offset = static_cast<std::size_t>(y) * static_cast<std::size_t>(locked.Pitch) +
                                           static_cast<std::size_t>(x) * sizeof texel;
                std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + offset, &texel, sizeof texel);
            }
        checker->UnlockRect(0);
        checker->GenerateMipSubLevels();
        return checker;
    }

    static constexpr D3DCOLOR kTexel = 0x80FF4000;    // a 128, r 255, g 64, b 0
    static constexpr D3DCOLOR kDiffuse = 0xC0208040;  // a 192, r 32, g 128, b 64
    static constexpr D3DCOLOR kFactor = 0x40102030;
    static constexpr D3DCOLOR kClear = 0xFF0000FF;
    IDirect3DTexture9* m_texture = nullptr;
};
}  // namespace

TEST_F(FixedFunctionTest, OperationsAndArgumentsCombineTextureDiffuseAndFactor) {
    struct Case {
        const char* name;
        DWORD colourOp, colourArg1, colourArg2, alphaOp, alphaArg1, alphaArg2;
        bool textured;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"modulate", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, true,
         0x60202000},
        {"select texture, diffuse alpha", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2,
         D3DTA_TEXTURE, D3DTA_DIFFUSE, true, 0xC0FF4000},
        {"no texture reads white", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
         D3DTA_DIFFUSE, false, 0xFF208040},
        {"texture factor", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTOP_SELECTARG1, D3DTA_TFACTOR,
         D3DTA_DIFFUSE, true, 0x40102030},
        {"add saturates", D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, true,
         0xFFFFC040},
        {"add signed", D3DTOP_ADDSIGNED, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_ADDSIGNED, D3DTA_TEXTURE, D3DTA_DIFFUSE,
         true, 0xC0A04100},
        {"modulate 2x", D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
         true, 0x60404000},
        {"modulate 4x", D3DTOP_MODULATE4X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
         true, 0x60808000},
        {"complement", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
         D3DTA_DIFFUSE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, true, 0x3F00BFFF},
        {"alpha replicate", D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE, D3DTA_TEXTURE, D3DTOP_SELECTARG1,
         D3DTA_TEXTURE, D3DTA_DIFFUSE, true, 0x80C0C0C0},
        {"disabled is diffuse", D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_TEXTURE, D3DTOP_DISABLE, D3DTA_TEXTURE,
         D3DTA_TEXTURE, true, 0xC0208040},
    };
    // Twice over, so the second round runs on programs built in the first.
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Stage(c.colourOp, c.colourArg1, c.colourArg2, c.alphaOp, c.alphaArg1, c.alphaArg2);
            EXPECT_TRUE(ColourNear(Draw(c.textured), c.expected, 1));
        }
    }
}

TEST_F(FixedFunctionTest, AlphaTestComparesTheRoundedAlphaWithTheReference) {
    Stage(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_TEXTURE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_TEXTURE);
    Device()->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    struct Case {
        DWORD func, reference;
        bool drawn;
    };
    // The quad's alpha is 192.
    const Case cases[] = {
        {D3DCMP_NEVER, 0, false},         {D3DCMP_LESS, 193, true},          {D3DCMP_LESS, 192, false},
        {D3DCMP_EQUAL, 192, true},        {D3DCMP_EQUAL, 191, false},        {D3DCMP_LESSEQUAL, 192, true},
        {D3DCMP_GREATER, 192, false},     {D3DCMP_GREATER, 191, true},       {D3DCMP_NOTEQUAL, 192, false},
        {D3DCMP_GREATEREQUAL, 192, true}, {D3DCMP_GREATEREQUAL, 193, false}, {D3DCMP_ALWAYS, 255, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "func " << c.func << " reference " << c.reference);
        Device()->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        Device()->SetRenderState(D3DRS_ALPHAREF, c.reference);
        EXPECT_EQ(Draw() & 0xFFFFFF, c.drawn ? (kDiffuse & 0xFFFFFF) : (kClear & 0xFFFFFF));
    }
    // Switched off, the comparison left behind no longer matters.
    Device()->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_NEVER);
    Device()->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    EXPECT_EQ(Draw() & 0xFFFFFF, kDiffuse & 0xFFFFFF);
}

// The chain is built when something first reads it; what it reads is the
// same as if it had been built at once.
TEST_F(FixedFunctionTest, MipLevelsReadByADrawOrALockHoldTheAverageOfLevelZero) {
    Stage(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    IDirect3DTexture9* drawn = Checker();
    ASSERT_NE(drawn, nullptr);
    // Drawn into one pixel, the 4 x 4 texture reads level 2: grey. Without a
    // mip filter it reads level 0, whose texel at the pixel's centre is black.
    Device()->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    Device()->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    EXPECT_TRUE(ColourNear(Draw(true, drawn, 1.0f), 0xFF808080, 1));
    Device()->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    EXPECT_EQ(Draw(true, drawn, 1.0f), 0xFF000000u);
    drawn->Release();

    IDirect3DTexture9* locked = Checker();
    ASSERT_NE(locked, nullptr);
    D3DLOCKED_RECT level{};
    ASSERT_EQ(locked->LockRect(1, &level, nullptr, 0), D3D_OK);
    D3DCOLOR texel = 0;
    std::memcpy(&texel, level.pBits, sizeof texel);
    EXPECT_TRUE(ColourNear(texel, 0xFF808080, 1));
    locked->UnlockRect(1);
    locked->Release();
}
