#include "platform/d3dx9/font.h"

#include <cstring>

ID3DXFont::ID3DXFont(IDirect3DDevice9* device, const D3DXFONT_DESCA& description)
    : m_device(device), m_description(description) {
    m_device->AddRef();
}

ID3DXFont::~ID3DXFont() { m_device->Release(); }

HRESULT ID3DXFont::GetDescA(D3DXFONT_DESCA* description) {
    if (!description) return D3DERR_INVALIDCALL;
    *description = m_description;
    return D3D_OK;
}

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels, BOOL italic,
                        DWORD charSet, DWORD outputPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName,
                        ID3DXFont** font) {
    if (!device || !font) return D3DERR_INVALIDCALL;
    D3DXFONT_DESCA description{};
    description.Height = height;
    description.Width = width;
    description.Weight = weight;
    description.MipLevels = mipLevels;
    description.Italic = italic;
    description.CharSet = static_cast<BYTE>(charSet);
    description.OutputPrecision = static_cast<BYTE>(outputPrecision);
    description.Quality = static_cast<BYTE>(quality);
    description.PitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) std::strncpy(description.FaceName, faceName, sizeof description.FaceName - 1);
    *font = new ID3DXFont(device, description);
    return D3D_OK;
}
