#include "platform/d3d9/presentation.h"

#include <SDL.h>
#include <stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

#include "platform/automation.h"
#include "platform/d3d9/scene_scale.h"
#include "platform/log/log.h"
#include "platform/gl/framebuffer.h"
#include "platform/gl/state_cache.h"

namespace d3d9 {
namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kFrameInterval = std::chrono::nanoseconds(1'000'000'000 / 60);

bool g_capped = true;
std::function<void(const Pixels&)> g_windowObserver;
Clock::time_point g_nextPresent;
Clock::time_point g_frameStart;  // the end of the last Present
bool g_swapIntervalSet = false;
std::multimap<std::uint64_t, std::string> g_screenshots;

std::vector<std::function<void()>>& Releases() {
    static std::vector<std::function<void()>> releases;
    return releases;
}

void ApplySwapInterval() {
    // Vsync where available; the limiter below covers fast displays and
    // drivers without it.
    SDL_GL_SetSwapInterval(g_capped ? 1 : 0);
    g_swapIntervalSet = true;
}

void WaitForNextFrameSlot() {
    const auto now = Clock::now();
    if (g_nextPresent.time_since_epoch().count() == 0 || now > g_nextPresent + kFrameInterval) {
        // First frame, or far behind (a load, a stall): start the rhythm anew
        // rather than rushing to catch up.
        g_nextPresent = now + kFrameInterval;
        return;
    }
    if (now < g_nextPresent) std::this_thread::sleep_until(g_nextPresent);
    g_nextPresent += kFrameInterval;
}

// What the frame took to make, drawing finished, for an adaptive scene
// scale.
void MeasureFrame() {
    glFinish();
    const auto now = Clock::now();
    if (g_frameStart.time_since_epoch().count() != 0)
        ReportFrameTime(std::chrono::duration<double, std::milli>(now - g_frameStart).count());
}

void SaveRequestedScreenshots(IDirect3DDevice9* device, IDirect3DSurface9* backBuffer) {
    auto range = g_screenshots.equal_range(automation::SceneFrame());
    if (range.first == range.second) return;
    Pixels pixels;
    if (ReadSurface(device, backBuffer, &pixels)) {
        for (auto it = range.first; it != range.second; ++it)
            if (!SavePng(it->second, pixels))
                vlog::Error(vlog::Category::Video, "could not write screenshot '%s'", it->second.c_str());
    }
    g_screenshots.erase(range.first, range.second);
}
}  // namespace

void SetFrameCap(bool capped) {
    g_capped = capped;
    g_swapIntervalSet = false;
}

bool FrameCapped() { return g_capped; }

void RequestScreenshot(std::uint64_t sceneFrame, const std::string& pngPath) {
    g_screenshots.emplace(sceneFrame, pngPath);
}

std::uint32_t Pixels::At(unsigned x, unsigned y) const {
    const std::uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
    return (static_cast<std::uint32_t>(p[3]) << 24) | (static_cast<std::uint32_t>(p[0]) << 16) |
           (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
}

bool ReadSurface(IDirect3DDevice9* device, IDirect3DSurface9* surface, Pixels* out) {
    if (!out) return false;
    FlushBatchedDraws();
    // The frame's 3D may still wait in the reduced-scale target.
    if (device && (!surface || surface == device->BackBuffer())) device->ResolveScaledScene();
    IDirect3DSurface9* source = surface;
    if (!source) {
        if (!device || FAILED(device->GetRenderTarget(0, &source))) return false;
        source->Release();  // the device keeps it alive
    }
    if (!source->ColorTexture()) return false;
    const GLuint framebuffer = gl::FramebufferFor(source->ColorTexture(), 0);
    if (!framebuffer) return false;
    gl::Cache().BindFramebuffer(framebuffer);
    out->width = source->Width();
    out->height = source->Height();
    out->rgba.assign(static_cast<size_t>(out->width) * out->height * 4, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // Row 0 of a target is the top of its picture.
    glReadPixels(0, 0, static_cast<GLsizei>(out->width), static_cast<GLsizei>(out->height), GL_RGBA, GL_UNSIGNED_BYTE,
                 out->rgba.data());
    return glGetError() == GL_NO_ERROR;
}

bool SavePng(const std::string& path, const Pixels& pixels) {
    if (pixels.width == 0 || pixels.height == 0) return false;
    // The back buffer's alpha is not part of the picture.
    std::vector<std::uint8_t> rgb(static_cast<size_t>(pixels.width) * pixels.height * 3);
    for (size_t i = 0, n = static_cast<size_t>(pixels.width) * pixels.height; i < n; ++i) {
        rgb[i * 3 + 0] = pixels.rgba[i * 4 + 0];
        rgb[i * 3 + 1] = pixels.rgba[i * 4 + 1];
        rgb[i * 3 + 2] = pixels.rgba[i * 4 + 2];
    }
    return stbi_write_png(path.c_str(), static_cast<int>(pixels.width), static_cast<int>(pixels.height), 3, rgb.data(),
                          static_cast<int>(pixels.width) * 3) != 0;
}

void OnDeviceRelease(std::function<void()> release) { Releases().push_back(std::move(release)); }

void ReleaseDeviceObjects() {
    auto releases = std::move(Releases());
    Releases().clear();
    for (auto it = releases.rbegin(); it != releases.rend(); ++it) (*it)();
}

void BeginPresentationTiming() {
    g_nextPresent = Clock::time_point{};
    g_frameStart = Clock::time_point{};
    g_swapIntervalSet = false;
}

namespace {
std::uint64_t g_presentCount = 0;
}  // namespace

std::uint64_t PresentCount() { return g_presentCount; }

ViewRect LetterboxRect(int sourceWidth, int sourceHeight, int windowWidth, int windowHeight) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return ViewRect{};
    const long long wide = static_cast<long long>(windowWidth) * sourceHeight;
    const long long tall = static_cast<long long>(windowHeight) * sourceWidth;
    ViewRect rect{0, 0, windowWidth, windowHeight};
    if (wide > tall) {
        // Wider than the picture: bars left and right.
        rect.width = static_cast<int>((tall * 2 + sourceHeight) / (2LL * sourceHeight));
        rect.x = (windowWidth - rect.width) / 2;
    } else if (wide < tall) {
        rect.height = static_cast<int>((wide * 2 + sourceWidth) / (2LL * sourceWidth));
        rect.y = (windowHeight - rect.height) / 2;
    }
    return rect;
}

void SetWindowObserver(std::function<void(const Pixels&)> observer) { g_windowObserver = std::move(observer); }

namespace {
void ObserveWindow(int width, int height) {
    Pixels pixels;
    pixels.width = static_cast<unsigned>(width);
    pixels.height = static_cast<unsigned>(height);
    pixels.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.rgba.data());
    // The window's first row is its bottom.
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(pixels.rgba.begin() + y * row, pixels.rgba.begin() + (y + 1) * row,
                         pixels.rgba.begin() + (height - 1 - y) * row);
    g_windowObserver(pixels);
}
}  // namespace

void PresentBackBuffer(IDirect3DDevice9* device, SDL_Window* sdlWindow, IDirect3DSurface9* backBuffer) {
    ++g_presentCount;
    SaveRequestedScreenshots(device, backBuffer);
    if (!sdlWindow) return;
    if (!g_swapIntervalSet) ApplySwapInterval();

    int windowWidth = 0, windowHeight = 0;
    SDL_GL_GetDrawableSize(sdlWindow, &windowWidth, &windowHeight);
    const GLint width = static_cast<GLint>(backBuffer->Width());
    const GLint height = static_cast<GLint>(backBuffer->Height());
    const ViewRect view = LetterboxRect(width, height, windowWidth, windowHeight);
    auto& cache = gl::Cache();
    const GLuint source = gl::FramebufferFor(backBuffer->ColorTexture(), 0);
    cache.SetScissor(false, gl::Rect{});
    cache.BindFramebuffer(0);
    if (view.width != windowWidth || view.height != windowHeight) {
        cache.SetColorMask(0xF);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    if (view.width > 0 && view.height > 0) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
        // The back buffer's first row is the top of the picture; the
        // window's is the bottom.
        const GLint bottom = windowHeight - view.y - view.height;
        const bool sameSize = width == view.width && height == view.height;
        glBlitFramebuffer(0, 0, width, height, view.x, bottom + view.height, view.x + view.width, bottom,
                          GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    }
    if (g_windowObserver && windowWidth > 0 && windowHeight > 0) ObserveWindow(windowWidth, windowHeight);
    if (SceneScaleAdaptive()) MeasureFrame();
    if (g_capped) WaitForNextFrameSlot();
    SDL_GL_SwapWindow(sdlWindow);
    g_frameStart = Clock::now();
}
}  // namespace d3d9
