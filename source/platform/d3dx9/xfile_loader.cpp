// Meshes, frame hierarchies and animation controllers built from the
// description our own reader makes of an X file (xfile_reader.h). Nothing is
// converted on the way: positions, winding, texture coordinates, frame
// matrices and bone offsets arrive as the file writes them. Polygons are
// fanned into triangles from their first corner, and a vertex that the
// faces use with several normals becomes one vertex per normal.
#include "platform/d3dx9/xfile_loader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/d3dx9/xfile_reader.h"
#include "platform/log/load_failure.h"

namespace {
constexpr double kDefaultTicksPerSecond = 4800.0;
constexpr UINT kControllerTracks = 2;
constexpr UINT kControllerEvents = 30;

D3DXMATRIX MatrixOf(const xfile::Matrix& m) { return D3DXMATRIX(m.data()); }

// Vertices and triangles ready to become an ID3DXMesh.
struct Geometry {
    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXVECTOR3> normals;       // empty: the mesh has none
    std::vector<std::array<float, 2>> uvs;  // empty: the mesh has none
    std::vector<DWORD> indices;             // three per triangle
    std::vector<DWORD> attributes;          // one per triangle
    std::vector<ID3DXSkinInfo::Bone> bones;
};

// Whether a description holds together as the reader leaves it: every list
// the right length and every index in range. Descriptions made elsewhere
// are checked before anything is built from them.
bool WellFormed(const xfile::Mesh& mesh) {
    const std::size_t vertices = mesh.positions.size(), faces = mesh.faceSizes.size();
    std::size_t corners = 0;
    for (std::uint32_t size : mesh.faceSizes) {
        if (size < 3) return false;
        corners += size;
    }
    if (corners != mesh.corners.size()) return false;
    for (std::uint32_t index : mesh.corners)
        if (index >= vertices) return false;
    if (mesh.hasNormals) {
        if (mesh.normalCorners.size() != corners) return false;
        for (std::uint32_t index : mesh.normalCorners)
            if (index >= mesh.normals.size()) return false;
    }
    if (mesh.hasTextureCoords && mesh.textureCoords.size() != vertices) return false;
    if (mesh.hasMaterialList) {
        if (mesh.faceMaterials.size() != faces) return false;
        for (std::uint32_t index : mesh.faceMaterials)
            if (index >= mesh.materials.size()) return false;
    }
    for (const xfile::SkinWeights& bone : mesh.skin) {
        if (bone.vertices.size() != bone.weights.size()) return false;
        for (std::uint32_t index : bone.vertices)
            if (index >= vertices) return false;
    }
    return true;
}

// One X mesh. A position's first normal keeps the file's vertex; each other
// normal the faces pair it with makes a copy after the file's vertices, and
// the copy carries the same skin weights.
Geometry GeometryOf(const xfile::Mesh& mesh) {
    Geometry g;
    const std::size_t count = mesh.positions.size();
    std::vector<DWORD> vertexOfCorner(mesh.corners.begin(), mesh.corners.end());
    std::vector<std::pair<DWORD, DWORD>> copies;  // (position, normal) of each vertex after the file's
    std::vector<DWORD> normalOf;
    if (mesh.hasNormals) {
        constexpr DWORD kNone = 0xFFFFFFFFu;
        normalOf.assign(count, kNone);
        std::map<std::pair<DWORD, DWORD>, DWORD> copyOf;
        for (std::size_t c = 0; c < mesh.corners.size(); ++c) {
            const DWORD position = mesh.corners[c], normal = mesh.normalCorners[c];
            if (normalOf[position] == kNone) normalOf[position] = normal;
            if (normalOf[position] == normal) continue;
            const auto found =
                copyOf.emplace(std::make_pair(position, normal), static_cast<DWORD>(count + copies.size()));
            if (found.second) copies.emplace_back(position, normal);
            vertexOfCorner[c] = found.first->second;
        }
    }
    const std::size_t total = count + copies.size();
    g.positions.reserve(total);
    for (const xfile::Vector3& p : mesh.positions) g.positions.emplace_back(p.x, p.y, p.z);
    for (const auto& copy : copies) g.positions.push_back(g.positions[copy.first]);
    if (mesh.hasNormals) {
        g.normals.reserve(total);
        auto normal = [&](DWORD index) {
            const xfile::Vector3& n = mesh.normals[index];
            return D3DXVECTOR3(n.x, n.y, n.z);
        };
        for (std::size_t v = 0; v < count; ++v)
            g.normals.push_back(normalOf[v] == 0xFFFFFFFFu ? D3DXVECTOR3(0, 0, 0) : normal(normalOf[v]));
        for (const auto& copy : copies) g.normals.push_back(normal(copy.second));
    }
    if (mesh.hasTextureCoords) {
        g.uvs.reserve(total);
        for (const xfile::Vector2& t : mesh.textureCoords) g.uvs.push_back({t.u, t.v});
        for (const auto& copy : copies) g.uvs.push_back(g.uvs[copy.first]);
    }

    std::size_t corner = 0;
    for (std::size_t f = 0; f < mesh.faceSizes.size(); ++f) {
        const DWORD size = mesh.faceSizes[f];
        const DWORD attribute = mesh.hasMaterialList ? mesh.faceMaterials[f] : 0;
        for (DWORD k = 1; k + 1 < size; ++k) {
            g.indices.push_back(vertexOfCorner[corner]);
            g.indices.push_back(vertexOfCorner[corner + k]);
            g.indices.push_back(vertexOfCorner[corner + k + 1]);
            g.attributes.push_back(attribute);
        }
        corner += size;
    }

    std::multimap<DWORD, DWORD> copiesOf;
    for (std::size_t i = 0; i < copies.size(); ++i) copiesOf.emplace(copies[i].first, static_cast<DWORD>(count + i));
    for (const xfile::SkinWeights& source : mesh.skin) {
        ID3DXSkinInfo::Bone& bone = g.bones.emplace_back();
        bone.name = source.bone;
        bone.offset = MatrixOf(source.offset);
        bone.vertices.assign(source.vertices.begin(), source.vertices.end());
        bone.weights = source.weights;
        if (copiesOf.empty()) continue;
        for (std::size_t i = 0; i < source.vertices.size(); ++i) {
            const auto range = copiesOf.equal_range(source.vertices[i]);
            for (auto it = range.first; it != range.second; ++it) {
                bone.vertices.push_back(it->second);
                bone.weights.push_back(source.weights[i]);
            }
        }
    }
    return g;
}

HRESULT MakeMesh(const Geometry& g, DWORD options, IDirect3DDevice9* device, ID3DXMesh** out) {
    *out = nullptr;
    if (g.positions.empty() || g.indices.empty()) return D3DXERR_INVALIDDATA;
    const DWORD fvf = D3DFVF_XYZ | (g.normals.empty() ? 0 : D3DFVF_NORMAL) | (g.uvs.empty() ? 0 : D3DFVF_TEX1);
    if (g.positions.size() > 0xFFFF) options |= D3DXMESH_32BIT;
    ID3DXMesh* mesh = nullptr;
    const HRESULT result = D3DXCreateMeshFVF(static_cast<DWORD>(g.attributes.size()),
                                             static_cast<DWORD>(g.positions.size()), options, fvf, device, &mesh);
    if (FAILED(result)) return result;
    const D3DVERTEXELEMENT9* normal = mesh->FindElement(D3DDECLUSAGE_NORMAL, 0);
    const D3DVERTEXELEMENT9* uv = mesh->FindElement(D3DDECLUSAGE_TEXCOORD, 0);
    void* data = nullptr;
    DWORD* attributes = nullptr;
    mesh->LockVertexBuffer(0, &data);
    for (std::size_t v = 0; v < g.positions.size(); ++v) {
        std::uint8_t* vertex = mesh->Vertex(v);
        std::memcpy(vertex, &g.positions[v].x, 12);
        if (normal) std::memcpy(vertex + normal->Offset, &g.normals[v].x, 12);
        if (uv) std::memcpy(vertex + uv->Offset, g.uvs[v].data(), 8);
    }
    mesh->UnlockVertexBuffer();
    for (std::size_t corner = 0; corner < g.indices.size(); ++corner) mesh->SetIndex(corner, g.indices[corner]);
    mesh->LockAttributeBuffer(0, &attributes);
    std::copy(g.attributes.begin(), g.attributes.end(), attributes);
    mesh->UnlockAttributeBuffer();
    *out = mesh;
    return D3D_OK;
}

// A file's material; colours that the file gives as RGB are opaque.
D3DXMATERIAL MaterialOf(const xfile::Material& source) {
    D3DXMATERIAL material{};
    const auto& c = source.faceColor;
    material.MatD3D.Diffuse = D3DCOLORVALUE{c[0], c[1], c[2], c[3]};
    material.MatD3D.Specular = D3DCOLORVALUE{source.specular[0], source.specular[1], source.specular[2], 1.0f};
    material.MatD3D.Emissive = D3DCOLORVALUE{source.emissive[0], source.emissive[1], source.emissive[2], 1.0f};
    material.MatD3D.Power = source.power;
    return material;
}

// What a mesh without a material list is drawn with in a single mesh.
xfile::Material GreyMaterial() {
    xfile::Material grey;
    grey.faceColor = {0.5f, 0.5f, 0.5f, 1.0f};
    grey.power = 1.0f;
    return grey;
}

// D3DXMATERIAL records followed by their texture names, in one buffer.
ID3DXBuffer* MaterialBuffer(const std::vector<const xfile::Material*>& materials) {
    std::size_t bytes = materials.size() * sizeof(D3DXMATERIAL);
    for (const xfile::Material* m : materials)
        if (!m->texture.empty()) bytes += m->texture.size() + 1;
    auto* buffer = new ID3DXBuffer(bytes);
    auto* base = static_cast<std::uint8_t*>(buffer->GetBufferPointer());
    auto* records = reinterpret_cast<D3DXMATERIAL*>(base);
    char* names = reinterpret_cast<char*>(base + materials.size() * sizeof(D3DXMATERIAL));
    for (std::size_t i = 0; i < materials.size(); ++i) {
        records[i] = MaterialOf(*materials[i]);
        if (materials[i]->texture.empty()) continue;
        std::memcpy(names, materials[i]->texture.c_str(), materials[i]->texture.size() + 1);
        records[i].pTextureFilename = names;
        names += materials[i]->texture.size() + 1;
    }
    return buffer;
}

struct Placed {
    const xfile::Mesh* mesh;
    D3DXMATRIX placement;
};

void CollectPlaced(const xfile::Frame& frame, const D3DXMATRIX& parent, std::vector<Placed>* out) {
    D3DXMATRIX combined;
    const D3DXMATRIX local = MatrixOf(frame.matrix);
    D3DXMatrixMultiply(&combined, &local, &parent);
    for (const xfile::Mesh& mesh : frame.meshes) out->push_back(Placed{&mesh, combined});
    for (const xfile::Frame& child : frame.children) CollectPlaced(child, combined, out);
}

// Frames and mesh containers through the program's allocator, in the order
// D3DX calls it.
class HierarchyBuilder {
public:
    HierarchyBuilder(DWORD options, IDirect3DDevice9* device, LPD3DXALLOCATEHIERARCHY allocator)
        : m_options(options), m_device(device), m_allocator(allocator) {}

    // One frame; its link is set before anything can fail, so that a
    // partial hierarchy can always be destroyed from its root.
    HRESULT BuildFrame(const std::string& name, const xfile::Matrix& matrix, const std::vector<xfile::Mesh>& meshes,
                       const std::vector<xfile::Frame>& children, LPD3DXFRAME* link) {
        LPD3DXFRAME frame = nullptr;
        HRESULT result = m_allocator->CreateFrame(name.empty() ? nullptr : name.c_str(), &frame);
        if (FAILED(result) || !frame) return FAILED(result) ? result : E_FAIL;
        *link = frame;
        frame->TransformationMatrix = MatrixOf(matrix);
        if (!name.empty()) m_frames.emplace(name, frame);

        LPD3DXMESHCONTAINER* containerLink = &frame->pMeshContainer;
        while (*containerLink) containerLink = &(*containerLink)->pNextMeshContainer;
        for (const xfile::Mesh& mesh : meshes) {
            LPD3DXMESHCONTAINER container = nullptr;
            result = BuildContainer(mesh, &container);
            if (FAILED(result)) return result;
            if (!container) continue;
            *containerLink = container;
            while (*containerLink) containerLink = &(*containerLink)->pNextMeshContainer;
        }
        LPD3DXFRAME* childLink = &frame->pFrameFirstChild;
        for (const xfile::Frame& child : children) {
            result = BuildFrame(child.name, child.matrix, child.meshes, child.children, childLink);
            if (FAILED(result)) return result;
            childLink = &(*childLink)->pFrameSibling;
        }
        return D3D_OK;
    }

    const std::map<std::string, LPD3DXFRAME>& Frames() const { return m_frames; }

private:
    // A mesh without triangles makes no container.
    HRESULT BuildContainer(const xfile::Mesh& source, LPD3DXMESHCONTAINER* container) {
        if (!WellFormed(source)) return D3DXERR_INVALIDDATA;
        const Geometry geometry = GeometryOf(source);
        if (geometry.indices.empty()) return D3D_OK;
        ID3DXMesh* mesh = nullptr;
        HRESULT result = MakeMesh(geometry, m_options, m_device, &mesh);
        if (FAILED(result)) return result;
        ID3DXSkinInfo* skin = nullptr;
        if (!geometry.bones.empty())
            skin = ID3DXSkinInfo::Create(static_cast<DWORD>(geometry.positions.size()), geometry.bones);
        const std::vector<DWORD> adjacency = d3dx9::ComputeAdjacency(*mesh);

        const DWORD materialCount = source.hasMaterialList ? static_cast<DWORD>(source.materials.size()) : 0;
        std::vector<D3DXMATERIAL> materials;
        std::vector<std::vector<char>> names(materialCount);
        for (DWORD i = 0; i < materialCount; ++i) {
            D3DXMATERIAL& material = materials.emplace_back(MaterialOf(source.materials[i]));
            const std::string& texture = source.materials[i].texture;
            if (texture.empty()) continue;
            names[i].assign(texture.begin(), texture.end());
            names[i].push_back('\0');
            material.pTextureFilename = names[i].data();
        }
        std::vector<D3DXEFFECTINSTANCE> effects(std::max<std::size_t>(materialCount, 1), D3DXEFFECTINSTANCE{});
        D3DXMESHDATA data{};
        data.Type = D3DXMESHTYPE_MESH;
        data.pMesh = mesh;
        result = m_allocator->CreateMeshContainer(
            source.name.empty() ? nullptr : source.name.c_str(), &data, materialCount ? materials.data() : nullptr,
            materialCount ? effects.data() : nullptr, materialCount, adjacency.data(), skin, container);
        // The allocator took references to what it keeps.
        mesh->Release();
        if (skin) skin->Release();
        return result;
    }

    DWORD m_options;
    IDirect3DDevice9* m_device;
    LPD3DXALLOCATEHIERARCHY m_allocator;
    std::map<std::string, LPD3DXFRAME> m_frames;  // the first frame of each name
};

// A matrix key as the scale, rotation and translation whose S x R x T
// gives it back: the scales are the lengths of the first three rows, the
// rotation is what remains of them, turned into a quaternion from the
// largest of its diagonal terms.
void Decompose(const float* m, D3DXVECTOR3* scale, D3DXQUATERNION* rotation, D3DXVECTOR3* translation) {
    const float sx = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    const float sy = std::sqrt(m[4] * m[4] + m[5] * m[5] + m[6] * m[6]);
    const float sz = std::sqrt(m[8] * m[8] + m[9] * m[9] + m[10] * m[10]);
    // r: the rotation written for column vectors, the transpose of the rows.
    const float r[3][3] = {
        {m[0] / sx, m[4] / sy, m[8] / sz},
        {m[1] / sx, m[5] / sy, m[9] / sz},
        {m[2] / sx, m[6] / sy, m[10] / sz},
    };
    float x, y, z, w;
    const float trace = r[0][0] + r[1][1] + r[2][2];
    if (trace > 0.0f) {
        const float s = std::sqrt(1.0f + trace) * 2.0f;
        x = (r[2][1] - r[1][2]) / s;
        y = (r[0][2] - r[2][0]) / s;
        z = (r[1][0] - r[0][1]) / s;
        w = 0.25f * s;
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        const float s = std::sqrt(1.0f + r[0][0] - r[1][1] - r[2][2]) * 2.0f;
        x = 0.25f * s;
        y = (r[1][0] + r[0][1]) / s;
        z = (r[0][2] + r[2][0]) / s;
        w = (r[2][1] - r[1][2]) / s;
    } else if (r[1][1] > r[2][2]) {
        const float s = std::sqrt(1.0f + r[1][1] - r[0][0] - r[2][2]) * 2.0f;
        x = (r[1][0] + r[0][1]) / s;
        y = 0.25f * s;
        z = (r[2][1] + r[1][2]) / s;
        w = (r[0][2] - r[2][0]) / s;
    } else {
        const float s = std::sqrt(1.0f + r[2][2] - r[0][0] - r[1][1]) * 2.0f;
        x = (r[0][2] + r[2][0]) / s;
        y = (r[2][1] + r[1][2]) / s;
        z = 0.25f * s;
        w = (r[1][0] - r[0][1]) / s;
    }
    *scale = D3DXVECTOR3(sx, sy, sz);
    *rotation = D3DXQUATERNION(x, y, z, w);
    *translation = D3DXVECTOR3(m[12], m[13], m[14]);
}

// The keys of one animation. Matrix keys, where there are any, stand for
// the whole animation; otherwise the separate keys are used. A rotation key
// of the file is the conjugate of the D3DX quaternion it stands for.
struct ChannelKeys {
    std::vector<D3DXKEY_VECTOR3> scales, translations;
    std::vector<D3DXKEY_QUATERNION> rotations;
};

ChannelKeys KeysOf(const xfile::Animation& animation) {
    ChannelKeys keys;
    const bool matrices = std::any_of(animation.keys.begin(), animation.keys.end(), [](const xfile::AnimationKey& k) {
        return k.type == xfile::kMatrixKey && !k.times.empty();
    });
    for (const xfile::AnimationKey& key : animation.keys) {
        if (matrices != (key.type == xfile::kMatrixKey)) continue;
        const std::size_t values = key.type == xfile::kMatrixKey ? 16 : key.type == xfile::kRotationKey ? 4 : 3;
        if (key.values.size() != key.times.size() * values) continue;  // not as the reader leaves it
        for (std::size_t k = 0; k < key.times.size(); ++k) {
            const float time = static_cast<float>(key.times[k]);
            switch (key.type) {
            case xfile::kMatrixKey: {
                D3DXVECTOR3 scale, translation;
                D3DXQUATERNION rotation;
                Decompose(&key.values[k * 16], &scale, &rotation, &translation);
                keys.scales.push_back(D3DXKEY_VECTOR3{time, scale});
                keys.rotations.push_back(D3DXKEY_QUATERNION{time, rotation});
                keys.translations.push_back(D3DXKEY_VECTOR3{time, translation});
                break;
            }
            case xfile::kRotationKey: {
                const float* q = &key.values[k * 4];  // w, x, y, z
                keys.rotations.push_back(D3DXKEY_QUATERNION{time, D3DXQUATERNION(-q[1], -q[2], -q[3], q[0])});
                break;
            }
            case xfile::kScaleKey: {
                const float* s = &key.values[k * 3];
                keys.scales.push_back(D3DXKEY_VECTOR3{time, D3DXVECTOR3(s[0], s[1], s[2])});
                break;
            }
            case xfile::kPositionKey: {
                const float* t = &key.values[k * 3];
                keys.translations.push_back(D3DXKEY_VECTOR3{time, D3DXVECTOR3(t[0], t[1], t[2])});
                break;
            }
            default: break;
            }
        }
    }
    return keys;
}

HRESULT BuildController(const xfile::File& file, const std::map<std::string, LPD3DXFRAME>& frames,
                        LPD3DXANIMATIONCONTROLLER* out) {
    const double ticks = file.ticksPerSecond > 0 ? file.ticksPerSecond : kDefaultTicksPerSecond;
    std::vector<ID3DXKeyframedAnimationSet*> sets;
    auto releaseSets = [&] {
        for (ID3DXKeyframedAnimationSet* set : sets) set->Release();
    };
    std::set<std::string> animated;
    for (const xfile::AnimationSet& source : file.animationSets) {
        ID3DXKeyframedAnimationSet* set = nullptr;
        if (FAILED(D3DXCreateKeyframedAnimationSet(source.name.c_str(), ticks, D3DXPLAY_LOOP,
                                                   static_cast<UINT>(source.animations.size()), 0, nullptr, &set))) {
            releaseSets();
            return E_FAIL;
        }
        sets.push_back(set);
        for (const xfile::Animation& animation : source.animations) {
            const ChannelKeys keys = KeysOf(animation);
            set->RegisterAnimationSRTKeys(animation.frame.c_str(), static_cast<UINT>(keys.scales.size()),
                                          static_cast<UINT>(keys.rotations.size()),
                                          static_cast<UINT>(keys.translations.size()), keys.scales.data(),
                                          keys.rotations.data(), keys.translations.data(), nullptr);
            animated.insert(animation.frame);
        }
    }
    ID3DXAnimationController* controller = nullptr;
    const UINT outputs = static_cast<UINT>(std::max<std::size_t>(frames.size(), 1));
    if (FAILED(D3DXCreateAnimationController(outputs, static_cast<UINT>(sets.size()), kControllerTracks,
                                             kControllerEvents, &controller))) {
        releaseSets();
        return E_FAIL;
    }
    for (const std::string& name : animated) {
        const auto frame = frames.find(name);
        if (frame != frames.end())
            controller->RegisterAnimationOutput(frame->first.c_str(), &frame->second->TransformationMatrix, nullptr,
                                                nullptr, nullptr);
    }
    for (ID3DXKeyframedAnimationSet* set : sets) controller->RegisterAnimationSet(set);
    releaseSets();
    ID3DXAnimationSet* first = nullptr;
    if (SUCCEEDED(controller->GetAnimationSet(0, &first))) {
        controller->SetTrackAnimationSet(0, first);
        first->Release();
    }
    *out = controller;
    return D3D_OK;
}
}  // namespace

namespace d3dx9 {

HRESULT MeshFromXFile(const xfile::File& file, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                      ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* materialCount, ID3DXMesh** mesh) {
    if (adjacency) *adjacency = nullptr;
    if (materials) *materials = nullptr;
    if (effectInstances) *effectInstances = nullptr;
    if (materialCount) *materialCount = 0;
    if (!mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;

    // Meshes outside every frame first, then the frames' in file order.
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    std::vector<Placed> placed;
    for (const xfile::Mesh& loose : file.meshes) placed.push_back(Placed{&loose, identity});
    for (const xfile::Frame& frame : file.frames) CollectPlaced(frame, identity, &placed);

    static const xfile::Material grey = GreyMaterial();
    Geometry all;
    std::vector<const xfile::Material*> materialList;
    bool normals = true, uvs = false;
    std::vector<std::pair<const Placed*, Geometry>> parts;
    for (const Placed& p : placed) {
        if (!WellFormed(*p.mesh)) return D3DXERR_INVALIDDATA;
        Geometry g = GeometryOf(*p.mesh);
        if (g.indices.empty()) continue;
        normals = normals && !g.normals.empty();
        uvs = uvs || !g.uvs.empty();
        parts.emplace_back(&p, std::move(g));
    }
    for (const auto& [p, g] : parts) {
        const DWORD base = static_cast<DWORD>(all.positions.size());
        const DWORD materialBase = static_cast<DWORD>(materialList.size());
        for (std::size_t v = 0; v < g.positions.size(); ++v) {
            D3DXVECTOR3 position = g.positions[v];
            D3DXVec3TransformCoord(&position, &position, &p->placement);
            all.positions.push_back(position);
            if (normals) {
                D3DXVECTOR3 normal = g.normals[v];
                D3DXVec3TransformNormal(&normal, &normal, &p->placement);
                D3DXVec3Normalize(&normal, &normal);
                all.normals.push_back(normal);
            }
            if (uvs) all.uvs.push_back(g.uvs.empty() ? std::array<float, 2>{0.0f, 0.0f} : g.uvs[v]);
        }
        for (DWORD index : g.indices) all.indices.push_back(base + index);
        for (DWORD attribute : g.attributes) all.attributes.push_back(materialBase + attribute);
        if (p->mesh->hasMaterialList)
            for (const xfile::Material& m : p->mesh->materials) materialList.push_back(&m);
        else
            materialList.push_back(&grey);
    }
    ID3DXMesh* built = nullptr;
    const HRESULT result = MakeMesh(all, options, device, &built);
    if (FAILED(result)) return result;

    if (adjacency) {
        const std::vector<DWORD> faces = ComputeAdjacency(*built);
        *adjacency = new ID3DXBuffer(faces.data(), faces.size() * sizeof(DWORD));
    }
    if (materials) *materials = MaterialBuffer(materialList);
    if (effectInstances) {
        std::vector<D3DXEFFECTINSTANCE> instances(materialList.size(), D3DXEFFECTINSTANCE{});
        *effectInstances = new ID3DXBuffer(instances.data(), instances.size() * sizeof(D3DXEFFECTINSTANCE));
    }
    if (materialCount) *materialCount = static_cast<DWORD>(materialList.size());
    *mesh = built;
    return D3D_OK;
}

HRESULT HierarchyFromXFile(const xfile::File& file, DWORD options, IDirect3DDevice9* device,
                           LPD3DXALLOCATEHIERARCHY allocator, LPD3DXFRAME* frameRoot,
                           LPD3DXANIMATIONCONTROLLER* animationController) {
    if (frameRoot) *frameRoot = nullptr;
    if (animationController) *animationController = nullptr;
    if (!allocator || !frameRoot) return D3DERR_INVALIDCALL;

    // The top-level frames are a sibling chain; meshes outside every frame
    // lead it in an unnamed frame of their own.
    HierarchyBuilder builder(options, device, allocator);
    LPD3DXFRAME root = nullptr;
    LPD3DXFRAME* link = &root;
    HRESULT result = D3D_OK;
    static const std::vector<xfile::Frame> kNoChildren;
    if (!file.meshes.empty()) {
        result = builder.BuildFrame(std::string(), xfile::kIdentity, file.meshes, kNoChildren, link);
        if (SUCCEEDED(result)) link = &(*link)->pFrameSibling;
    }
    for (std::size_t i = 0; i < file.frames.size() && SUCCEEDED(result); ++i) {
        const xfile::Frame& frame = file.frames[i];
        result = builder.BuildFrame(frame.name, frame.matrix, frame.meshes, frame.children, link);
        if (SUCCEEDED(result)) link = &(*link)->pFrameSibling;
    }
    if (FAILED(result) || !root) {
        if (root) D3DXFrameDestroy(root, allocator);
        return FAILED(result) ? result : D3DXERR_INVALIDDATA;
    }
    if (animationController && !file.animationSets.empty() &&
        FAILED(BuildController(file, builder.Frames(), animationController))) {
        D3DXFrameDestroy(root, allocator);
        return E_FAIL;
    }
    *frameRoot = root;
    return D3D_OK;
}

}  // namespace d3dx9

HRESULT D3DXLoadMeshFromXA(LPCSTR file, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* materialCount,
                           ID3DXMesh** mesh) {
    if (adjacency) *adjacency = nullptr;
    if (materials) *materials = nullptr;
    if (effectInstances) *effectInstances = nullptr;
    if (materialCount) *materialCount = 0;
    if (!mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (!device) return D3DERR_INVALIDCALL;
    xfile::File description;
    if (!xfile::ReadFile(file, &description)) return D3DXERR_INVALIDDATA;
    const HRESULT result =
        d3dx9::MeshFromXFile(description, options, device, adjacency, materials, effectInstances, materialCount, mesh);
    if (FAILED(result))
        vlog::LoadFailure(vlog::Category::Assets, xfile::DisplayName(file).c_str(), "no mesh was made of it (0x%08X)",
                          static_cast<unsigned>(result));
    return result;
}

HRESULT D3DXLoadMeshHierarchyFromXA(LPCSTR file, DWORD options, IDirect3DDevice9* device,
                                    LPD3DXALLOCATEHIERARCHY allocator, ID3DXLoadUserData*, LPD3DXFRAME* frameRoot,
                                    LPD3DXANIMATIONCONTROLLER* animationController) {
    if (frameRoot) *frameRoot = nullptr;
    if (animationController) *animationController = nullptr;
    if (!device || !allocator || !frameRoot) return D3DERR_INVALIDCALL;
    xfile::File description;
    if (!xfile::ReadFile(file, &description)) return D3DXERR_INVALIDDATA;
    const HRESULT result =
        d3dx9::HierarchyFromXFile(description, options, device, allocator, frameRoot, animationController);
    if (FAILED(result))
        vlog::LoadFailure(vlog::Category::Assets, xfile::DisplayName(file).c_str(),
                          "no frame hierarchy was made of it (0x%08X)", static_cast<unsigned>(result));
    return result;
}
