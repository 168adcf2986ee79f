#include "platform/d3dx9/mesh.h"

#include <algorithm>
#include <cstring>

#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/texture.h"
#include "platform/d3dx9/effect.h"
#include "platform/gl/attributes.h"
#include "platform/gl/context.h"
#include "platform/gl/state_cache.h"

namespace {
D3DVERTEXELEMENT9 Element(WORD offset, BYTE type, BYTE usage, BYTE usageIndex) {
    return D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, usageIndex};
}

constexpr D3DVERTEXELEMENT9 kEnd = D3DDECL_END();

// Reads an element as four floats (missing components 0, w 1 as GL does).
void ReadElement(const std::uint8_t* source, BYTE type, float out[4]) {
    out[0] = out[1] = out[2] = 0.0f;
    out[3] = 1.0f;
    switch (type) {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_FLOAT4: std::memcpy(out, source, d3d9::DeclTypeSize(type)); break;
    case D3DDECLTYPE_D3DCOLOR:
        // B, G, R, A bytes, read as GL's BGRA attribute reads them.
        out[0] = static_cast<float>(source[2]) / 255.0f;
        out[1] = static_cast<float>(source[1]) / 255.0f;
        out[2] = static_cast<float>(source[0]) / 255.0f;
        out[3] = static_cast<float>(source[3]) / 255.0f;
        break;
    case D3DDECLTYPE_UBYTE4:
        for (int i = 0; i < 4; ++i) out[i] = static_cast<float>(source[i]);
        break;
    default: break;
    }
}

void WriteElement(std::uint8_t* target, BYTE type, const float in[4]) {
    // Round half up on a value already clamped to 0..255.
    auto byte = [](float v) {
        return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f);  // NOLINT(bugprone-incorrect-roundings)
    };
    switch (type) {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_FLOAT4: std::memcpy(target, in, d3d9::DeclTypeSize(type)); break;
    case D3DDECLTYPE_D3DCOLOR:
        target[2] = byte(in[0] * 255.0f);
        target[1] = byte(in[1] * 255.0f);
        target[0] = byte(in[2] * 255.0f);
        target[3] = byte(in[3] * 255.0f);
        break;
    case D3DDECLTYPE_UBYTE4:
        for (int i = 0; i < 4; ++i) target[i] = byte(in[i]);
        break;
    default: break;
    }
}

GLint LocationOfUsage(BYTE usage) {
    switch (usage) {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_POSITIONT: return gl::kAttributePosition;
    case D3DDECLUSAGE_BLENDWEIGHT: return gl::kAttributeBlendWeight;
    case D3DDECLUSAGE_BLENDINDICES: return gl::kAttributeBlendIndices;
    case D3DDECLUSAGE_NORMAL: return gl::kAttributeNormal;
    case D3DDECLUSAGE_TEXCOORD: return gl::kAttributeTexCoord;
    case D3DDECLUSAGE_TANGENT: return gl::kAttributeTangent;
    case D3DDECLUSAGE_BINORMAL: return gl::kAttributeBinormal;
    case D3DDECLUSAGE_COLOR: return gl::kAttributeColor;
    default: return -1;
    }
}

// The fixed-function program's locations (see fixed_function.h).
GLint FixedLocationOfUsage(BYTE usage, BYTE usageIndex) {
    if (usage == D3DDECLUSAGE_POSITION) return 0;
    if (usage == D3DDECLUSAGE_COLOR && usageIndex == 0) return 1;
    if (usage == D3DDECLUSAGE_TEXCOORD && usageIndex == 0) return 2;
    return -1;
}

void Pointer(GLuint location, BYTE type, GLsizei stride, unsigned offset) {
    const void* at = reinterpret_cast<const void*>(static_cast<uintptr_t>(offset));
    glEnableVertexAttribArray(location);
    switch (type) {
    case D3DDECLTYPE_D3DCOLOR: glVertexAttribPointer(location, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, at); break;
    case D3DDECLTYPE_UBYTE4: glVertexAttribPointer(location, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride, at); break;
    default:
        glVertexAttribPointer(location, static_cast<GLint>(d3d9::DeclTypeSize(type) / 4), GL_FLOAT, GL_FALSE, stride,
                              at);
        break;
    }
}
}  // namespace

ID3DXMesh* ID3DXMesh::Create(DWORD faceCount, DWORD vertexCount, DWORD options, const D3DVERTEXELEMENT9* declaration,
                             IDirect3DDevice9* device) {
    if (!declaration || faceCount == 0 || vertexCount == 0) return nullptr;
    if (!(options & D3DXMESH_32BIT) && vertexCount > 0xFFFF) return nullptr;
    const UINT length = d3d9::DeclarationLength(declaration);
    if (length == 0 || length == MAXD3DDECLLENGTH) return nullptr;
    for (UINT i = 0; i < length; ++i)
        if (declaration[i].Stream != 0 || d3d9::DeclTypeSize(declaration[i].Type) == 0) return nullptr;
    auto* mesh = new ID3DXMesh;
    mesh->m_device = device;
    if (device) device->AddRef();
    mesh->m_options = options;
    mesh->m_faceCount = faceCount;
    mesh->m_vertexCount = vertexCount;
    mesh->m_declaration.assign(declaration, declaration + length + 1);
    mesh->m_stride = D3DXGetDeclVertexSize(declaration, 0);
    DWORD fvf = 0;
    mesh->m_fvf = SUCCEEDED(D3DXFVFFromDeclarator(declaration, &fvf)) ? fvf : 0;
    mesh->m_vertices.assign(static_cast<size_t>(vertexCount) * mesh->m_stride, 0);
    mesh->m_indices.assign(static_cast<size_t>(faceCount) * 3 * (mesh->Use32BitIndices() ? 4 : 2), 0);
    mesh->m_attributes.assign(faceCount, 0);
    return mesh;
}

ID3DXMesh::~ID3DXMesh() {
    if (m_hasGl) {
        auto& cache = gl::Cache();
        cache.ForgetVertexArray(m_effectArray);
        cache.ForgetVertexArray(m_fixedArray);
        cache.ForgetBuffer(m_vertexBuffer);
        cache.ForgetBuffer(m_indexBuffer);
        GLuint arrays[] = {m_effectArray, m_fixedArray};
        glDeleteVertexArrays(2, arrays);
        GLuint buffers[] = {m_vertexBuffer, m_indexBuffer};
        glDeleteBuffers(2, buffers);
        gl::ReleaseContext();
    }
    if (m_device) m_device->Release();
}

HRESULT ID3DXMesh::GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
    if (!declaration) return D3DERR_INVALIDCALL;
    std::copy(m_declaration.begin(), m_declaration.end(), declaration);
    return D3D_OK;
}

HRESULT ID3DXMesh::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = m_device;
    if (!m_device) return D3DERR_INVALIDCALL;
    m_device->AddRef();
    return D3D_OK;
}

const D3DVERTEXELEMENT9* ID3DXMesh::FindElement(BYTE usage, BYTE usageIndex) const {
    for (size_t i = 0; i + 1 < m_declaration.size(); ++i)
        if (m_declaration[i].Usage == usage && m_declaration[i].UsageIndex == usageIndex) return &m_declaration[i];
    return nullptr;
}

DWORD ID3DXMesh::Index(size_t corner) const {
    if (Use32BitIndices()) {
        DWORD value;
        std::memcpy(&value, m_indices.data() + corner * 4, 4);
        return value;
    }
    WORD value;
    std::memcpy(&value, m_indices.data() + corner * 2, 2);
    return value;
}

void ID3DXMesh::SetIndex(size_t corner, DWORD value) {
    if (Use32BitIndices()) {
        std::memcpy(m_indices.data() + corner * 4, &value, 4);
    } else {
        const WORD narrow = static_cast<WORD>(value);
        std::memcpy(m_indices.data() + corner * 2, &narrow, 2);
    }
    m_indicesDirty = true;
}

HRESULT ID3DXMesh::CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                             ID3DXMesh** clone) {
    if (!clone) return D3DERR_INVALIDCALL;
    *clone = nullptr;
    // The index size follows the new options, as long as the vertices fit.
    if (!(options & D3DXMESH_32BIT) && m_vertexCount > 0xFFFF) return D3DERR_INVALIDCALL;
    ID3DXMesh* copy = Create(m_faceCount, m_vertexCount, options, declaration, device ? device : m_device);
    if (!copy) return D3DERR_INVALIDCALL;
    for (size_t e = 0; e + 1 < copy->m_declaration.size(); ++e) {
        const D3DVERTEXELEMENT9& target = copy->m_declaration[e];
        const D3DVERTEXELEMENT9* source = FindElement(target.Usage, target.UsageIndex);
        if (!source) continue;
        for (DWORD v = 0; v < m_vertexCount; ++v) {
            float value[4];
            ReadElement(Vertex(v) + source->Offset, source->Type, value);
            WriteElement(copy->Vertex(v) + target.Offset, target.Type, value);
        }
    }
    for (size_t corner = 0; corner < static_cast<size_t>(m_faceCount) * 3; ++corner)
        copy->SetIndex(corner, Index(corner));
    copy->m_attributes = m_attributes;
    copy->m_attributeTable = m_attributeTable;
    *clone = copy;
    return D3D_OK;
}

HRESULT ID3DXMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone) {
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    if (FAILED(D3DXDeclaratorFromFVF(fvf, declaration))) {
        if (clone) *clone = nullptr;
        return D3DERR_INVALIDCALL;
    }
    return CloneMesh(options, declaration, device, clone);
}

HRESULT ID3DXMesh::UpdateSemantics(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
    if (!declaration || D3DXGetDeclVertexSize(declaration, 0) != m_stride) return D3DERR_INVALIDCALL;
    const UINT length = d3d9::DeclarationLength(declaration);
    for (UINT i = 0; i < length; ++i)
        if (declaration[i].Stream != 0 || d3d9::DeclTypeSize(declaration[i].Type) == 0) return D3DERR_INVALIDCALL;
    m_declaration.assign(declaration, declaration + length + 1);
    DWORD fvf = 0;
    m_fvf = SUCCEEDED(D3DXFVFFromDeclarator(declaration, &fvf)) ? fvf : 0;
    m_effectArrayBound = m_fixedArrayBound = false;
    return D3D_OK;
}

HRESULT ID3DXMesh::LockVertexBuffer(DWORD flags, void** data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = m_vertices.data();
    if (!(flags & D3DLOCK_READONLY)) m_verticesDirty = true;
    return D3D_OK;
}

HRESULT ID3DXMesh::UnlockVertexBuffer() { return D3D_OK; }

HRESULT ID3DXMesh::LockIndexBuffer(DWORD flags, void** data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = m_indices.data();
    if (!(flags & D3DLOCK_READONLY)) m_indicesDirty = true;
    return D3D_OK;
}

HRESULT ID3DXMesh::UnlockIndexBuffer() { return D3D_OK; }

HRESULT ID3DXMesh::LockAttributeBuffer(DWORD flags, DWORD** data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = m_attributes.data();
    if (!(flags & D3DLOCK_READONLY)) m_indicesDirty = true;
    return D3D_OK;
}

HRESULT ID3DXMesh::UnlockAttributeBuffer() { return D3D_OK; }

HRESULT ID3DXMesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) {
    if (!size) return D3DERR_INVALIDCALL;
    if (table) std::copy(m_attributeTable.begin(), m_attributeTable.end(), table);
    *size = static_cast<DWORD>(m_attributeTable.size());
    return D3D_OK;
}

HRESULT ID3DXMesh::SetAttributeTable(const D3DXATTRIBUTERANGE* table, DWORD size) {
    if (!table && size) return D3DERR_INVALIDCALL;
    m_attributeTable.assign(table, table + size);
    return D3D_OK;
}

void ID3DXMesh::RebuildDrawOrder() {
    // Faces of each attribute id in their own order, ids ascending.
    std::vector<DWORD> faces(m_faceCount);
    for (DWORD f = 0; f < m_faceCount; ++f) faces[f] = f;
    std::stable_sort(faces.begin(), faces.end(), [&](DWORD a, DWORD b) { return m_attributes[a] < m_attributes[b]; });
    std::vector<std::uint8_t> ordered(m_indices.size());
    const size_t faceBytes = Use32BitIndices() ? 12 : 6;
    m_subsets.clear();
    for (DWORD i = 0; i < m_faceCount; ++i) {
        const DWORD face = faces[i];
        std::memcpy(ordered.data() + i * faceBytes, m_indices.data() + face * faceBytes, faceBytes);
        if (m_subsets.empty() || m_subsets.back().attributeId != m_attributes[face])
            m_subsets.push_back(SubsetRange{m_attributes[face], i * 3, 0});
        m_subsets.back().cornerCount += 3;
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(ordered.size()), ordered.data(), GL_STATIC_DRAW);
    m_indicesDirty = false;
}

bool ID3DXMesh::PrepareGl() {
    if (!gl::HasContext()) return false;
    auto& cache = gl::Cache();
    if (!m_hasGl) {
        glGenBuffers(1, &m_vertexBuffer);
        glGenBuffers(1, &m_indexBuffer);
        glGenVertexArrays(1, &m_effectArray);
        glGenVertexArrays(1, &m_fixedArray);
        gl::RetainContext();
        m_hasGl = true;
    }
    if (m_verticesDirty) {
        cache.BindArrayBuffer(m_vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_vertices.size()), m_vertices.data(), GL_STATIC_DRAW);
        m_verticesDirty = false;
    }
    if (m_indicesDirty) {
        // The element buffer binding belongs to the vertex array.
        cache.BindVertexArray(m_effectArray);
        RebuildDrawOrder();
        cache.BindVertexArray(m_fixedArray);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    }
    return true;
}

void ID3DXMesh::BindAttributes(bool effectLocations) {
    auto& cache = gl::Cache();
    cache.BindVertexArray(effectLocations ? m_effectArray : m_fixedArray);
    bool& bound = effectLocations ? m_effectArrayBound : m_fixedArrayBound;
    if (!bound) {
        cache.BindArrayBuffer(m_vertexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
        for (GLuint location = 0; location < gl::kAttributeCount; ++location) glDisableVertexAttribArray(location);
        for (size_t i = 0; i + 1 < m_declaration.size(); ++i) {
            const D3DVERTEXELEMENT9& element = m_declaration[i];
            const GLint location = effectLocations ? LocationOfUsage(element.Usage)
                                                   : FixedLocationOfUsage(element.Usage, element.UsageIndex);
            if (location < 0 || (effectLocations && element.UsageIndex != 0)) continue;
            Pointer(static_cast<GLuint>(location), element.Type, static_cast<GLsizei>(m_stride), element.Offset);
        }
        bound = true;
    }
    // Attributes the layout lacks read these constants (context state, so
    // set every draw).
    if (effectLocations) {
        if (!FindElement(D3DDECLUSAGE_BLENDWEIGHT, 0)) glVertexAttrib4f(gl::kAttributeBlendWeight, 0, 0, 0, 0);
        if (!FindElement(D3DDECLUSAGE_BLENDINDICES, 0)) glVertexAttrib4f(gl::kAttributeBlendIndices, 0, 0, 0, 0);
        if (!FindElement(D3DDECLUSAGE_NORMAL, 0)) glVertexAttrib4f(gl::kAttributeNormal, 0, 0, 0, 0);
        if (!FindElement(D3DDECLUSAGE_TEXCOORD, 0)) glVertexAttrib4f(gl::kAttributeTexCoord, 0, 0, 0, 1);
        if (!FindElement(D3DDECLUSAGE_COLOR, 0)) glVertexAttrib4f(gl::kAttributeColor, 1, 1, 1, 1);
    } else if (!FindElement(D3DDECLUSAGE_TEXCOORD, 0)) {
        glVertexAttrib4f(2, 0, 0, 0, 1);
    }
}

HRESULT ID3DXMesh::DrawSubset(DWORD attributeId) {
    if (!m_device || !PrepareGl()) return D3DERR_INVALIDCALL;
    const SubsetRange* range = nullptr;
    for (const SubsetRange& subset : m_subsets)
        if (subset.attributeId == attributeId) range = &subset;
    if (!range) return D3D_OK;  // no faces carry the id: nothing to draw

    m_device->PrepareDraw();
    ID3DXEffect* effect = m_device->ActiveEffect();
    if (effect) {
        if (!effect->BindActivePass()) return D3DERR_INVALIDCALL;
    } else {
        IDirect3DBaseTexture9* texture = nullptr;
        m_device->GetTexture(0, &texture);
        const bool ready =
            d3d9::UseFixedFunctionProgram(m_device, FindElement(D3DDECLUSAGE_COLOR, 0) != nullptr, texture);
        if (texture) texture->Release();
        if (!ready) return D3DERR_INVALIDCALL;
    }
    BindAttributes(effect != nullptr);
    const size_t indexBytes = Use32BitIndices() ? 4 : 2;
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(range->cornerCount),
                   Use32BitIndices() ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                   reinterpret_cast<const void*>(static_cast<uintptr_t>(range->firstCorner * indexBytes)));
    m_facesDrawn += range->cornerCount / 3;
    return D3D_OK;
}

HRESULT D3DXCreateMesh(DWORD faceCount, DWORD vertexCount, DWORD options, const D3DVERTEXELEMENT9* declaration,
                       IDirect3DDevice9* device, ID3DXMesh** mesh) {
    if (!mesh) return D3DERR_INVALIDCALL;
    *mesh = ID3DXMesh::Create(faceCount, vertexCount, options, declaration, device);
    return *mesh ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT D3DXCreateMeshFVF(DWORD faceCount, DWORD vertexCount, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh) {
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    if (FAILED(D3DXDeclaratorFromFVF(fvf, declaration))) {
        if (mesh) *mesh = nullptr;
        return D3DERR_INVALIDCALL;
    }
    return D3DXCreateMesh(faceCount, vertexCount, options, declaration, device, mesh);
}

UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream) {
    if (!declaration) return 0;
    UINT size = 0;
    for (UINT i = 0; i < MAXD3DDECLLENGTH && !d3d9::IsDeclarationEnd(declaration[i]); ++i)
        if (declaration[i].Stream == stream)
            size = std::max<UINT>(size, declaration[i].Offset + d3d9::DeclTypeSize(declaration[i].Type));
    return size;
}

HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
    if (!declaration) return D3DERR_INVALIDCALL;
    UINT count = 0;
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE usageIndex) {
        declaration[count++] = Element(offset, type, usage, usageIndex);
        offset = static_cast<WORD>(offset + d3d9::DeclTypeSize(type));
    };
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZRHW) {
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
    } else if (position >= D3DFVF_XYZ && position <= D3DFVF_XYZB5 && !(position & 1)) {
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
        const int betas = position == D3DFVF_XYZ ? 0 : static_cast<int>((position - 4) / 2);  // XYZBn is 4 + 2n
        const bool lastIsIndices = (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
        const int weights = lastIsIndices ? betas - 1 : betas;
        if (weights > 0) add(static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + weights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
        if (lastIsIndices && betas > 0)
            add((fvf & D3DFVF_LASTBETA_UBYTE4) ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_BLENDINDICES,
                0);
    } else {
        return D3DERR_INVALIDCALL;
    }
    if (fvf & D3DFVF_NORMAL) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (fvf & D3DFVF_PSIZE) add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    if (fvf & D3DFVF_DIFFUSE) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (fvf & D3DFVF_SPECULAR) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD set = 0; set < sets; ++set) {
        const DWORD bits = (fvf >> (16 + set * 2)) & 3u;
        const BYTE type = bits == 0   ? D3DDECLTYPE_FLOAT2
                          : bits == 1 ? D3DDECLTYPE_FLOAT3
                          : bits == 2 ? D3DDECLTYPE_FLOAT4
                                      : D3DDECLTYPE_FLOAT1;
        add(type, D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(set));
    }
    declaration[count] = kEnd;
    return D3D_OK;
}

HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declaration, DWORD* fvf) {
    if (!declaration || !fvf) return D3DERR_INVALIDCALL;
    *fvf = 0;
    // Rebuild the layout each FVF would give and compare.
    const UINT length = d3d9::DeclarationLength(declaration);
    DWORD result = 0;
    UINT i = 0;
    auto is = [&](BYTE usage, BYTE usageIndex) {
        return i < length && declaration[i].Usage == usage && declaration[i].UsageIndex == usageIndex;
    };
    if (is(D3DDECLUSAGE_POSITIONT, 0) && declaration[i].Type == D3DDECLTYPE_FLOAT4) {
        result = D3DFVF_XYZRHW;
        ++i;
    } else if (is(D3DDECLUSAGE_POSITION, 0) && declaration[i].Type == D3DDECLTYPE_FLOAT3) {
        ++i;
        DWORD betas = 0;
        if (is(D3DDECLUSAGE_BLENDWEIGHT, 0) && declaration[i].Type <= D3DDECLTYPE_FLOAT4) {
            betas = declaration[i].Type - D3DDECLTYPE_FLOAT1 + 1u;
            ++i;
        }
        if (is(D3DDECLUSAGE_BLENDINDICES, 0)) {
            if (declaration[i].Type == D3DDECLTYPE_UBYTE4)
                result |= D3DFVF_LASTBETA_UBYTE4;
            else if (declaration[i].Type == D3DDECLTYPE_D3DCOLOR)
                result |= D3DFVF_LASTBETA_D3DCOLOR;
            else
                return D3DERR_INVALIDCALL;
            ++betas;
            ++i;
        }
        if (betas > 5) return D3DERR_INVALIDCALL;
        result |= betas ? D3DFVF_XYZ + betas * 2 + 2 : D3DFVF_XYZ;
    } else {
        return D3DERR_INVALIDCALL;
    }
    if (is(D3DDECLUSAGE_NORMAL, 0) && declaration[i].Type == D3DDECLTYPE_FLOAT3) {
        result |= D3DFVF_NORMAL;
        ++i;
    }
    if (is(D3DDECLUSAGE_PSIZE, 0) && declaration[i].Type == D3DDECLTYPE_FLOAT1) {
        result |= D3DFVF_PSIZE;
        ++i;
    }
    if (is(D3DDECLUSAGE_COLOR, 0) && declaration[i].Type == D3DDECLTYPE_D3DCOLOR) {
        result |= D3DFVF_DIFFUSE;
        ++i;
    }
    if (is(D3DDECLUSAGE_COLOR, 1) && declaration[i].Type == D3DDECLTYPE_D3DCOLOR) {
        result |= D3DFVF_SPECULAR;
        ++i;
    }
    DWORD sets = 0;
    while (is(D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(sets)) && declaration[i].Type <= D3DDECLTYPE_FLOAT4) {
        const BYTE type = declaration[i].Type;
        const DWORD bits = type == D3DDECLTYPE_FLOAT2   ? 0
                           : type == D3DDECLTYPE_FLOAT3 ? 1
                           : type == D3DDECLTYPE_FLOAT4 ? 2
                                                        : 3;
        result |= bits << (16 + sets * 2);
        ++sets;
        ++i;
    }
    if (i != length || sets > 8) return D3DERR_INVALIDCALL;
    result |= sets << D3DFVF_TEXCOUNT_SHIFT;
    // The offsets must be the packed ones the FVF implies.
    D3DVERTEXELEMENT9 expected[MAX_FVF_DECL_SIZE];
    if (FAILED(D3DXDeclaratorFromFVF(result, expected))) return D3DERR_INVALIDCALL;
    for (UINT e = 0; e < length; ++e)
        if (expected[e].Offset != declaration[e].Offset || expected[e].Type != declaration[e].Type)
            return D3DERR_INVALIDCALL;
    *fvf = result;
    return D3D_OK;
}
