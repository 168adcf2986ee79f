// ID3DXSprite: batched 2D drawing of texture rectangles in screen pixels.
#pragma once
#include "platform/d3d9/d3d9.h"

constexpr DWORD D3DXSPRITE_DONOTSAVESTATE = 0x00000001u;
constexpr DWORD D3DXSPRITE_DONOTMODIFY_RENDERSTATE = 0x00000002u;
constexpr DWORD D3DXSPRITE_OBJECTSPACE = 0x00000004u;
constexpr DWORD D3DXSPRITE_BILLBOARD = 0x00000008u;
constexpr DWORD D3DXSPRITE_ALPHABLEND = 0x00000010u;

class ID3DXSprite : public IUnknown {
public:
    explicit ID3DXSprite(IDirect3DDevice9* device);
    HRESULT GetDevice(IDirect3DDevice9** device);
    HRESULT Begin(DWORD flags);
    HRESULT End();
    HRESULT OnLostDevice() { return D3D_OK; }
    HRESULT OnResetDevice() { return D3D_OK; }
    bool InBatch() const { return m_inBatch; }
    DWORD Flags() const { return m_flags; }

private:
    ~ID3DXSprite() override;
    IDirect3DDevice9* m_device;
    bool m_inBatch = false;
    DWORD m_flags = 0;
};
using LPD3DXSPRITE = ID3DXSprite*;

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite);
