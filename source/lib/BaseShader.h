// Effect holders for ordinary lighting: the base effect for static and
// skinned meshes, and the bump-map effect for normal-mapped skinned meshes.
// A holder sets the per-draw camera parameters and the technique; the mesh it
// is handed to sets its own material and bone parameters and runs the passes.
#pragma once
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/texture.h"
#include "platform/d3dx9/d3dx9math.h"
#include "platform/d3dx9/effect.h"

class CObject;

class BaseShader {
public:
    BaseShader();

    // A missing or broken file leaves the effect null, without a report.
    void CreateBaseEffect(const char* fileName, IDirect3DDevice9* device);
    void StaticMeshSetParam(const D3DXMATRIXA16& world, const D3DXMATRIXA16& view, const D3DXMATRIXA16& projection);
    void SetSkinningParam(const D3DXMATRIXA16* view, const D3DXMATRIXA16* projection);
    // Draws the sky dome and the sea with the static technique; the picture
    // is the one drawing the sky first and the sea over it gives.
    void DrawSkyAndSea(IDirect3DDevice9* device, CObject& sky, CObject& sea, const D3DXMATRIXA16& view,
                       const D3DXMATRIXA16& projection);
    void Release();

    ID3DXEffect* GetEffect() const { return m_lpEffect; }

private:
    ID3DXEffect* m_lpEffect;
};

class CBumpMap {
public:
    CBumpMap();

    // Compiles the effect; it creates no texture despite its name.
    void CreateBumpTexture(const char* fileName, IDirect3DDevice9* device);
    // Releases the effect; the normal map belongs to the texture cache.
    void UnLoadBumpData();
    void BumpMapSetParam(const D3DXMATRIXA16& view, const D3DXMATRIXA16& world, const D3DXMATRIXA16& projection,
                         D3DXVECTOR3 light, float scale);

    ID3DXEffect* GetEffect() const { return m_lpEffect; }
    void SetNormalMap(IDirect3DTexture9* normalMap) { m_lpNormalMap = normalMap; }
    IDirect3DTexture9* GetNormalMap() const { return m_lpNormalMap; }

private:
    ID3DXEffect* m_lpEffect;
    IDirect3DTexture9* m_lpNormalMap;  // not owned
};
