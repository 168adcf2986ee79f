// Vertex declarations: the element list of a vertex layout, as the device
// and the meshes keep it. Elements are copied up to and including the end
// marker; drawing reads them through the mesh that uses the layout.
#pragma once
#include <vector>

#include "platform/d3d9/d3d9types.h"
#include "platform/win32/unknown.h"

class IDirect3DVertexDeclaration9 : public IUnknown {
public:
    // Copies the elements into the caller's array (end marker included).
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count);

    // Layer side.
    static IDirect3DVertexDeclaration9* Create(const D3DVERTEXELEMENT9* elements);
    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return m_elements; }

private:
    IDirect3DVertexDeclaration9() = default;
    ~IDirect3DVertexDeclaration9() override = default;
    std::vector<D3DVERTEXELEMENT9> m_elements;
};
using LPDIRECT3DVERTEXDECLARATION9 = IDirect3DVertexDeclaration9*;

namespace d3d9 {
bool IsDeclarationEnd(const D3DVERTEXELEMENT9& element);
// Bytes of one element of a type, 0 for a type the layer does not know.
UINT DeclTypeSize(BYTE type);
// Element count before the end marker; at most MAXD3DDECLLENGTH.
UINT DeclarationLength(const D3DVERTEXELEMENT9* elements);
}  // namespace d3d9
