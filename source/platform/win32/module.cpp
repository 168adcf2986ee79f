#include "platform/win32/module.h"

namespace {
char g_programModule;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    return moduleName ? nullptr : reinterpret_cast<HMODULE>(&g_programModule);
}
