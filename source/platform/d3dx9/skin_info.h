// ID3DXSkinInfo: the bones of a skinned mesh (name, offset matrix, the
// vertices each one moves and by how much) and its conversion into an
// indexed, blended mesh whose faces are split into bone combinations that
// fit a matrix palette.
#pragma once
#include <string>
#include <vector>

#include "platform/d3dx9/buffer.h"
#include "platform/d3dx9/mesh.h"

struct D3DXBONECOMBINATION {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
    DWORD* BoneId;  // palette-size entries; UINT_MAX where a slot is unused
};
using LPD3DXBONECOMBINATION = D3DXBONECOMBINATION*;

class ID3DXSkinInfo : public IUnknown {
public:
    DWORD GetNumBones() const { return static_cast<DWORD>(m_bones.size()); }
    LPCSTR GetBoneName(DWORD bone);
    D3DXMATRIX* GetBoneOffsetMatrix(DWORD bone);
    DWORD GetNumBoneInfluences(DWORD bone);
    HRESULT GetBoneInfluence(DWORD bone, DWORD* vertices, float* weights);
    HRESULT GetMaxVertexInfluences(DWORD* maximum);

    // Splits the faces of each attribute id into bone combinations of at
    // most paletteSize bones (in face order, each face into the first
    // combination it fits). The new mesh has POSITION, then BLENDWEIGHT
    // (influences - 1 floats, omitted for one influence), then BLENDINDICES
    // (UBYTE4 palette slots), then the source's other elements; a vertex
    // used by several combinations is copied into each. Its attribute id
    // of a face is the index of its combination. Influences are at most 4
    // per vertex (the smallest are dropped and the rest renormalised).
    HRESULT ConvertToIndexedBlendedMesh(ID3DXMesh* mesh, DWORD options, DWORD paletteSize, const DWORD* adjacencyIn,
                                        DWORD* adjacencyOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                                        DWORD* maxVertexInfluences, DWORD* boneCombinationCount,
                                        ID3DXBuffer** boneCombinationTable, ID3DXMesh** blendedMesh);

    // Layer side.
    struct Bone {
        std::string name;
        D3DXMATRIX offset;
        std::vector<DWORD> vertices;
        std::vector<float> weights;
    };
    static ID3DXSkinInfo* Create(DWORD vertexCount, std::vector<Bone> bones);

private:
    ID3DXSkinInfo() = default;
    ~ID3DXSkinInfo() override = default;
    DWORD m_vertexCount = 0;
    std::vector<Bone> m_bones;
};
using LPD3DXSKININFO = ID3DXSkinInfo*;
