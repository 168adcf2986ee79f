#include "platform/d3d9/vertex_declaration.h"

namespace d3d9 {
bool IsDeclarationEnd(const D3DVERTEXELEMENT9& element) {
    return element.Stream == 0xFF && element.Type == D3DDECLTYPE_UNUSED;
}

UINT DeclTypeSize(BYTE type) {
    switch (type) {
    case D3DDECLTYPE_FLOAT1: return 4;
    case D3DDECLTYPE_FLOAT2: return 8;
    case D3DDECLTYPE_FLOAT3: return 12;
    case D3DDECLTYPE_FLOAT4: return 16;
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4: return 4;
    default: return 0;
    }
}

UINT DeclarationLength(const D3DVERTEXELEMENT9* elements) {
    UINT length = 0;
    while (length < MAXD3DDECLLENGTH && !IsDeclarationEnd(elements[length])) ++length;
    return length;
}
}  // namespace d3d9

IDirect3DVertexDeclaration9* IDirect3DVertexDeclaration9::Create(const D3DVERTEXELEMENT9* elements) {
    if (!elements) return nullptr;
    const UINT length = d3d9::DeclarationLength(elements);
    if (length == MAXD3DDECLLENGTH) return nullptr;
    for (UINT i = 0; i < length; ++i)
        if (elements[i].Stream != 0 || d3d9::DeclTypeSize(elements[i].Type) == 0) return nullptr;
    auto* declaration = new IDirect3DVertexDeclaration9;
    declaration->m_elements.assign(elements, elements + length + 1);
    return declaration;
}

HRESULT IDirect3DVertexDeclaration9::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) {
    if (count) *count = static_cast<UINT>(m_elements.size());
    if (elements)
        for (size_t i = 0; i < m_elements.size(); ++i) elements[i] = m_elements[i];
    return D3D_OK;
}
