// Shadow of a skinned character cast from a point light onto a static
// receiver: a depth map rendered from the light, then the receiver drawn with
// the map projected onto it.
#pragma once
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/texture.h"
#include "platform/d3dx9/d3dx9math.h"
#include "platform/d3dx9/effect.h"

class CShadowMap {
public:
    CShadowMap();

    // The map prefers one float channel and falls back to A8R8G8B8.
    void CreateShadowMapEffect(const char* fileName, UINT width, UINT height, IDirect3DDevice9* device);
    // Level 0 of the map and the own depth surface become the device's targets.
    void ChabgeRenderTarget(IDirect3DDevice9* device);
    void SkinObjectCreateShadowMap(D3DXVECTOR3 lightPosition, D3DXVECTOR3 lookAt);
    void ShadowMapSetParam(const D3DXMATRIXA16& world, const D3DXMATRIXA16& view, const D3DXMATRIXA16& projection,
                           D3DXVECTOR3 lightPosition, D3DXVECTOR3 lookAt, UINT mapWidth, UINT mapHeight);
    void UnLoadStaticShadowMap();

    ID3DXEffect* GetEffect() const { return m_lpEffect; }
    IDirect3DTexture9* GetShadowTexture() const { return m_lpShadowTexture; }

    static D3DXMATRIX LightView(const D3DXVECTOR3& lightPosition, const D3DXVECTOR3& lookAt);
    static D3DXMATRIX LightProjection();
    // Clip space to map coordinates, with the half-texel offset of the map.
    static D3DXMATRIX TextureBias(UINT mapWidth, UINT mapHeight);

private:
    IDirect3DTexture9* m_lpShadowTexture;
    IDirect3DSurface9* m_lpDepthSurface;
    ID3DXEffect* m_lpEffect;
};
