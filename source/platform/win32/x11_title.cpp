#include "platform/win32/x11_title.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstring>

#include "platform/log/log.h"

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

namespace win32 {
void SetX11TitleProperties(SDL_Window* window, const char* utf8Title) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display* display = info.info.x11.display;
    const Window xwindow = info.info.x11.window;
    char* list[] = {const_cast<char*>(utf8Title ? utf8Title : "")};

    XTextProperty legacy{};
    const int status = Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &legacy);
    if (status == Success) {
        XSetWMName(display, xwindow, &legacy);
        XSetWMIconName(display, xwindow, &legacy);
        XFree(legacy.value);
    } else {
        vlog::Warn(vlog::Category::Video, "cannot convert the window title for WM_NAME (Xlib status %d)", status);
    }
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom iconName = XInternAtom(display, "_NET_WM_ICON_NAME", False);
    XChangeProperty(display, xwindow, iconName, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list[0]), static_cast<int>(std::strlen(list[0])));
    XFlush(display);
#else
    (void)window;
    (void)utf8Title;
#endif
}
}  // namespace win32
