#include "platform/win32/keyboard.h"

#include <SDL.h>

#include <cstring>
#include <strings.h>

#include "platform/automation.h"

namespace {
struct KeyEntry {
    int virtualKey;
    const char* name;
    SDL_Scancode scancode;
    SDL_Scancode alternative;  // a second physical key giving the same code
};

constexpr SDL_Scancode NONE = SDL_SCANCODE_UNKNOWN;

// Keys that have no scancode of their own (SHIFT, CONTROL, MENU) are derived
// from their left and right keys.
const KeyEntry kKeys[] = {
    {VK_BACK, "BACK", SDL_SCANCODE_BACKSPACE, NONE},
    {VK_TAB, "TAB", SDL_SCANCODE_TAB, NONE},
    {VK_CLEAR, "CLEAR", SDL_SCANCODE_CLEAR, SDL_SCANCODE_KP_CLEAR},
    {VK_RETURN, "RETURN", SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER},
    {VK_SHIFT, "SHIFT", NONE, NONE},
    {VK_CONTROL, "CONTROL", NONE, NONE},
    {VK_MENU, "MENU", NONE, NONE},
    {VK_PAUSE, "PAUSE", SDL_SCANCODE_PAUSE, NONE},
    {VK_CAPITAL, "CAPITAL", SDL_SCANCODE_CAPSLOCK, NONE},
    {VK_ESCAPE, "ESCAPE", SDL_SCANCODE_ESCAPE, NONE},
    {VK_SPACE, "SPACE", SDL_SCANCODE_SPACE, NONE},
    {VK_PRIOR, "PRIOR", SDL_SCANCODE_PAGEUP, NONE},
    {VK_NEXT, "NEXT", SDL_SCANCODE_PAGEDOWN, NONE},
    {VK_END, "END", SDL_SCANCODE_END, NONE},
    {VK_HOME, "HOME", SDL_SCANCODE_HOME, NONE},
    {VK_LEFT, "LEFT", SDL_SCANCODE_LEFT, NONE},
    {VK_UP, "UP", SDL_SCANCODE_UP, NONE},
    {VK_RIGHT, "RIGHT", SDL_SCANCODE_RIGHT, NONE},
    {VK_DOWN, "DOWN", SDL_SCANCODE_DOWN, NONE},
    {VK_SNAPSHOT, "SNAPSHOT", SDL_SCANCODE_PRINTSCREEN, NONE},
    {VK_INSERT, "INSERT", SDL_SCANCODE_INSERT, NONE},
    {VK_DELETE, "DELETE", SDL_SCANCODE_DELETE, NONE},
    {'0', "0", SDL_SCANCODE_0, NONE},
    {'1', "1", SDL_SCANCODE_1, NONE},
    {'2', "2", SDL_SCANCODE_2, NONE},
    {'3', "3", SDL_SCANCODE_3, NONE},
    {'4', "4", SDL_SCANCODE_4, NONE},
    {'5', "5", SDL_SCANCODE_5, NONE},
    {'6', "6", SDL_SCANCODE_6, NONE},
    {'7', "7", SDL_SCANCODE_7, NONE},
    {'8', "8", SDL_SCANCODE_8, NONE},
    {'9', "9", SDL_SCANCODE_9, NONE},
    {'A', "A", SDL_SCANCODE_A, NONE},
    {'B', "B", SDL_SCANCODE_B, NONE},
    {'C', "C", SDL_SCANCODE_C, NONE},
    {'D', "D", SDL_SCANCODE_D, NONE},
    {'E', "E", SDL_SCANCODE_E, NONE},
    {'F', "F", SDL_SCANCODE_F, NONE},
    {'G', "G", SDL_SCANCODE_G, NONE},
    {'H', "H", SDL_SCANCODE_H, NONE},
    {'I', "I", SDL_SCANCODE_I, NONE},
    {'J', "J", SDL_SCANCODE_J, NONE},
    {'K', "K", SDL_SCANCODE_K, NONE},
    {'L', "L", SDL_SCANCODE_L, NONE},
    {'M', "M", SDL_SCANCODE_M, NONE},
    {'N', "N", SDL_SCANCODE_N, NONE},
    {'O', "O", SDL_SCANCODE_O, NONE},
    {'P', "P", SDL_SCANCODE_P, NONE},
    {'Q', "Q", SDL_SCANCODE_Q, NONE},
    {'R', "R", SDL_SCANCODE_R, NONE},
    {'S', "S", SDL_SCANCODE_S, NONE},
    {'T', "T", SDL_SCANCODE_T, NONE},
    {'U', "U", SDL_SCANCODE_U, NONE},
    {'V', "V", SDL_SCANCODE_V, NONE},
    {'W', "W", SDL_SCANCODE_W, NONE},
    {'X', "X", SDL_SCANCODE_X, NONE},
    {'Y', "Y", SDL_SCANCODE_Y, NONE},
    {'Z', "Z", SDL_SCANCODE_Z, NONE},
    {VK_LWIN, "LWIN", SDL_SCANCODE_LGUI, NONE},
    {VK_RWIN, "RWIN", SDL_SCANCODE_RGUI, NONE},
    {VK_APPS, "APPS", SDL_SCANCODE_APPLICATION, NONE},
    {VK_NUMPAD0 + 0, "NUMPAD0", SDL_SCANCODE_KP_0, NONE},
    {VK_NUMPAD0 + 1, "NUMPAD1", SDL_SCANCODE_KP_1, NONE},
    {VK_NUMPAD0 + 2, "NUMPAD2", SDL_SCANCODE_KP_2, NONE},
    {VK_NUMPAD0 + 3, "NUMPAD3", SDL_SCANCODE_KP_3, NONE},
    {VK_NUMPAD0 + 4, "NUMPAD4", SDL_SCANCODE_KP_4, NONE},
    {VK_NUMPAD0 + 5, "NUMPAD5", SDL_SCANCODE_KP_5, NONE},
    {VK_NUMPAD0 + 6, "NUMPAD6", SDL_SCANCODE_KP_6, NONE},
    {VK_NUMPAD0 + 7, "NUMPAD7", SDL_SCANCODE_KP_7, NONE},
    {VK_NUMPAD0 + 8, "NUMPAD8", SDL_SCANCODE_KP_8, NONE},
    {VK_NUMPAD0 + 9, "NUMPAD9", SDL_SCANCODE_KP_9, NONE},
    {VK_MULTIPLY, "MULTIPLY", SDL_SCANCODE_KP_MULTIPLY, NONE},
    {VK_ADD, "ADD", SDL_SCANCODE_KP_PLUS, NONE},
    {VK_SUBTRACT, "SUBTRACT", SDL_SCANCODE_KP_MINUS, NONE},
    {VK_DECIMAL, "DECIMAL", SDL_SCANCODE_KP_PERIOD, NONE},
    {VK_DIVIDE, "DIVIDE", SDL_SCANCODE_KP_DIVIDE, NONE},
    {VK_F1 + 0, "F1", SDL_SCANCODE_F1, NONE},
    {VK_F1 + 1, "F2", SDL_SCANCODE_F2, NONE},
    {VK_F1 + 2, "F3", SDL_SCANCODE_F3, NONE},
    {VK_F1 + 3, "F4", SDL_SCANCODE_F4, NONE},
    {VK_F1 + 4, "F5", SDL_SCANCODE_F5, NONE},
    {VK_F1 + 5, "F6", SDL_SCANCODE_F6, NONE},
    {VK_F1 + 6, "F7", SDL_SCANCODE_F7, NONE},
    {VK_F1 + 7, "F8", SDL_SCANCODE_F8, NONE},
    {VK_F1 + 8, "F9", SDL_SCANCODE_F9, NONE},
    {VK_F1 + 9, "F10", SDL_SCANCODE_F10, NONE},
    {VK_F1 + 10, "F11", SDL_SCANCODE_F11, NONE},
    {VK_F1 + 11, "F12", SDL_SCANCODE_F12, NONE},
    {VK_NUMLOCK, "NUMLOCK", SDL_SCANCODE_NUMLOCKCLEAR, NONE},
    {VK_SCROLL, "SCROLL", SDL_SCANCODE_SCROLLLOCK, NONE},
    {VK_LSHIFT, "LSHIFT", SDL_SCANCODE_LSHIFT, NONE},
    {VK_RSHIFT, "RSHIFT", SDL_SCANCODE_RSHIFT, NONE},
    {VK_LCONTROL, "LCONTROL", SDL_SCANCODE_LCTRL, NONE},
    {VK_RCONTROL, "RCONTROL", SDL_SCANCODE_RCTRL, NONE},
    {VK_LMENU, "LMENU", SDL_SCANCODE_LALT, NONE},
    {VK_RMENU, "RMENU", SDL_SCANCODE_RALT, NONE},
    {VK_OEM_1, "OEM_1", SDL_SCANCODE_SEMICOLON, NONE},
    {VK_OEM_PLUS, "OEM_PLUS", SDL_SCANCODE_EQUALS, NONE},
    {VK_OEM_COMMA, "OEM_COMMA", SDL_SCANCODE_COMMA, NONE},
    {VK_OEM_MINUS, "OEM_MINUS", SDL_SCANCODE_MINUS, NONE},
    {VK_OEM_PERIOD, "OEM_PERIOD", SDL_SCANCODE_PERIOD, NONE},
    {VK_OEM_2, "OEM_2", SDL_SCANCODE_SLASH, NONE},
    {VK_OEM_3, "OEM_3", SDL_SCANCODE_GRAVE, NONE},
    {VK_OEM_4, "OEM_4", SDL_SCANCODE_LEFTBRACKET, NONE},
    {VK_OEM_5, "OEM_5", SDL_SCANCODE_BACKSLASH, NONE},
    {VK_OEM_6, "OEM_6", SDL_SCANCODE_RIGHTBRACKET, NONE},
    {VK_OEM_7, "OEM_7", SDL_SCANCODE_APOSTROPHE, NONE},
};

// Windows flips a key's toggle bit at every press. We flip it at every press
// that a read of the state observes; the scene loop reads once per frame
// through the automation hook, so no press between frames is missed.
BYTE g_toggled[256];
BYTE g_lastDown[256];
bool g_withheld[SDL_NUM_SCANCODES];

bool ScancodeDown(const Uint8* state, int count, SDL_Scancode code) {
    if (code == NONE || static_cast<int>(code) >= count || !state[code]) return false;
    return !g_withheld[code];
}

// Fills the generic SHIFT, CONTROL and MENU entries from their sides.
void DeriveGenericKeys(BYTE down[256]) {
    down[VK_SHIFT] |= down[VK_LSHIFT] | down[VK_RSHIFT];
    down[VK_CONTROL] |= down[VK_LCONTROL] | down[VK_RCONTROL];
    down[VK_MENU] |= down[VK_LMENU] | down[VK_RMENU];
}

// The down state the game sees (script or SDL), with toggles brought up to
// date.
void Sample(BYTE down[256]) {
    if (automation::InputScriptActive()) {
        for (int vk = 0; vk < 256; ++vk) down[vk] = automation::ScriptedKeyDown(vk) ? 0x80 : 0;
        DeriveGenericKeys(down);
    } else {
        win32::ReadPhysicalKeys(down);
    }
    for (int vk = 0; vk < 256; ++vk) {
        if (down[vk] && !g_lastDown[vk]) g_toggled[vk] ^= 0x01;
        g_lastDown[vk] = down[vk];
    }
}
}  // namespace

BOOL GetKeyboardState(PBYTE keyState) {
    if (!keyState) return FALSE;
    BYTE down[256];
    Sample(down);
    for (int vk = 0; vk < 256; ++vk) keyState[vk] = static_cast<BYTE>(down[vk] | g_toggled[vk]);
    return TRUE;
}

SHORT GetAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    BYTE down[256];
    Sample(down);
    return down[virtualKey] ? static_cast<SHORT>(0x8000) : 0;
}

namespace win32 {
int VirtualKeyFromName(const char* name) {
    if (!name) return 0;
    for (const KeyEntry& key : kKeys)
        if (strcasecmp(key.name, name) == 0) return key.virtualKey;
    return 0;
}

const char* VirtualKeyName(int virtualKey) {
    for (const KeyEntry& key : kKeys)
        if (key.virtualKey == virtualKey) return key.name;
    return "";
}

int VirtualKeyFromScancode(int sdlScancode) {
    if (sdlScancode == NONE) return 0;
    for (const KeyEntry& key : kKeys)
        if (key.scancode == sdlScancode || key.alternative == sdlScancode) return key.virtualKey;
    return 0;
}

void ReadPhysicalKeys(BYTE down[256]) {
    std::memset(down, 0, 256);
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    if (state) {
        // A withheld key seen up was released, even if its event is still
        // to come.
        for (int code = 0; code < count && code < SDL_NUM_SCANCODES; ++code)
            if (!state[code]) g_withheld[code] = false;
        for (const KeyEntry& key : kKeys)
            if (ScancodeDown(state, count, key.scancode) || ScancodeDown(state, count, key.alternative))
                down[key.virtualKey] = 0x80;
    }
    DeriveGenericKeys(down);
}

void RefreshKeyToggles() {
    BYTE down[256];
    Sample(down);
}

void WithholdKeyUntilReleased(int sdlScancode) {
    if (sdlScancode > 0 && sdlScancode < SDL_NUM_SCANCODES) g_withheld[sdlScancode] = true;
}

void NoteKeyReleased(int sdlScancode) {
    if (sdlScancode > 0 && sdlScancode < SDL_NUM_SCANCODES) g_withheld[sdlScancode] = false;
}
}  // namespace win32
