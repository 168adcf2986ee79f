#include "platform/d3dx9/skin_info.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>

namespace {
constexpr size_t kMaxInfluences = 4;

struct Influence {
    DWORD bone;
    float weight;
};

// Per vertex: its bones, heaviest first, at most four, summing to 1.
std::vector<std::vector<Influence>> VertexInfluences(const std::vector<ID3DXSkinInfo::Bone>& bones, DWORD vertexCount) {
    std::vector<std::vector<Influence>> influences(vertexCount);
    for (DWORD b = 0; b < bones.size(); ++b)
        for (size_t i = 0; i < bones[b].vertices.size(); ++i)
            if (bones[b].vertices[i] < vertexCount && bones[b].weights[i] > 0.0f)
                influences[bones[b].vertices[i]].push_back(Influence{b, bones[b].weights[i]});
    for (auto& list : influences) {
        std::stable_sort(list.begin(), list.end(),
                         [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
        if (list.size() > kMaxInfluences) list.resize(kMaxInfluences);
        float sum = 0.0f;
        for (const Influence& influence : list) sum += influence.weight;
        if (sum > 0.0f)
            for (Influence& influence : list) influence.weight /= sum;
        // A vertex no bone moves follows the first bone.
        if (list.empty() && !bones.empty()) list.push_back(Influence{0, 1.0f});
    }
    return influences;
}

struct Combination {
    DWORD attribute;
    std::vector<DWORD> bones;  // palette order
    std::vector<DWORD> faces;
};

bool Contains(const std::vector<DWORD>& values, DWORD value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}
}  // namespace

ID3DXSkinInfo* ID3DXSkinInfo::Create(DWORD vertexCount, std::vector<Bone> bones) {
    for (const Bone& bone : bones)
        if (bone.vertices.size() != bone.weights.size()) return nullptr;
    auto* skin = new ID3DXSkinInfo;
    skin->m_vertexCount = vertexCount;
    skin->m_bones = std::move(bones);
    return skin;
}

LPCSTR ID3DXSkinInfo::GetBoneName(DWORD bone) { return bone < m_bones.size() ? m_bones[bone].name.c_str() : nullptr; }

D3DXMATRIX* ID3DXSkinInfo::GetBoneOffsetMatrix(DWORD bone) {
    return bone < m_bones.size() ? &m_bones[bone].offset : nullptr;
}

DWORD ID3DXSkinInfo::GetNumBoneInfluences(DWORD bone) {
    return bone < m_bones.size() ? static_cast<DWORD>(m_bones[bone].vertices.size()) : 0;
}

HRESULT ID3DXSkinInfo::GetBoneInfluence(DWORD bone, DWORD* vertices, float* weights) {
    if (bone >= m_bones.size() || !vertices || !weights) return D3DERR_INVALIDCALL;
    std::copy(m_bones[bone].vertices.begin(), m_bones[bone].vertices.end(), vertices);
    std::copy(m_bones[bone].weights.begin(), m_bones[bone].weights.end(), weights);
    return D3D_OK;
}

HRESULT ID3DXSkinInfo::GetMaxVertexInfluences(DWORD* maximum) {
    if (!maximum) return D3DERR_INVALIDCALL;
    std::vector<DWORD> counts(m_vertexCount, 0);
    for (const Bone& bone : m_bones)
        for (size_t i = 0; i < bone.vertices.size(); ++i)
            if (bone.vertices[i] < m_vertexCount && bone.weights[i] > 0.0f) ++counts[bone.vertices[i]];
    *maximum = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
    return D3D_OK;
}

HRESULT ID3DXSkinInfo::ConvertToIndexedBlendedMesh(ID3DXMesh* mesh, DWORD options, DWORD paletteSize, const DWORD*,
                                                   DWORD* adjacencyOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                                                   DWORD* maxVertexInfluences, DWORD* boneCombinationCount,
                                                   ID3DXBuffer** boneCombinationTable, ID3DXMesh** blendedMesh) {
    if (blendedMesh) *blendedMesh = nullptr;
    if (boneCombinationTable) *boneCombinationTable = nullptr;
    if (vertexRemap) *vertexRemap = nullptr;
    if (!mesh || !blendedMesh || paletteSize == 0 || m_bones.empty() || mesh->GetNumVertices() != m_vertexCount)
        return D3DERR_INVALIDCALL;
    const DWORD faceCount = mesh->GetNumFaces();
    const auto influences = VertexInfluences(m_bones, m_vertexCount);
    DWORD maxInfluences = 1;
    for (const auto& list : influences) maxInfluences = std::max<DWORD>(maxInfluences, static_cast<DWORD>(list.size()));

    // Faces into combinations, attribute ids ascending, faces in order.
    std::vector<DWORD> order(faceCount);
    for (DWORD f = 0; f < faceCount; ++f) order[f] = f;
    std::stable_sort(order.begin(), order.end(),
                     [&](DWORD a, DWORD b) { return mesh->Attribute(a) < mesh->Attribute(b); });
    std::vector<Combination> combinations;
    size_t firstOfAttribute = 0;
    for (DWORD face : order) {
        const DWORD attribute = mesh->Attribute(face);
        if (combinations.empty() || combinations.back().attribute != attribute) firstOfAttribute = combinations.size();
        std::vector<DWORD> faceBones;
        for (int k = 0; k < 3; ++k) {
            const DWORD v = mesh->Index(face * 3 + k);
            if (v >= m_vertexCount) return D3DERR_INVALIDCALL;
            for (const Influence& influence : influences[v])
                if (!Contains(faceBones, influence.bone)) faceBones.push_back(influence.bone);
        }
        if (faceBones.size() > paletteSize) return D3DERR_INVALIDCALL;
        Combination* target = nullptr;
        for (size_t c = firstOfAttribute; c < combinations.size() && !target; ++c) {
            size_t added = 0;
            for (DWORD bone : faceBones) added += !Contains(combinations[c].bones, bone);
            if (combinations[c].bones.size() + added <= paletteSize) target = &combinations[c];
        }
        if (!target) {
            combinations.push_back(Combination{attribute, {}, {}});
            target = &combinations.back();
        }
        for (DWORD bone : faceBones)
            if (!Contains(target->bones, bone)) target->bones.push_back(bone);
        target->faces.push_back(face);
    }

    // The blended layout: position, weights, indices, then the rest.
    std::vector<D3DVERTEXELEMENT9> declaration;
    const D3DVERTEXELEMENT9* position = mesh->FindElement(D3DDECLUSAGE_POSITION, 0);
    if (!position) return D3DERR_INVALIDCALL;
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE usageIndex) {
        declaration.push_back(D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, usageIndex});
        offset = static_cast<WORD>(offset + d3d9::DeclTypeSize(type));
    };
    add(position->Type, D3DDECLUSAGE_POSITION, 0);
    if (maxInfluences > 1) add(static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + maxInfluences - 2), D3DDECLUSAGE_BLENDWEIGHT, 0);
    add(D3DDECLTYPE_UBYTE4, D3DDECLUSAGE_BLENDINDICES, 0);
    std::vector<std::pair<WORD, WORD>> copies;  // (source offset, size) per kept element, in order
    for (const D3DVERTEXELEMENT9& element : mesh->Declaration()) {
        if (d3d9::IsDeclarationEnd(element)) break;
        if (element.Usage == D3DDECLUSAGE_POSITION || element.Usage == D3DDECLUSAGE_BLENDWEIGHT ||
            element.Usage == D3DDECLUSAGE_BLENDINDICES)
            continue;
        copies.emplace_back(element.Offset, static_cast<WORD>(d3d9::DeclTypeSize(element.Type)));
        add(element.Type, element.Usage, element.UsageIndex);
    }
    declaration.push_back(D3DDECL_END());

    // Vertices per combination, in first use.
    std::vector<DWORD> sourceOfVertex;
    std::vector<DWORD> newFaces;  // corners of the new mesh
    std::vector<DWORD> faceSource;
    std::vector<D3DXBONECOMBINATION> records(combinations.size());
    for (size_t c = 0; c < combinations.size(); ++c) {
        std::map<DWORD, DWORD> remap;
        records[c].AttribId = combinations[c].attribute;
        records[c].FaceStart = static_cast<DWORD>(faceSource.size());
        records[c].FaceCount = static_cast<DWORD>(combinations[c].faces.size());
        records[c].VertexStart = static_cast<DWORD>(sourceOfVertex.size());
        for (DWORD face : combinations[c].faces) {
            faceSource.push_back(face);
            for (int k = 0; k < 3; ++k) {
                const DWORD v = mesh->Index(face * 3 + k);
                auto inserted = remap.emplace(v, static_cast<DWORD>(sourceOfVertex.size()));
                if (inserted.second) sourceOfVertex.push_back(v);
                newFaces.push_back(inserted.first->second);
            }
        }
        records[c].VertexCount = static_cast<DWORD>(sourceOfVertex.size()) - records[c].VertexStart;
    }

    const DWORD vertexCount = static_cast<DWORD>(sourceOfVertex.size());
    DWORD meshOptions = options & ~(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE);
    if (vertexCount > 0xFFFF) meshOptions |= D3DXMESH_32BIT;
    IDirect3DDevice9* device = nullptr;
    mesh->GetDevice(&device);
    ID3DXMesh* blended = ID3DXMesh::Create(faceCount, vertexCount, meshOptions, declaration.data(), device);
    if (device) device->Release();
    if (!blended) return E_OUTOFMEMORY;

    const D3DVERTEXELEMENT9* weightElement = blended->FindElement(D3DDECLUSAGE_BLENDWEIGHT, 0);
    const D3DVERTEXELEMENT9* indexElement = blended->FindElement(D3DDECLUSAGE_BLENDINDICES, 0);
    for (size_t c = 0; c < combinations.size(); ++c) {
        for (DWORD nv = records[c].VertexStart; nv < records[c].VertexStart + records[c].VertexCount; ++nv) {
            const DWORD source = sourceOfVertex[nv];
            std::uint8_t* target = blended->Vertex(nv);
            std::memcpy(target, mesh->Vertex(source) + position->Offset, d3d9::DeclTypeSize(position->Type));
            float weights[4] = {0, 0, 0, 0};
            std::uint8_t slots[4] = {0, 0, 0, 0};
            const auto& list = influences[source];
            for (size_t i = 0; i < list.size(); ++i) {
                const auto& bones = combinations[c].bones;
                slots[i] =
                    static_cast<std::uint8_t>(std::find(bones.begin(), bones.end(), list[i].bone) - bones.begin());
                weights[i] = list[i].weight;
            }
            // Unused slots repeat the first so a zero weight reads a real matrix.
            for (size_t i = list.size(); i < 4; ++i) slots[i] = slots[0];
            if (weightElement)
                std::memcpy(target + weightElement->Offset, weights, static_cast<std::size_t>(maxInfluences - 1) * 4);
            std::memcpy(target + indexElement->Offset, slots, 4);
            WORD at = static_cast<WORD>(indexElement->Offset + 4);
            for (const auto& copy : copies) {
                std::memcpy(target + at, mesh->Vertex(source) + copy.first, copy.second);
                at = static_cast<WORD>(at + copy.second);
            }
        }
    }
    DWORD* attributes = nullptr;
    blended->LockAttributeBuffer(0, &attributes);
    std::vector<D3DXATTRIBUTERANGE> table;
    for (size_t c = 0; c < combinations.size(); ++c) {
        for (DWORD f = records[c].FaceStart; f < records[c].FaceStart + records[c].FaceCount; ++f)
            attributes[f] = static_cast<DWORD>(c);
        table.push_back(D3DXATTRIBUTERANGE{static_cast<DWORD>(c), records[c].FaceStart, records[c].FaceCount,
                                           records[c].VertexStart, records[c].VertexCount});
    }
    blended->UnlockAttributeBuffer();
    for (size_t corner = 0; corner < newFaces.size(); ++corner) blended->SetIndex(corner, newFaces[corner]);
    blended->SetAttributeTable(table.data(), static_cast<DWORD>(table.size()));

    if (faceRemap) std::copy(faceSource.begin(), faceSource.end(), faceRemap);
    if (vertexRemap) *vertexRemap = new ID3DXBuffer(sourceOfVertex.data(), sourceOfVertex.size() * sizeof(DWORD));
    if (adjacencyOut) {
        const std::vector<DWORD> adjacency = d3dx9::ComputeAdjacency(*blended);
        std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
    }
    if (boneCombinationTable) {
        // Records first, then each record's palette, in one buffer.
        const size_t recordBytes = records.size() * sizeof(D3DXBONECOMBINATION);
        auto* buffer = new ID3DXBuffer(recordBytes + records.size() * paletteSize * sizeof(DWORD));
        auto* base = static_cast<std::uint8_t*>(buffer->GetBufferPointer());
        auto* ids = reinterpret_cast<DWORD*>(base + recordBytes);
        for (size_t c = 0; c < records.size(); ++c) {
            records[c].BoneId = ids + c * paletteSize;
            for (DWORD slot = 0; slot < paletteSize; ++slot)
                records[c].BoneId[slot] = slot < combinations[c].bones.size() ? combinations[c].bones[slot] : UINT_MAX;
        }
        std::memcpy(base, records.data(), recordBytes);
        *boneCombinationTable = buffer;
    }
    if (maxVertexInfluences) *maxVertexInfluences = maxInfluences;
    if (boneCombinationCount) *boneCombinationCount = static_cast<DWORD>(combinations.size());
    *blendedMesh = blended;
    return D3D_OK;
}
