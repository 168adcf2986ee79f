// Presentation: the back buffer onto the window, frame pacing, screenshots,
// and read-back of render targets for tests and automation.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace d3d9 {
// At most 60 presented frames a second (vsync where the driver offers it,
// plus a limiter) unless uncapped.
void SetFrameCap(bool capped);
bool FrameCapped();

// After the scene frame with this index is presented, its back buffer is
// saved as PNG.
void RequestScreenshot(std::uint64_t sceneFrame, const std::string& pngPath);

struct Pixels {
    unsigned width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  // top row first
    // Pixel (x, y) as 0xAARRGGBB.
    std::uint32_t At(unsigned x, unsigned y) const;
};
// The pixels of a colour surface (the device's render target when null).
bool ReadSurface(IDirect3DDevice9* device, IDirect3DSurface9* surface, Pixels* out);
bool SavePng(const std::string& path, const Pixels& pixels);
// Back buffers presented since program start.
std::uint64_t PresentCount();

// Where the back buffer lands in a window: the largest rectangle of the
// back buffer's aspect that fits, centred (top-left origin, in the window's
// pixels). The rest of the window is black.
struct ViewRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ViewRect&) const = default;
};
ViewRect LetterboxRect(int sourceWidth, int sourceHeight, int windowWidth, int windowHeight);

// For tests: called by every Present with the window's picture (its whole
// drawable, top row first), after the back buffer was drawn onto it and
// before it is shown. An empty function stops it.
void SetWindowObserver(std::function<void(const Pixels& window)> observer);

// GL objects made on the device's context by other parts of the layer
// register a release here; the device runs them before its context goes.
void OnDeviceRelease(std::function<void()> release);

// Device side.
void BeginPresentationTiming();
void PresentBackBuffer(IDirect3DDevice9* device, SDL_Window* window, IDirect3DSurface9* backBuffer);
void ReleaseDeviceObjects();
}  // namespace d3d9
