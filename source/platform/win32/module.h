// Module handles. The program is one module; its handle is a fixed token.
#pragma once
#include "platform/win32/wintypes.h"

// The running program's handle for a null name; null for any other name.
HMODULE GetModuleHandleA(LPCSTR moduleName);
