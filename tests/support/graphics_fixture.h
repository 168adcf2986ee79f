// A real window and Direct3D device (GL on llvmpipe when headless) for tests
// that draw and read pixels back.
#pragma once
#include <gtest/gtest.h>

#include "lib/DirectGraphics.h"
#include "platform/d3d9/presentation.h"

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    IDirect3DDevice9* Device() const { return m_graphics->m_lpDevice; }
    // The current render target's pixel as 0xAARRGGBB.
    std::uint32_t PixelAt(unsigned x, unsigned y);
    d3d9::Pixels ReadTarget();

    HWND m_window = nullptr;
    CDirectGraphics* m_graphics = nullptr;
};

// Colour channels within a tolerance, for filtered or blended pixels.
::testing::AssertionResult ColourNear(std::uint32_t actual, std::uint32_t expected, int tolerance = 2);
