#include <SDL.h>

#include "platform/d3d9/d3d9.h"
#include "platform/win32/window.h"

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    if (!win32::EnsureVideo()) return nullptr;
    return new IDirect3D9;
}

HRESULT IDirect3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (!mode || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
        // Headless drivers may report no display; the picture is offscreen
        // anyway, so a plain 32-bit mode stands in.
        desktop.w = 1024;
        desktop.h = 768;
        desktop.refresh_rate = 60;
    }
    mode->Width = static_cast<UINT>(desktop.w);
    mode->Height = static_cast<UINT>(desktop.h);
    mode->RefreshRate = static_cast<UINT>(desktop.refresh_rate);
    mode->Format = D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT IDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE, HWND focusWindow, DWORD,
                                 D3DPRESENT_PARAMETERS* presentationParameters, IDirect3DDevice9** device) {
    if (!device || !presentationParameters || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    *device = nullptr;
    HWND window = presentationParameters->hDeviceWindow ? presentationParameters->hDeviceWindow : focusWindow;
    if (!win32::SdlWindowOf(window)) return D3DERR_INVALIDCALL;
    if (IDirect3DDevice9::Current()) return D3DERR_NOTAVAILABLE;
    IDirect3DDevice9* created = IDirect3DDevice9::Create(window, *presentationParameters);
    if (!created) return D3DERR_NOTAVAILABLE;
    *device = created;
    return D3D_OK;
}
