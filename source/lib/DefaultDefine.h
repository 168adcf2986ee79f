// The error report for a failed Direct3D call: a message box naming the
// source, the line and the error code.
#pragma once
#include "platform/win32/wintypes.h"

int ShowDXErrorString(HRESULT result);
