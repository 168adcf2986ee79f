#include "platform/win32/window.h"

#include "platform/gl/context.h"
#include "platform/gl/resident_libraries.h"
#include "platform/log/log.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/icon.h"
#include "platform/win32/x11_title.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct HWND__ {
    SDL_Window* sdlWindow = nullptr;
    Uint32 sdlWindowId = 0;
    WNDPROC windowProc = nullptr;
    bool destroyed = false;
};

namespace {
struct WindowClass {
    WNDPROC windowProc;
    HICON icon;
};

std::map<std::string, WindowClass>& Classes() {
    static std::map<std::string, WindowClass> classes;
    return classes;
}

std::map<Uint32, HWND>& WindowsById() {
    static std::map<Uint32, HWND> windows;
    return windows;
}

// Handles stay valid (and refuse use once destroyed) until the program ends,
// so messages that arrive late for a window are harmless.
std::vector<std::unique_ptr<HWND__>>& AllHandles() {
    static std::vector<std::unique_ptr<HWND__>> handles;
    return handles;
}

std::deque<MSG>& PostedMessages() {
    static std::deque<MSG> queue;
    return queue;
}

ATOM g_nextAtom = 0xC000;
bool g_startFullscreen = false;
constexpr int kWaitMessageLimitMs = 100;

// Handles of stock objects and system resources: distinct non-null values
// that nothing dereferences.
template <typename Handle>
Handle FakeHandle(UINT_PTR value) {
    return reinterpret_cast<Handle>(value);
}

HWND FindWindowById(Uint32 id) {
    auto it = WindowsById().find(id);
    return it == WindowsById().end() ? nullptr : it->second;
}

HWND AnyLiveWindow() {
    for (auto& entry : WindowsById())
        if (!entry.second->destroyed) return entry.second;
    return nullptr;
}

LPARAM PackPoint(int x, int y) {
    return static_cast<LPARAM>((static_cast<DWORD>(y & 0xFFFF) << 16) | static_cast<DWORD>(x & 0xFFFF));
}

// Turns one SDL event into the message Windows would have queued for it.
MSG MessageFromEvent(const SDL_Event& event) {
    MSG message{};
    message.time = SDL_GetTicks();
    message.message = WM_NULL;
    switch (event.type) {
    case SDL_QUIT:
        message.hwnd = AnyLiveWindow();
        if (message.hwnd) message.message = WM_CLOSE;
        break;
    case SDL_WINDOWEVENT:
        message.hwnd = FindWindowById(event.window.windowID);
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: message.message = WM_CLOSE; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            message.message = WM_SIZE;
            message.lParam = PackPoint(event.window.data1, event.window.data2);
            break;
        case SDL_WINDOWEVENT_MOVED:
            message.message = WM_MOVE;
            message.lParam = PackPoint(event.window.data1, event.window.data2);
            break;
        case SDL_WINDOWEVENT_EXPOSED: message.message = WM_PAINT; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: message.message = WM_SETFOCUS; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: message.message = WM_KILLFOCUS; break;
        default: break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        message.hwnd = FindWindowById(event.key.windowID);
        message.message = event.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP;
        message.wParam = static_cast<WPARAM>(event.key.keysym.scancode);
        break;
    case SDL_MOUSEMOTION:
        message.hwnd = FindWindowById(event.motion.windowID);
        message.message = WM_MOUSEMOVE;
        message.lParam = PackPoint(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        message.hwnd = FindWindowById(event.button.windowID);
        switch (event.button.button) {
        case SDL_BUTTON_LEFT: message.message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case SDL_BUTTON_RIGHT: message.message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        default: message.message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        }
        message.lParam = PackPoint(event.button.x, event.button.y);
        break;
    }
    case SDL_MOUSEWHEEL:
        message.hwnd = FindWindowById(event.wheel.windowID);
        message.message = WM_MOUSEWHEEL;
        break;
    default: break;
    }
    return message;
}

// The pointer has no use over a fullscreen picture.
void ShowPointerFor(SDL_Window* sdlWindow) {
    const bool fullscreen = (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN) != 0;
    SDL_ShowCursor(fullscreen ? SDL_DISABLE : SDL_ENABLE);
}

// F11, and Alt with either Enter key, belong to the window. Held keys repeat
// without switching again.
bool IsFullscreenShortcut(const SDL_KeyboardEvent& key) {
    if (key.type != SDL_KEYDOWN || key.repeat) return false;
    const SDL_Scancode code = key.keysym.scancode;
    if (code == SDL_SCANCODE_F11) return true;
    return (code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER) && (key.keysym.mod & KMOD_ALT) != 0;
}

// What the layer itself does with an event before it becomes a message.
void HandleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
        if (IsFullscreenShortcut(event.key)) {
            win32::WithholdKeyUntilReleased(event.key.keysym.scancode);
            if (HWND window = FindWindowById(event.key.windowID))
                win32::SetFullscreen(window, !win32::IsFullscreen(window));
        }
        break;
    case SDL_KEYUP: win32::NoteKeyReleased(event.key.keysym.scancode); break;
    case SDL_WINDOWEVENT:
        // The desktop may switch fullscreen by itself, too.
        if (SDL_Window* sdlWindow = win32::SdlWindowOf(FindWindowById(event.window.windowID)))
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) ShowPointerFor(sdlWindow);
        break;
    default: break;
    }
}

// The class's icon, when it came from a file, becomes the window's icon.
void SetIconOf(SDL_Window* sdlWindow, HICON icon) {
    const win32::IconImage* image = win32::IconPixels(icon);
    if (!image) return;
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<unsigned char*>(image->rgba.data()), image->width, image->height,
                                           32, image->width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) {
        vlog::Warn(vlog::Category::Video, "cannot set the window icon: %s", vlog::SdlError().c_str());
        return;
    }
    SDL_SetWindowIcon(sdlWindow, surface);
    SDL_FreeSurface(surface);
}

LRESULT CallWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window || !window->windowProc) return DefWindowProcA(window, message, wParam, lParam);
    return window->windowProc(window, message, wParam, lParam);
}
}  // namespace

namespace win32 {
bool EnsureVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) return true;
    vlog::Error(vlog::Category::Video, "cannot start the video system: %s", vlog::SdlError().c_str());
    return false;
}

void DestroyWindowsAwaitingContext() {
    for (auto& entry : WindowsById()) {
        HWND window = entry.second;
        if (window->destroyed && window->sdlWindow) {
            SDL_DestroyWindow(window->sdlWindow);
            window->sdlWindow = nullptr;
        }
    }
}

void SetApplicationId(const char* id) {
    if (!id || !*id) return;
    // Read by SDL when its video system starts; a choice made in the
    // environment stands.
    setenv("SDL_VIDEO_X11_WMCLASS", id, 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", id, 0);
}

SDL_Window* SdlWindowOf(HWND window) { return window && !window->destroyed ? window->sdlWindow : nullptr; }

bool IsFullscreen(HWND window) {
    SDL_Window* sdlWindow = SdlWindowOf(window);
    return sdlWindow && (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN) != 0;
}

bool SetFullscreen(HWND window, bool fullscreen) {
    SDL_Window* sdlWindow = SdlWindowOf(window);
    if (!sdlWindow) return false;
    const bool done = SDL_SetWindowFullscreen(sdlWindow, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
    if (!done)
        vlog::Warn(vlog::Category::Video, "cannot %s fullscreen: %s", fullscreen ? "switch to" : "leave",
                   vlog::SdlError().c_str());
    else
        vlog::Debug(vlog::Category::Video, fullscreen ? "fullscreen" : "windowed");
    ShowPointerFor(sdlWindow);
    return done;
}

void StartFullscreen(bool fullscreen) { g_startFullscreen = fullscreen; }
}  // namespace win32

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) || !windowClass->lpszClassName) return 0;
    if (Classes().count(windowClass->lpszClassName)) return 0;
    Classes()[windowClass->lpszClassName] = WindowClass{windowClass->lpfnWndProc, windowClass->hIcon};
    return g_nextAtom++;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) { return className && Classes().erase(className) ? TRUE : FALSE; }

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height, HWND,
                     HMENU, HINSTANCE, LPVOID) {
    if (!className) return nullptr;
    auto found = Classes().find(className);
    if (found == Classes().end()) return nullptr;
    if (!win32::EnsureVideo()) return nullptr;

    // The size given is taken as the client area: the game lays its screens
    // out for a full 800 x 600 picture.
    // On displays that scale, the picture is drawn at the display's own
    // resolution (Present fills the drawable, whatever its size).
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    SDL_Window* sdlWindow = SDL_CreateWindow(windowName ? windowName : "", x == 0 ? SDL_WINDOWPOS_CENTERED : x,
                                             y == 0 ? SDL_WINDOWPOS_CENTERED : y, width, height, flags);
    if (!sdlWindow) {
        vlog::Error(vlog::Category::Video, "cannot open a %d x %d window: %s", width, height, vlog::SdlError().c_str());
        return nullptr;
    }
    // An OpenGL window brings the GL library and Xlib's helpers in; they stay
    // mapped, as the GL driver does, so what they keep stays reachable.
    // (Pinning earlier, right after the video start, crashes LeakSanitizer's
    // tracer on X11.)
    gl::KeepLoadedLibrariesResident();

    SetIconOf(sdlWindow, found->second.icon);
    win32::SetX11TitleProperties(sdlWindow, windowName);

    AllHandles().push_back(std::make_unique<HWND__>());
    HWND window = AllHandles().back().get();
    window->sdlWindow = sdlWindow;
    window->sdlWindowId = SDL_GetWindowID(sdlWindow);
    window->windowProc = found->second.windowProc;
    WindowsById()[window->sdlWindowId] = window;
    CallWindowProc(window, WM_CREATE, 0, 0);
    if (style & WS_VISIBLE) ShowWindow(window, SW_SHOW);
    return window;
}

BOOL DestroyWindow(HWND window) {
    if (!window || window->destroyed) return FALSE;
    CallWindowProc(window, WM_DESTROY, 0, 0);
    window->destroyed = true;
    if (gl::HasContext() && gl::ContextWindow() == window->sdlWindow) {
        SDL_HideWindow(window->sdlWindow);
    } else {
        SDL_DestroyWindow(window->sdlWindow);
        window->sdlWindow = nullptr;
    }
    // The handle stays known (and refuses further use) so that late messages
    // addressed to it are harmless.
    return TRUE;
}

BOOL ShowWindow(HWND window, int showCommand) {
    SDL_Window* sdlWindow = win32::SdlWindowOf(window);
    if (!sdlWindow) return FALSE;
    const bool wasVisible = (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) != 0;
    switch (showCommand) {
    case SW_HIDE: SDL_HideWindow(sdlWindow); break;
    case SW_SHOWMINIMIZED:
        SDL_ShowWindow(sdlWindow);
        SDL_MinimizeWindow(sdlWindow);
        break;
    case SW_SHOWMAXIMIZED:
        SDL_ShowWindow(sdlWindow);
        SDL_MaximizeWindow(sdlWindow);
        break;
    default:
        if (g_startFullscreen) {
            g_startFullscreen = false;
            win32::SetFullscreen(window, true);
        }
        SDL_ShowWindow(sdlWindow);
        break;
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) { return win32::SdlWindowOf(window) ? TRUE : FALSE; }

BOOL IsWindow(HWND window) { return win32::SdlWindowOf(window) ? TRUE : FALSE; }

BOOL IsIconic(HWND window) {
    SDL_Window* sdlWindow = win32::SdlWindowOf(window);
    return sdlWindow && (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_MINIMIZED) != 0 ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
    SDL_Window* sdlWindow = win32::SdlWindowOf(window);
    return sdlWindow && (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) != 0 ? TRUE : FALSE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    SDL_Window* sdlWindow = win32::SdlWindowOf(window);
    if (!sdlWindow || !rect) return FALSE;
    int width = 0, height = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

BOOL PeekMessageA(LPMSG message, HWND, UINT, UINT, UINT removeMessage) {
    if (!message) return FALSE;
    auto& posted = PostedMessages();
    if (posted.empty() && SDL_WasInit(SDL_INIT_EVENTS)) {
        SDL_Event event;
        if (SDL_PollEvent(&event)) {
            HandleEvent(event);
            posted.push_back(MessageFromEvent(event));
        }
    }
    if (posted.empty()) return FALSE;
    *message = posted.front();
    if (removeMessage & PM_REMOVE) posted.pop_front();
    return TRUE;
}

BOOL TranslateMessage(const MSG* message) { return message && message->message == WM_KEYDOWN ? TRUE : FALSE; }

LRESULT DispatchMessageA(const MSG* message) {
    if (!message || !message->hwnd || message->hwnd->destroyed) return 0;
    return CallWindowProc(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window || window->destroyed) return 0;
    return CallWindowProc(window, message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = SDL_WasInit(SDL_INIT_TIMER) ? SDL_GetTicks() : 0;
    PostedMessages().push_back(posted);
    return TRUE;
}

void PostQuitMessage(int exitCode) { PostMessageA(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

BOOL WaitMessage() {
    if (!PostedMessages().empty()) return TRUE;
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return FALSE;
    SDL_WaitEventTimeout(nullptr, kWaitMessageLimitMs);
    return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return FakeHandle<HCURSOR>(0x1C1); }

HGDIOBJ GetStockObject(int object) {
    if (object < 0 || object > 19) return nullptr;
    return FakeHandle<HGDIOBJ>(0x1D0 + static_cast<UINT_PTR>(object));
}
