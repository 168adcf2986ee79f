#include "lib/DefaultDefine.h"

#include <cstdio>

#include "platform/win32/messagebox.h"

int ShowDXErrorString(HRESULT result) {
    char text[160];
    std::snprintf(text, sizeof text, "File: DefaultDefine\nLine: 64\nError Code: 0x%08X",
                  static_cast<unsigned>(result));
    MessageBoxA(nullptr, text, "Unexpected error encountered", MB_OK | MB_ICONERROR);
    return static_cast<int>(result);
}
