// Keyboard state by Windows virtual-key code, fed from SDL's scancode state
// (or from an input script, see platform/automation.h). SDL's state changes
// only when events are pumped (PeekMessageA does that once per message pass),
// so every read within one frame sees the same keys.
#pragma once
#include "platform/win32/wintypes.h"

using PBYTE = BYTE*;

constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_CLEAR = 0x0C;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
// Digits and letters use their ASCII codes ('0'..'9', 'A'..'Z').
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;
constexpr int VK_OEM_1 = 0xBA;
constexpr int VK_OEM_PLUS = 0xBB;
constexpr int VK_OEM_COMMA = 0xBC;
constexpr int VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE;
constexpr int VK_OEM_2 = 0xBF;
constexpr int VK_OEM_3 = 0xC0;
constexpr int VK_OEM_4 = 0xDB;
constexpr int VK_OEM_5 = 0xDC;
constexpr int VK_OEM_6 = 0xDD;
constexpr int VK_OEM_7 = 0xDE;

// 256 bytes, one per virtual-key code: 0x80 while the key is down, 0x01 the
// toggle that flips at each press of the key (kept for every key, as Windows
// does). Always succeeds for a non-null array.
BOOL GetKeyboardState(PBYTE keyState);
// Bit 0x8000 set while the key is down now.
SHORT GetAsyncKeyState(int virtualKey);

namespace win32 {
// The virtual-key code of a name as written after "VK_" ("RETURN", "LEFT",
// "Z", "5", "F1", "NUMPAD0", ...; case-insensitive), or 0 for an unknown name.
int VirtualKeyFromName(const char* name);
// The name of a code ("" when it has none).
const char* VirtualKeyName(int virtualKey);
// The code SDL's scancode maps to (0 when none); exposed for tests.
int VirtualKeyFromScancode(int sdlScancode);
// Down (bit 0x80) state of every key from SDL as the game sees it (withheld
// keys up), without toggles and without any input script; 0x80 or 0 per
// entry. Used by the recorder.
void ReadPhysicalKeys(BYTE down[256]);
// Observes the current keys so that toggles follow every press; the scene
// loop's frame hook calls it once per frame.
void RefreshKeyToggles();
// A key that completed a shortcut of the window (Alt+Enter, F11) is kept
// from the game until it is released, so the game never sees it pressed,
// even when Alt is let go first. The window's event handling calls these.
void WithholdKeyUntilReleased(int sdlScancode);
void NoteKeyReleased(int sdlScancode);
}  // namespace win32
