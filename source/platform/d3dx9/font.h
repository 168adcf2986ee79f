// ID3DXFont: the font object the device holder creates. Nothing in the game
// draws text with it, so it keeps its description only.
#pragma once
#include <string>

#include "platform/d3d9/d3d9.h"

constexpr UINT DEFAULT_CHARSET = 1;
constexpr UINT OUT_DEFAULT_PRECIS = 0;
constexpr UINT DEFAULT_QUALITY = 0;
constexpr UINT DEFAULT_PITCH = 0;
constexpr UINT FF_DONTCARE = 0;

struct D3DXFONT_DESCA {
    INT Height;
    UINT Width;
    UINT Weight;
    UINT MipLevels;
    BOOL Italic;
    BYTE CharSet;
    BYTE OutputPrecision;
    BYTE Quality;
    BYTE PitchAndFamily;
    CHAR FaceName[32];
};

class ID3DXFont : public IUnknown {
public:
    ID3DXFont(IDirect3DDevice9* device, const D3DXFONT_DESCA& description);
    HRESULT GetDescA(D3DXFONT_DESCA* description);
    HRESULT OnLostDevice() { return D3D_OK; }
    HRESULT OnResetDevice() { return D3D_OK; }

private:
    ~ID3DXFont() override;
    IDirect3DDevice9* m_device;
    D3DXFONT_DESCA m_description;
};
using LPD3DXFONT = ID3DXFont*;

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels, BOOL italic,
                        DWORD charSet, DWORD outputPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName,
                        ID3DXFont** font);
