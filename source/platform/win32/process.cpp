#include "platform/win32/process.h"
#include "platform/fs/path.h"

#include <unistd.h>

#include <cstring>
#include <string>

namespace {
int g_comInitCount = 0;
}

HRESULT CoInitialize(LPVOID) { return g_comInitCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
    if (g_comInitCount > 0) --g_comInitCount;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    char path[4096];
    if (!getcwd(path, sizeof path)) return 0;
    const DWORD length = static_cast<DWORD>(std::strlen(path));
    if (!buffer || bufferLength < length + 1) return length + 1;
    std::memcpy(buffer, path, length + 1);
    return length;
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    if (!path || !*path) return FALSE;
    return chdir(ResolveCaseInsensitivePath(path).c_str()) == 0 ? TRUE : FALSE;
}
