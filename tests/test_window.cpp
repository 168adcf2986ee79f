// The window as the player sees it: the 4:3 picture letterboxed in windows
// of any shape (read back from the window's own pixels on the real GL
// context), the fullscreen shortcuts and the pointer, and a scene loop that
// stands still while its window is hidden.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "app/SceneManager.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/presentation.h"
#include "platform/win32/window.h"

namespace {
LRESULT PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND OpenWindow(int width, int height, WNDPROC procedure = PlainWindowProc) {
    static int classes = 0;
    const std::string name = "WindowTest" + std::to_string(++classes);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = name.c_str();
    if (!RegisterClassExA(&windowClass)) return nullptr;
    return CreateWindowExA(0, name.c_str(), "test", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr, nullptr,
                           nullptr);
}

// An 800 x 600 back buffer (as the game's window starts with) on a window of
// another size.
struct Device {
    explicit Device(HWND window) {
        direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferWidth = 800;
        parameters.BackBufferHeight = 600;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.hDeviceWindow = window;
        parameters.Windowed = TRUE;
        parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        if (direct3D)
            direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                   &parameters, &device);
    }
    ~Device() {
        if (device) device->Release();
        if (direct3D) direct3D->Release();
    }
    IDirect3D9* direct3D = nullptr;
    IDirect3DDevice9* device = nullptr;
};

constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
}  // namespace

TEST(Letterbox, RectangleIsTheLargestCentredOneOfThePicturesAspect) {
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 800, 600), (d3d9::ViewRect{0, 0, 800, 600}));
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 1024, 768), (d3d9::ViewRect{0, 0, 1024, 768}));
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 1280, 720), (d3d9::ViewRect{160, 0, 960, 720}));
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 1920, 1080), (d3d9::ViewRect{240, 0, 1440, 1080}));
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 2560, 1080), (d3d9::ViewRect{560, 0, 1440, 1080}));
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 600, 1000), (d3d9::ViewRect{0, 275, 600, 450}));
    // Odd leftovers put the extra pixel after the picture; sizes round.
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 1001, 600), (d3d9::ViewRect{100, 0, 800, 600}));
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 100, 1001), (d3d9::ViewRect{0, 463, 100, 75}));
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 1, 1), (d3d9::ViewRect{0, 0, 1, 1}));
    EXPECT_EQ(d3d9::LetterboxRect(800, 600, 0, 600), d3d9::ViewRect{});
    EXPECT_EQ(d3d9::LetterboxRect(0, 600, 800, 600), d3d9::ViewRect{});
}

TEST(Letterbox, WindowsOfEveryShapeShowThePictureUndistortedBetweenBlackBars) {
    // 4:3 (no bars), 16:9, 21:9, portrait.
    const struct {
        int width, height;
        d3d9::ViewRect picture;
    } windows[] = {
        {800, 600, {0, 0, 800, 600}},
        {1280, 720, {160, 0, 960, 720}},
        {2560, 1080, {560, 0, 1440, 1080}},
        {600, 1000, {0, 275, 600, 450}},
    };
    for (const auto& shape : windows) {
        SCOPED_TRACE(std::to_string(shape.width) + " x " + std::to_string(shape.height));
        HWND window = OpenWindow(shape.width, shape.height);
        ASSERT_NE(window, nullptr);
        {
            Device device(window);
            ASSERT_NE(device.device, nullptr);
            // Red picture, its top-left quarter green: the quarter shows
            // where the picture's top and left went.
            device.device->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0);
            const RECT quarter{0, 0, 400, 300};
            device.device->Clear(1, &quarter, D3DCLEAR_TARGET, kGreen, 1.0f, 0);
            std::vector<d3d9::Pixels> seen;
            d3d9::SetWindowObserver([&](const d3d9::Pixels& pixels) { seen.push_back(pixels); });
            device.device->Present(nullptr, nullptr, nullptr, nullptr);
            d3d9::SetWindowObserver({});
            ASSERT_EQ(seen.size(), 1u);
            const d3d9::Pixels& pixels = seen[0];
            ASSERT_EQ(pixels.width, static_cast<unsigned>(shape.width));
            ASSERT_EQ(pixels.height, static_cast<unsigned>(shape.height));

            const d3d9::ViewRect& p = shape.picture;
            const int midX = p.x + p.width / 2, midY = p.y + p.height / 2;
            int wrong = 0;
            for (int y = 0; y < shape.height; ++y)
                for (int x = 0; x < shape.width; ++x) {
                    const bool inside = x >= p.x && x < p.x + p.width && y >= p.y && y < p.y + p.height;
                    // Filtering blends the colours along the quarter's edges.
                    if (inside && (std::abs(x - midX) <= 2 || std::abs(y - midY) <= 2)) continue;
                    const std::uint32_t expected = !inside ? kBlack : (x < midX && y < midY) ? kGreen : kRed;
                    if (pixels.At(x, y) != expected && ++wrong <= 5)
                        ADD_FAILURE() << "pixel " << x << ", " << y << " is " << std::hex << pixels.At(x, y);
                }
            EXPECT_EQ(wrong, 0);
        }
        DestroyWindow(window);
    }
}

namespace {
SDL_Event KeyEvent(HWND window, SDL_Scancode code, Uint16 modifiers, bool down = true, Uint8 repeat = 0) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = SDL_GetWindowID(win32::SdlWindowOf(window));
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.scancode = code;
    event.key.keysym.sym = SDL_GetKeyFromScancode(code);
    event.key.keysym.mod = modifiers;
    return event;
}

// Pushes the event and takes every waiting message, as the loop would.
void Deliver(SDL_Event event) {
    SDL_PushEvent(&event);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}
}  // namespace

TEST(Fullscreen, F11AndAltEnterSwitchItAndThePointerHidesWhileItLasts) {
    HWND window = OpenWindow(800, 600);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    EXPECT_FALSE(win32::IsFullscreen(window));
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);

    Deliver(KeyEvent(window, SDL_SCANCODE_F11, KMOD_NONE));
    EXPECT_TRUE(win32::IsFullscreen(window));
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    // A held key repeats without switching back.
    Deliver(KeyEvent(window, SDL_SCANCODE_F11, KMOD_NONE, true, 1));
    EXPECT_TRUE(win32::IsFullscreen(window));
    Deliver(KeyEvent(window, SDL_SCANCODE_F11, KMOD_NONE, false));

    Deliver(KeyEvent(window, SDL_SCANCODE_RETURN, KMOD_LALT));
    EXPECT_FALSE(win32::IsFullscreen(window));
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    // Enter alone is the game's.
    Deliver(KeyEvent(window, SDL_SCANCODE_RETURN, KMOD_NONE));
    EXPECT_FALSE(win32::IsFullscreen(window));
    Deliver(KeyEvent(window, SDL_SCANCODE_KP_ENTER, KMOD_RALT));
    EXPECT_TRUE(win32::IsFullscreen(window));

    // The program's --fullscreen: the window goes fullscreen as it is shown.
    HWND second = OpenWindow(800, 600);
    ASSERT_NE(second, nullptr);
    win32::StartFullscreen(true);
    ShowWindow(second, SW_SHOWDEFAULT);
    EXPECT_TRUE(win32::IsFullscreen(second));
    DestroyWindow(second);
    DestroyWindow(window);
}

namespace {
// A scene that hides its window in its third frame; a message that arrives
// a while later shows it again. Frames and their times are logged.
using Clock = std::chrono::steady_clock;
std::vector<Clock::time_point> g_frames;
Clock::time_point g_hidden, g_shown;
double g_cpuWhileHidden = -1.0;

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
double g_cpuAtHide = 0.0;

LRESULT ShowAgainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && !IsWindowVisible(window) && Clock::now() - g_hidden > std::chrono::milliseconds(400)) {
        g_cpuWhileHidden = ProcessCpuSeconds() - g_cpuAtHide;
        g_shown = Clock::now();
        ShowWindow(window, SW_SHOWNORMAL);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class HidingScene : public CScene {
public:
    explicit HidingScene(HWND window) : m_window(window) {}
    int InitProc() override { return 1; }
    int MainProc() override {
        g_frames.push_back(Clock::now());
        if (g_frames.size() == 3) {
            g_hidden = Clock::now();
            g_cpuAtHide = ProcessCpuSeconds();
            ShowWindow(m_window, SW_HIDE);
        }
        return g_frames.size() == 6 ? RETRY_QUIT : RETRY_CONTINUE;
    }
    int UpdateProc() override { return 1; }
    int RenderProc() override { return 1; }
    int EndProc() override { return 1; }

private:
    HWND m_window;
};
}  // namespace

TEST(SceneLoopWindow, NoSceneFrameRunsWhileTheWindowIsHiddenAndTheLoopSleeps) {
    HWND window = OpenWindow(320, 240, ShowAgainProc);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {}

    // The desktop keeps sending something now and then, as it does.
    std::atomic<bool> done{false};
    const Uint32 windowId = SDL_GetWindowID(win32::SdlWindowOf(window));
    std::thread desktop([&] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            SDL_Event event{};
            event.type = SDL_WINDOWEVENT;
            event.window.event = SDL_WINDOWEVENT_EXPOSED;
            event.window.windowID = windowId;
            SDL_PushEvent(&event);
        }
    });
    CSceneManager* manager = CSceneManager::GetInst(SCENE_TITLE, new HidingScene(window));
    manager->SceneLoop(window);
    done = true;
    desktop.join();

    ASSERT_EQ(g_frames.size(), 6u);
    ASSERT_GT(g_shown.time_since_epoch().count(), 0);
    // Nothing ran between hiding and showing again.
    EXPECT_GE(g_frames[3], g_shown);
    const double hiddenSeconds = std::chrono::duration<double>(g_shown - g_hidden).count();
    EXPECT_GE(hiddenSeconds, 0.4);
    // Waiting, not spinning: far less than a whole core meanwhile.
    EXPECT_LT(g_cpuWhileHidden, hiddenSeconds * 0.25) << g_cpuWhileHidden << " s of CPU in " << hiddenSeconds;
    DestroyWindow(window);
}
