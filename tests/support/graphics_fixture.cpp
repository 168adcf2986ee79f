#include "support/graphics_fixture.h"

#include <cstdio>
#include <cstdlib>

#include "platform/win32/window.h"

namespace {
LRESULT TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

void GraphicsTest::SetUp() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = TestWindowProc;
        windowClass.lpszClassName = "GraphicsTest";
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
        registered = true;
    }
    m_window = CreateWindowExA(0, "GraphicsTest", "test", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(m_window, nullptr);
    m_graphics = CDirectGraphics::GetInstance();
    ASSERT_EQ(m_graphics->InitDirectGraphics(m_window, 800, 600, D3DFMT_X8R8G8B8, false), 1);
    m_graphics->SetState();
    d3d9::SetFrameCap(false);
}

void GraphicsTest::TearDown() {
    CDirectGraphics::UninitDirectGraphics();
    if (m_window) DestroyWindow(m_window);
}

d3d9::Pixels GraphicsTest::ReadTarget() {
    d3d9::Pixels pixels;
    EXPECT_TRUE(d3d9::ReadSurface(Device(), nullptr, &pixels));
    return pixels;
}

std::uint32_t GraphicsTest::PixelAt(unsigned x, unsigned y) {
    d3d9::Pixels pixels = ReadTarget();
    if (x >= pixels.width || y >= pixels.height) return 0;
    return pixels.At(x, y);
}

::testing::AssertionResult ColourNear(std::uint32_t actual, std::uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) {
            char text[96];
            std::snprintf(text, sizeof text, "0x%08X is not within %d of 0x%08X", actual, tolerance, expected);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}
