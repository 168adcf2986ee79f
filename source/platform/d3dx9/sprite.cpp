#include "platform/d3dx9/sprite.h"

ID3DXSprite::ID3DXSprite(IDirect3DDevice9* device) : m_device(device) { m_device->AddRef(); }

ID3DXSprite::~ID3DXSprite() { m_device->Release(); }

HRESULT ID3DXSprite::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    m_device->AddRef();
    *device = m_device;
    return D3D_OK;
}

HRESULT ID3DXSprite::Begin(DWORD flags) {
    if (m_inBatch) return D3DERR_INVALIDCALL;
    m_inBatch = true;
    m_flags = flags;
    return D3D_OK;
}

HRESULT ID3DXSprite::End() {
    if (!m_inBatch) return D3DERR_INVALIDCALL;
    m_inBatch = false;
    return D3D_OK;
}

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite) {
    if (!device || !sprite) return D3DERR_INVALIDCALL;
    *sprite = new ID3DXSprite(device);
    return D3D_OK;
}
