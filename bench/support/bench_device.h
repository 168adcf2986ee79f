// A window of the game's size with the graphics device on it, for the
// benchmarks that draw.
#pragma once
#include "lib/DirectGraphics.h"
#include "platform/win32/window.h"

namespace bench {
inline LRESULT WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Device {
    HWND window = nullptr;
    CDirectGraphics* graphics = nullptr;
    Device() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = WindowProcedure;
            windowClass.lpszClassName = "Bench";
            RegisterClassExA(&windowClass);
            registered = true;
        }
        window = CreateWindowExA(0, "Bench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr, nullptr,
                                 nullptr);
        graphics = CDirectGraphics::GetInstance();
        graphics->InitDirectGraphics(window, 800, 600, D3DFMT_X8R8G8B8, false);
        graphics->SetState();
    }
    ~Device() {
        CDirectGraphics::UninitDirectGraphics();
        DestroyWindow(window);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
};
}  // namespace bench
