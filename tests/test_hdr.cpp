#include <gtest/gtest.h>

#include <cstring>

#include "lib/DirectGraphics.h"
#include "lib/HDR.h"
#include "platform/win32/messagebox.h"
#include "support/graphics_fixture.h"

namespace {
using HDRTest = GraphicsTest;

D3DSURFACE_DESC LevelZero(IDirect3DTexture9* texture) {
    D3DSURFACE_DESC description{};
    EXPECT_EQ(texture->GetLevelDesc(0, &description), D3D_OK);
    return description;
}
}  // namespace

TEST_F(HDRTest, CreatesItsTargetsAndEffectAndReleasesThemAgain) {
    CHDR hdr;
    EXPECT_EQ(hdr.GetEffectAddress(), nullptr);
    const unsigned boxesBefore = win32::MessageBoxCount();
    for (int visit = 0; visit < 2; ++visit) {
        hdr.CreateHDREffect(VORTWING_DATA_DIR "/Shader/HDR.fx", Device(), 800.0f, 600.0f);
        ASSERT_NE(hdr.GetEffectAddress(), nullptr);
        EXPECT_EQ(hdr.GetEffectAddress()->SetTechnique("BrightPass"), D3D_OK);
        ASSERT_NE(hdr.GetTex(), nullptr);
        const D3DSURFACE_DESC screen = LevelZero(hdr.GetTex());
        EXPECT_EQ(screen.Width, 800u);
        EXPECT_EQ(screen.Height, 600u);
        EXPECT_EQ(screen.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(screen.Usage, D3DUSAGE_RENDERTARGET);
        for (int i = 0; i < CHDR::BLUR_TARGETS; ++i) {
            ASSERT_NE(hdr.GetBlurTexture(i), nullptr);
            const D3DSURFACE_DESC blur = LevelZero(hdr.GetBlurTexture(i));
            EXPECT_EQ(blur.Width, 128u);
            EXPECT_EQ(blur.Height, 128u);
        }
        ASSERT_NE(hdr.GetDepthSurface(), nullptr);
        D3DSURFACE_DESC depth{};
        hdr.GetDepthSurface()->GetDesc(&depth);
        EXPECT_EQ(depth.Format, D3DFMT_D24S8);
        EXPECT_EQ(depth.Width, 800u);
        EXPECT_EQ(hdr.m_Width, 800.0f);
        EXPECT_EQ(hdr.m_Height, 600.0f);

        // The targets really take drawing: clear the screen-size one and
        // read it back.
        IDirect3DSurface9* surface = nullptr;
        ASSERT_EQ(hdr.GetTex()->GetSurfaceLevel(0, &surface), D3D_OK);
        IDirect3DSurface9* backBuffer = nullptr;
        Device()->GetRenderTarget(0, &backBuffer);
        Device()->SetRenderTarget(0, surface);
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
        d3d9::Pixels pixels;
        ASSERT_TRUE(d3d9::ReadSurface(Device(), surface, &pixels));
        EXPECT_EQ(pixels.At(799, 599), 0xFF204060u);
        Device()->SetRenderTarget(0, backBuffer);
        backBuffer->Release();
        surface->Release();

        hdr.EndProc();
        EXPECT_EQ(hdr.GetEffectAddress(), nullptr);
        EXPECT_EQ(hdr.GetTex(), nullptr);
        EXPECT_EQ(hdr.GetBlurTexture(2), nullptr);
        EXPECT_EQ(hdr.GetDepthSurface(), nullptr);
    }
    hdr.EndProc();  // a second release finds nothing to release
    EXPECT_EQ(win32::MessageBoxCount(), boxesBefore);
}

TEST_F(HDRTest, MissingEffectFileIsSilent) {
    CHDR hdr;
    const unsigned boxesBefore = win32::MessageBoxCount();
    hdr.CreateHDREffect("no/such/HDR.fx", Device(), 800.0f, 600.0f);
    EXPECT_EQ(hdr.GetEffectAddress(), nullptr);
    EXPECT_NE(hdr.GetTex(), nullptr);
    EXPECT_NE(hdr.GetDepthSurface(), nullptr);
    EXPECT_EQ(win32::MessageBoxCount(), boxesBefore);
}

TEST(HDR, FailedScreenTargetIsReportedOnceAndTheRestGoesOn) {
    // No device at all: nothing can be made, and only the screen-size
    // target's failure is told.
    {
        CHDR hdr;
        const unsigned boxesBefore = win32::MessageBoxCount();
        hdr.CreateHDREffect(VORTWING_DATA_DIR "/Shader/HDR.fx", nullptr, 800.0f, 600.0f);
        EXPECT_EQ(win32::MessageBoxCount(), boxesBefore + 1);
        EXPECT_STREQ(win32::LastMessageBoxText(), "HDRTexture作成失敗");
        EXPECT_STREQ(win32::LastMessageBoxCaption(), "ERROR");
        EXPECT_EQ(hdr.GetTex(), nullptr);
        EXPECT_EQ(hdr.GetBlurTexture(0), nullptr);
        EXPECT_EQ(hdr.GetEffectAddress(), nullptr);
        EXPECT_EQ(hdr.GetDepthSurface(), nullptr);
        EXPECT_EQ(hdr.m_Width, 800.0f);
        hdr.EndProc();
    }
    CDirectGraphics::UninitDirectGraphics();
}
