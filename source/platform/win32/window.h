// Window class, window and message queue of the Win32 subset, over SDL2.
// One SDL event becomes one message; closing the window arrives as WM_CLOSE,
// which DefWindowProcA turns into DestroyWindow and so WM_DESTROY, as on Windows.
#pragma once
#include "platform/win32/wintypes.h"

struct SDL_Window;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_USER = 0x0400;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr DWORD WS_OVERLAPPED = 0x00000000u;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000u;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
constexpr DWORD WS_THICKFRAME = 0x00040000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWDEFAULT = 10;

constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;

// Resource names given as small integers, as MAKEINTRESOURCE does.
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(static_cast<WORD>(i))))
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL DestroyWindow(HWND window);
BOOL ShowWindow(HWND window, int showCommand);
BOOL UpdateWindow(HWND window);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL IsWindow(HWND window);
// Minimised.
BOOL IsIconic(HWND window);
// Shown (neither hidden nor unmapped by the desktop).
BOOL IsWindowVisible(HWND window);

BOOL PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Blocks until a message is waiting. It returns at the latest after a tenth
// of a second, so a caller that checks a condition around it never waits on
// something that sends no message.
BOOL WaitMessage();

HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
#define LoadCursor LoadCursorA
HGDIOBJ GetStockObject(int object);

namespace win32 {
// The program's application id (the name of its desktop entry without
// ".desktop"): window managers read it as the windows' class (X11 WM_CLASS,
// Wayland app id) to match them to the entry and its icon. Takes effect for
// windows of a video system started after the call.
void SetApplicationId(const char* id);
// The SDL window behind a window handle (null for an unknown handle).
SDL_Window* SdlWindowOf(HWND window);
// Brings SDL's video and event subsystems up once; false when no video
// driver can be had.
bool EnsureVideo();
// A destroyed window whose GL context still lives stays hidden until the
// context goes; the context's release calls this.
void DestroyWindowsAwaitingContext();

// Desktop fullscreen: the window covers its screen at the desktop's own
// resolution, and the mouse pointer is hidden while it does. F11 and
// Alt+Enter switch it when their key event is taken from the queue
// (PeekMessageA); the key that completes the shortcut never reaches the
// game's keyboard state.
bool IsFullscreen(HWND window);
bool SetFullscreen(HWND window, bool fullscreen);
// The first window shown afterwards goes fullscreen as it is shown.
void StartFullscreen(bool fullscreen);
}  // namespace win32
