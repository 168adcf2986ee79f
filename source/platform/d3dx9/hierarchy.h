// Frame hierarchies as D3DX hands them to the program: frames with their
// matrices and mesh containers, allocated and freed by the program's own
// ID3DXAllocateHierarchy.
#pragma once
#include "platform/d3dx9/mesh.h"
#include "platform/d3dx9/skin_info.h"

using LPSTR = char*;

struct D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
};
using LPD3DXMATERIAL = D3DXMATERIAL*;

struct D3DXEFFECTDEFAULT;
struct D3DXEFFECTINSTANCE {
    LPSTR pEffectFilename;
    DWORD NumDefaults;
    D3DXEFFECTDEFAULT* pDefaults;
};

enum D3DXMESHDATATYPE : DWORD {
    D3DXMESHTYPE_MESH = 1,
    D3DXMESHTYPE_PMESH = 2,
    D3DXMESHTYPE_PATCHMESH = 3,
};

struct D3DXMESHDATA {
    D3DXMESHDATATYPE Type;
    union {
        ID3DXMesh* pMesh;
        void* pPMesh;
        void* pPatchMesh;
    };
};

struct D3DXMESHCONTAINER {
    LPSTR Name;
    D3DXMESHDATA MeshData;
    D3DXMATERIAL* pMaterials;
    D3DXEFFECTINSTANCE* pEffects;
    DWORD NumMaterials;
    DWORD* pAdjacency;
    ID3DXSkinInfo* pSkinInfo;
    D3DXMESHCONTAINER* pNextMeshContainer;
};
using LPD3DXMESHCONTAINER = D3DXMESHCONTAINER*;

struct D3DXFRAME {
    LPSTR Name;
    D3DXMATRIX TransformationMatrix;
    D3DXMESHCONTAINER* pMeshContainer;
    D3DXFRAME* pFrameSibling;
    D3DXFRAME* pFrameFirstChild;
};
using LPD3DXFRAME = D3DXFRAME*;

class ID3DXAllocateHierarchy {
public:
    virtual HRESULT CreateFrame(LPCSTR name, LPD3DXFRAME* newFrame) = 0;
    virtual HRESULT CreateMeshContainer(LPCSTR name, const D3DXMESHDATA* meshData, const D3DXMATERIAL* materials,
                                        const D3DXEFFECTINSTANCE* effectInstances, DWORD materialCount,
                                        const DWORD* adjacency, LPD3DXSKININFO skinInfo,
                                        LPD3DXMESHCONTAINER* newMeshContainer) = 0;
    virtual HRESULT DestroyFrame(LPD3DXFRAME frame) = 0;
    virtual HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER meshContainer) = 0;

protected:
    ~ID3DXAllocateHierarchy() = default;
};
using LPD3DXALLOCATEHIERARCHY = ID3DXAllocateHierarchy*;

class ID3DXLoadUserData;

// Depth first: the frame itself, its children, then its siblings.
LPD3DXFRAME D3DXFrameFind(const D3DXFRAME* root, LPCSTR name);
// Frees the frame, its mesh containers, its children and its siblings
// through the allocator.
HRESULT D3DXFrameDestroy(LPD3DXFRAME root, LPD3DXALLOCATEHIERARCHY allocator);
