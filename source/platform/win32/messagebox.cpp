#include "platform/win32/messagebox.h"

#include "platform/log/log.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
unsigned g_shownCount = 0;
std::string g_lastText;
std::string g_lastCaption;

bool DesktopSessionAvailable() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

Uint32 SdlFlagsFor(UINT type) {
    switch (type & 0xF0u) {
    case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING: return SDL_MESSAGEBOX_WARNING;
    default: return SDL_MESSAGEBOX_INFORMATION;
    }
}

int ShowOnDesktop(const char* text, const char* caption, UINT type) {
    SDL_MessageBoxButtonData buttons[2]{};
    int buttonCount = 1;
    switch (type & 0x0Fu) {
    case MB_OKCANCEL:
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"};
        buttonCount = 2;
        break;
    case MB_YESNO:
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
        buttonCount = 2;
        break;
    default:
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"};
        break;
    }
    SDL_MessageBoxData data{};
    data.flags = SdlFlagsFor(type);
    data.title = caption;
    data.message = text;
    data.numbuttons = buttonCount;
    data.buttons = buttons;
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) return 0;
    return pressed < 0 ? buttons[0].buttonid : pressed;
}
}  // namespace

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    // A null caption is shown as "Error", as Windows does.
    const char* shownCaption = caption ? caption : "Error";
    const char* shownText = text ? text : "";
    ++g_shownCount;
    g_lastText = shownText;
    g_lastCaption = shownCaption;
    if (DesktopSessionAvailable()) {
        const int result = ShowOnDesktop(shownText, shownCaption, type);
        if (result != 0) return result;
    }
    // One line, whatever the text's own line breaks.
    std::string line = shownText;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    vlog::Error(vlog::Category::App, "[%s] %s", shownCaption, line.c_str());
    // Without a user to answer, the default (first) button stands.
    switch (type & 0x0Fu) {
    case MB_YESNO: return IDYES;
    default: return IDOK;
    }
}

namespace win32 {
unsigned MessageBoxCount() { return g_shownCount; }
const char* LastMessageBoxText() { return g_lastText.c_str(); }
const char* LastMessageBoxCaption() { return g_lastCaption.c_str(); }
}  // namespace win32
