// MessageBoxA: a modal SDL message box in a desktop session; with no display
// (or the offscreen video driver) one line on standard error, never blocking.
#pragma once
#include "platform/win32/wintypes.h"

constexpr UINT MB_OK = 0x00000000u;
constexpr UINT MB_OKCANCEL = 0x00000001u;
constexpr UINT MB_YESNO = 0x00000004u;
constexpr UINT MB_ICONERROR = 0x00000010u;
constexpr UINT MB_ICONHAND = MB_ICONERROR;
constexpr UINT MB_ICONQUESTION = 0x00000020u;
constexpr UINT MB_ICONWARNING = 0x00000030u;
constexpr UINT MB_ICONEXCLAMATION = MB_ICONWARNING;
constexpr UINT MB_ICONINFORMATION = 0x00000040u;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

namespace win32 {
// How many message boxes were shown since start, so tests can check that a
// failure was reported exactly once.
unsigned MessageBoxCount();
// The most recent message box's text and caption ("" before the first).
const char* LastMessageBoxText();
const char* LastMessageBoxCaption();
}  // namespace win32
