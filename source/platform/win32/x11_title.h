// Window titles as X11 window managers read them.
//
// SDL stores the title twice: as _NET_WM_NAME (UTF-8, correct) and as the
// legacy WM_NAME, converted to the locale's character set but labelled
// STRING. The game's title is not Latin-1, and under the C locale the UTF-8
// bytes end up in a STRING property, which every reader decodes as Latin-1:
// garbled. The icon names are not set at all. Here the legacy properties are
// rewritten as the ICCCM asks, STRING when the text is Latin-1 and
// COMPOUND_TEXT otherwise, and the icon names are set to the title too.
#pragma once

struct SDL_Window;

namespace win32 {
// Does nothing for a window that is not on an X11 display.
void SetX11TitleProperties(SDL_Window* window, const char* utf8Title);
}  // namespace win32
