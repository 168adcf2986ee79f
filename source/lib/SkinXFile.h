// CSkinXFile: a skinned character from an X file. The hierarchy loader
// builds the frames and mesh containers through CAllocateHierarchy, which
// turns every skinned mesh into an indexed, blended, tangent-space mesh
// with a palette of at most 26 bone matrices; drawing runs the skinning in
// the effect's vertex program. The animation controller loaded with the
// file is a template that each animated object clones.
#pragma once
#include <string>

#include "platform/d3d9/texture.h"
#include "platform/d3dx9/animation.h"
#include "platform/d3dx9/effect.h"
#include "platform/d3dx9/hierarchy.h"

struct D3DXFRAME_DERIVED : D3DXFRAME {
    D3DXMATRIXA16 CombinedTransformationMatrix;
};

struct D3DXMESHCONTAINER_DERIVED : D3DXMESHCONTAINER {
    IDirect3DTexture9** ppTextures;
    ID3DXMesh* pOrigMesh;
    D3DXATTRIBUTERANGE* pAttributeTable;
    DWORD NumAttributeGroups;
    DWORD NumInfl;
    ID3DXBuffer* pBoneCombinationBuf;
    D3DXMATRIX** ppBoneMatrixPtrs;
    D3DXMATRIX* pBoneOffsetMatrices;
    DWORD NumPaletteEntries;
    bool UseSoftwareVP;
    DWORD iAttributeSW;
};

enum METHOD {
    D3DNONINDEXED,
    D3DINDEXED,
    SOFTWARE,
    D3DINDEXEDVS,
    D3DINDEXEDHLSLVS,
    NONE,
};

class CSkinXFile;

class CAllocateHierarchy : public ID3DXAllocateHierarchy {
public:
    explicit CAllocateHierarchy(CSkinXFile* owner) : m_lpSkinXFile(owner) {}
    virtual ~CAllocateHierarchy() = default;

    HRESULT CreateFrame(LPCSTR name, LPD3DXFRAME* newFrame) override;
    HRESULT CreateMeshContainer(LPCSTR name, const D3DXMESHDATA* meshData, const D3DXMATERIAL* materials,
                                const D3DXEFFECTINSTANCE* effectInstances, DWORD materialCount, const DWORD* adjacency,
                                LPD3DXSKININFO skinInfo, LPD3DXMESHCONTAINER* newMeshContainer) override;
    HRESULT DestroyFrame(LPD3DXFRAME frame) override;
    HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER meshContainer) override;

private:
    CSkinXFile* m_lpSkinXFile;
};

class CSkinXFile {
public:
    CSkinXFile();
    ~CSkinXFile();

    // 1 when a frame root was loaded, else 0.
    int LoadXFile(IDirect3DDevice9* device, const char* fileName);
    void UnloadXFile();
    void UpdateFrameMatrices(D3DXMATRIXA16* world);
    // Every mesh container with the current effect (skinned ones need one).
    void Draw(IDirect3DDevice9* device);
    D3DXFRAME_DERIVED* SearchBoneName(const char* name);
    float GetBoundingRadius() const { return m_Radius; }
    D3DXVECTOR3* GetBoundingSphereCenter(D3DXVECTOR3* centre) const;
    HRESULT GenerateSkinnedMesh(D3DXMESHCONTAINER_DERIVED* container);

    float m_Radius;
    D3DXVECTOR3 m_SphereCenter;
    D3DXVECTOR3 m_BoxMin, m_BoxMax;
    IDirect3DDevice9* m_lpDevice;
    LPD3DXFRAME m_lpFrameRoot;
    ID3DXAnimationController* m_lpAnimController;
    METHOD m_SkinningMethod;
    D3DXMATRIXA16* m_pBoneMatrices;
    UINT m_NumBoneMatricesMax;
    ID3DXEffect* m_lpEffect;
    ID3DXMesh* m_lpTangentMesh;
    IDirect3DVertexDeclaration9* m_lpDecl;

private:
    HRESULT SetupBoneMatrixPointers(LPD3DXFRAME frame);
    HRESULT SetupBoneMatrixPointersOnMesh(LPD3DXMESHCONTAINER container);
    void UpdateFrame(LPD3DXFRAME frame, const D3DXMATRIX* parent);
    void DrawFrame(IDirect3DDevice9* device, LPD3DXFRAME frame);
    void DrawMeshContainer(IDirect3DDevice9* device, LPD3DXMESHCONTAINER container, LPD3DXFRAME frame);
    D3DXFRAME_DERIVED* Search(LPD3DXFRAME frame, const char* name);

    // Bones of the skins that name no frame, gathered while the bone
    // pointers are set up, so a load reports them once with its file name.
    std::string m_UnknownBones;
};
