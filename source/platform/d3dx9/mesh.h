// ID3DXMesh: an indexed triangle mesh with one vertex layout, kept as CPU
// copies (vertices, indices, one attribute id per face) and uploaded to GL
// buffers when it is drawn after a change. A subset is every face with one
// attribute id; it draws through the running effect pass, or else through
// the fixed-function program with the device's transforms and stage 0.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/gl/names.h"
#include "platform/d3d9/vertex_declaration.h"
#include "platform/d3dx9/d3dx9math.h"
#include "platform/d3dx9/texture_loader.h"

constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESH_WRITEONLY = 0x440;
constexpr DWORD D3DXMESH_DYNAMIC = 0x880;
constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;
constexpr DWORD D3DLOCK_READONLY = 0x00000010;
constexpr DWORD D3DLOCK_DISCARD = 0x00002000;
constexpr UINT MAX_FVF_DECL_SIZE = MAXD3DDECLLENGTH + 1;

struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

class ID3DXMesh : public IUnknown {
public:
    DWORD GetFVF() const { return m_fvf; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);
    DWORD GetNumFaces() const { return m_faceCount; }
    DWORD GetNumVertices() const { return m_vertexCount; }
    DWORD GetNumBytesPerVertex() const { return m_stride; }
    DWORD GetOptions() const { return m_options; }
    // Adds a reference to the device for the caller.
    HRESULT GetDevice(IDirect3DDevice9** device);

    // A copy in another layout: elements found in both layouts (by usage and
    // usage index) are converted, new ones start at zero.
    HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device, ID3DXMesh** clone);
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone);
    // Reinterprets the vertices with another layout of the same size.
    HRESULT UpdateSemantics(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);

    HRESULT LockVertexBuffer(DWORD flags, void** data);
    HRESULT UnlockVertexBuffer();
    // 16-bit indices, or 32-bit ones with D3DXMESH_32BIT.
    HRESULT LockIndexBuffer(DWORD flags, void** data);
    HRESULT UnlockIndexBuffer();
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** data);
    HRESULT UnlockAttributeBuffer();
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size);
    HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* table, DWORD size);

    HRESULT DrawSubset(DWORD attributeId);

    // Layer side.
    static ID3DXMesh* Create(DWORD faceCount, DWORD vertexCount, DWORD options, const D3DVERTEXELEMENT9* declaration,
                             IDirect3DDevice9* device);
    const std::vector<D3DVERTEXELEMENT9>& Declaration() const { return m_declaration; }
    // Index of face corner (0..3 * faces).
    DWORD Index(size_t corner) const;
    void SetIndex(size_t corner, DWORD value);
    std::uint8_t* Vertex(size_t vertex) { return m_vertices.data() + vertex * m_stride; }
    const std::uint8_t* Vertex(size_t vertex) const { return m_vertices.data() + vertex * m_stride; }
    DWORD Attribute(size_t face) const { return m_attributes[face]; }
    // The element of a usage, or null.
    const D3DVERTEXELEMENT9* FindElement(BYTE usage, BYTE usageIndex) const;
    // Draw calls made so far (faces handed to GL), for tests.
    std::uint64_t FacesDrawn() const { return m_facesDrawn; }

private:
    ID3DXMesh() = default;
    ~ID3DXMesh() override;
    bool Use32BitIndices() const { return (m_options & D3DXMESH_32BIT) != 0; }
    bool PrepareGl();
    void BindAttributes(bool effectLocations);
    void RebuildDrawOrder();

    IDirect3DDevice9* m_device = nullptr;
    DWORD m_options = 0;
    DWORD m_fvf = 0;
    DWORD m_faceCount = 0, m_vertexCount = 0, m_stride = 0;
    std::vector<D3DVERTEXELEMENT9> m_declaration;  // end marker included
    std::vector<std::uint8_t> m_vertices;
    std::vector<std::uint8_t> m_indices;
    std::vector<DWORD> m_attributes;
    std::vector<D3DXATTRIBUTERANGE> m_attributeTable;

    // GL side: indices regrouped by attribute id, so one call draws a subset.
    struct SubsetRange {
        DWORD attributeId;
        DWORD firstCorner;
        DWORD cornerCount;
    };
    std::vector<SubsetRange> m_subsets;
    bool m_hasGl = false;
    GLuint m_vertexBuffer = 0, m_indexBuffer = 0;
    GLuint m_effectArray = 0, m_fixedArray = 0;
    bool m_effectArrayBound = false, m_fixedArrayBound = false;
    bool m_verticesDirty = true, m_indicesDirty = true;
    std::uint64_t m_facesDrawn = 0;
};
using LPD3DXMESH = ID3DXMesh*;

HRESULT D3DXCreateMesh(DWORD faceCount, DWORD vertexCount, DWORD options, const D3DVERTEXELEMENT9* declaration,
                       IDirect3DDevice9* device, ID3DXMesh** mesh);
HRESULT D3DXCreateMeshFVF(DWORD faceCount, DWORD vertexCount, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh);
HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);
HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declaration, DWORD* fvf);
UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream);

// Vertex normals as the normalised sum of the normals of the faces around
// each vertex (clockwise faces face the viewer); the adjacency is not needed.
HRESULT D3DXComputeNormals(ID3DXMesh* mesh, const DWORD* adjacency);
// Tangents (and binormals unless binormalIndex is D3DX_DEFAULT) from the
// texture coordinates of a stage, made orthogonal to the normals.
HRESULT D3DXComputeTangent(ID3DXMesh* mesh, DWORD textureStage, DWORD tangentIndex, DWORD binormalIndex, DWORD wrap,
                           const DWORD* adjacency);
// Centre = mean of the positions, radius = the largest distance from it.
HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* firstPosition, DWORD count, DWORD stride, D3DXVECTOR3* centre,
                                  float* radius);
HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* firstPosition, DWORD count, DWORD stride, D3DXVECTOR3* minimum,
                               D3DXVECTOR3* maximum);

namespace d3dx9 {
// Three neighbouring faces per face (0xFFFFFFFF across an open edge); faces
// are neighbours when they share an edge between equal positions.
std::vector<DWORD> ComputeAdjacency(const ID3DXMesh& mesh);
}  // namespace d3dx9
