// CXFile: a static mesh from an X file with its materials and textures,
// drawn with the fixed-function pipeline or through an effect. Can be
// rebuilt once into the tangent-space layout for normal-mapped effects.
#pragma once
#include "platform/d3d9/texture.h"
#include "platform/d3d9/vertex_declaration.h"
#include "platform/d3dx9/effect.h"
#include "platform/d3dx9/mesh.h"

class CXFile {
public:
    CXFile();
    virtual ~CXFile();

    // 1 when the mesh loaded, 0 otherwise (nothing is shown).
    int LoadXFile(IDirect3DDevice9* device, const char* fileName);
    // Position, normal, tangent, texture coordinates; does nothing when no
    // mesh is loaded.
    void CreateTangentMesh(IDirect3DDevice9* device);
    void SetEffectAddress(ID3DXEffect* effect) { m_lpEffect = effect; }
    void DrawXFile(IDirect3DDevice9* device);
    void DrawHLSL(IDirect3DDevice9* device);
    void UnloadXFile();

    IDirect3DVertexDeclaration9* m_lpDecl;
    ID3DXMesh* m_lpTangentMesh;
    ID3DXEffect* m_lpEffect;
    ID3DXMesh* m_lpMesh;
    D3DMATERIAL9* m_lpMaterials;
    IDirect3DTexture9** m_lpTextures;
    DWORD m_NumMaterials;
    ID3DXBuffer* m_lpAdjacency;
    D3DXVECTOR3 m_BoxMin, m_BoxMax, m_BoxSize;
    D3DXVECTOR3 m_SphereCenter;
    float m_SphereRadius;
};

// The tangent-space layout shared by the static and the skinned meshes.
extern const D3DVERTEXELEMENT9 kTangentSpaceDeclaration[5];
