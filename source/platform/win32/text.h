// Wide text, as the music loader needs it.
// WCHAR is UTF-16; the "system code page" of this system is UTF-8.
#pragma once
#include "platform/win32/process.h"
#include "platform/win32/wintypes.h"

using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// Converts byteCount bytes of UTF-8 (-1: up to and including the NUL) into
// UTF-16. With wideCount 0 returns the units needed; otherwise the units
// written, or 0 when they do not fit or the text is not valid UTF-8.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int byteCount, LPWSTR wide, int wideCount);
