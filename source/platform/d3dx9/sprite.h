// ID3DXSprite: 2D drawing of texture rectangles in screen pixels (top-left
// origin), queued between Begin and End and drawn at End in as few GL draws
// as the texture changes allow, with the device's sampler state of that
// moment. One screen pixel is one texel at scale 1, with no half-pixel shift.
#pragma once
#include <vector>

#include "platform/d3d9/d3d9.h"

class IDirect3DTexture9;

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
    // Draws the source rectangle (the whole texture when null) so that the
    // centre point of it lands on the position, then through the transform.
    // A D3DXVECTOR3 and a D3DXMATRIX pass for the base types.
    HRESULT Draw(IDirect3DTexture9* texture, const RECT* sourceRect, const D3DVECTOR* center, const D3DVECTOR* position,
                 D3DCOLOR colour);
    HRESULT SetTransform(const D3DMATRIX* transform);
    HRESULT GetTransform(D3DMATRIX* transform);
    HRESULT Flush();
    HRESULT End();
    HRESULT OnLostDevice() { return D3D_OK; }
    HRESULT OnResetDevice() { return D3D_OK; }
    // GL draw calls made by the last flush, for tests of the batching.
    unsigned LastFlushDrawCount() const { return m_lastFlushDraws; }

private:
    ~ID3DXSprite() override;

    struct Vertex {
        float x, y, z, rhw;
        D3DCOLOR colour;
        float u, v;
    };
    struct Quad {
        IDirect3DTexture9* texture;
        Vertex corners[4];
    };

    IDirect3DDevice9* m_device;
    bool m_inBatch = false;
    DWORD m_flags = 0;
    D3DMATRIX m_transform{};
    std::vector<Quad> m_quads;
    std::vector<Vertex> m_scratch;
    unsigned m_lastFlushDraws = 0;
};
using LPD3DXSPRITE = ID3DXSprite*;

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite);
