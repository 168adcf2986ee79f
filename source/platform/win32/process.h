// Process-level pieces of the Win32 subset: COM start and end, and the
// current directory.
#pragma once
#include "platform/win32/wintypes.h"

HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

constexpr DWORD MAX_PATH = 260;
// Writes the current directory into buffer (with its terminating zero) and
// returns its length; with a buffer too small, returns the size needed
// including the zero and writes nothing.
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);
// Accepts '\' as a separator and resolves each component without regard to
// letter case when the path does not exist as written.
BOOL SetCurrentDirectoryA(LPCSTR path);
