// X files through assimp. Its X importer turns the file's left-handed data
// right-handed (mirrored z, flipped v, reversed winding) and
// aiProcess_ConvertToLeftHanded undoes exactly that, so what reaches the
// program is the file's. assimp splits every X mesh into one mesh per
// material it uses; consecutive parts of one frame whose material indices
// rise are put back together as subsets of one mesh.
#include "platform/d3dx9/xfile_loader.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/fs/path.h"

namespace {
constexpr double kDefaultTicksPerSecond = 4800.0;
constexpr UINT kControllerTracks = 2;
constexpr UINT kControllerEvents = 30;

// The one place X files are opened.
const aiScene* ReadXFile(Assimp::Importer& importer, LPCSTR file) {
    if (!file) return nullptr;
    const std::string path = ResolveCaseInsensitivePath(file);
    return importer.ReadFile(path, aiProcess_ConvertToLeftHanded | aiProcess_Triangulate |
                                       aiProcess_JoinIdenticalVertices | aiProcess_LimitBoneWeights);
}

// assimp's matrices are column-vector ones: the transpose of the file's.
D3DXMATRIX ToD3D(const aiMatrix4x4& m) {
    return D3DXMATRIX(m.a1, m.b1, m.c1, m.d1, m.a2, m.b2, m.c2, m.d2, m.a3, m.b3, m.c3, m.d3, m.a4, m.b4, m.c4, m.d4);
}

// assimp names the root it adds above several top-level frames or loose
// meshes "$dummy_root" / "$dummy_node"; the file gave those no name.
bool IsAddedRoot(const aiNode* node) { return std::strncmp(node->mName.C_Str(), "$dummy", 6) == 0; }

// A material named by assimp alone is the one it adds for a mesh that has
// no material list.
bool IsAddedMaterial(const aiMaterial* material) {
    aiString name;
    return material->Get(AI_MATKEY_NAME, name) != AI_SUCCESS || name.length == 0;
}

struct Part {
    const aiMesh* mesh;
    D3DXMATRIX placement;  // applied to positions and normals when not identity
    bool placed;
};

struct BuiltMesh {
    ID3DXMesh* mesh = nullptr;
    std::vector<D3DXMATERIAL> materials;  // texture names point into textureNames
    std::vector<std::string> textureNames;
    std::vector<bool> hasTexture;
    bool fileHasMaterials = false;
    ID3DXSkinInfo* skin = nullptr;
    std::vector<DWORD> adjacency;

    BuiltMesh() = default;
    BuiltMesh(const BuiltMesh&) = delete;
    BuiltMesh& operator=(const BuiltMesh&) = delete;
    ~BuiltMesh() {
        if (mesh) mesh->Release();
        if (skin) skin->Release();
    }
};

D3DMATERIAL9 MaterialOf(const aiMaterial* source) {
    D3DMATERIAL9 material{};
    aiColor4D diffuse(1, 1, 1, 1);
    source->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse);
    aiColor3D specular(0, 0, 0), emissive(0, 0, 0);
    source->Get(AI_MATKEY_COLOR_SPECULAR, specular);
    source->Get(AI_MATKEY_COLOR_EMISSIVE, emissive);
    float power = 0.0f;
    source->Get(AI_MATKEY_SHININESS, power);
    material.Diffuse = D3DCOLORVALUE{diffuse.r, diffuse.g, diffuse.b, diffuse.a};
    material.Specular = D3DCOLORVALUE{specular.r, specular.g, specular.b, 1.0f};
    material.Emissive = D3DCOLORVALUE{emissive.r, emissive.g, emissive.b, 1.0f};
    material.Power = power;
    return material;
}

void PutVector(std::uint8_t* at, const D3DXVECTOR3& v) { std::memcpy(at, &v.x, 12); }

// One mesh from parts, a subset per part, with its materials and skin.
bool BuildMesh(const aiScene* scene, const std::vector<Part>& parts, DWORD options, IDirect3DDevice9* device,
               BuiltMesh* out) {
    bool normals = true, texcoords = false, colours = false;
    DWORD vertexCount = 0, faceCount = 0;
    for (const Part& part : parts) {
        normals = normals && part.mesh->HasNormals();
        texcoords = texcoords || part.mesh->HasTextureCoords(0);
        colours = colours || part.mesh->HasVertexColors(0);
        vertexCount += part.mesh->mNumVertices;
        for (unsigned f = 0; f < part.mesh->mNumFaces; ++f) faceCount += part.mesh->mFaces[f].mNumIndices == 3;
    }
    if (vertexCount == 0 || faceCount == 0) return false;
    const DWORD fvf =
        D3DFVF_XYZ | (normals ? D3DFVF_NORMAL : 0) | (colours ? D3DFVF_DIFFUSE : 0) | (texcoords ? D3DFVF_TEX1 : 0);
    if (vertexCount > 0xFFFF) options |= D3DXMESH_32BIT;
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXCreateMeshFVF(faceCount, vertexCount, options, fvf, device, &mesh))) return false;
    out->mesh = mesh;
    const D3DVERTEXELEMENT9* normalElement = mesh->FindElement(D3DDECLUSAGE_NORMAL, 0);
    const D3DVERTEXELEMENT9* colourElement = mesh->FindElement(D3DDECLUSAGE_COLOR, 0);
    const D3DVERTEXELEMENT9* uvElement = mesh->FindElement(D3DDECLUSAGE_TEXCOORD, 0);

    void* data = nullptr;
    DWORD* attributes = nullptr;
    mesh->LockVertexBuffer(0, &data);
    mesh->LockAttributeBuffer(0, &attributes);
    std::vector<ID3DXSkinInfo::Bone> bones;
    std::map<std::string, size_t> boneByName;
    DWORD vertexBase = 0, face = 0;
    for (size_t p = 0; p < parts.size(); ++p) {
        const aiMesh* source = parts[p].mesh;
        for (unsigned v = 0; v < source->mNumVertices; ++v) {
            std::uint8_t* vertex = mesh->Vertex(vertexBase + v);
            D3DXVECTOR3 position(source->mVertices[v].x, source->mVertices[v].y, source->mVertices[v].z);
            if (parts[p].placed) D3DXVec3TransformCoord(&position, &position, &parts[p].placement);
            PutVector(vertex, position);
            if (normalElement) {
                D3DXVECTOR3 normal(source->mNormals[v].x, source->mNormals[v].y, source->mNormals[v].z);
                if (parts[p].placed) {
                    D3DXVec3TransformNormal(&normal, &normal, &parts[p].placement);
                    D3DXVec3Normalize(&normal, &normal);
                }
                PutVector(vertex + normalElement->Offset, normal);
            }
            if (colourElement) {
                aiColor4D c = source->HasVertexColors(0) ? source->mColors[0][v] : aiColor4D(1, 1, 1, 1);
                const D3DCOLOR colour = D3DCOLOR_COLORVALUE(c.r, c.g, c.b, c.a);
                std::memcpy(vertex + colourElement->Offset, &colour, 4);
            }
            if (uvElement) {
                float uv[2] = {0, 0};
                if (source->HasTextureCoords(0)) {
                    uv[0] = source->mTextureCoords[0][v].x;
                    uv[1] = source->mTextureCoords[0][v].y;
                }
                std::memcpy(vertex + uvElement->Offset, uv, 8);
            }
        }
        for (unsigned f = 0; f < source->mNumFaces; ++f) {
            const aiFace& sourceFace = source->mFaces[f];
            if (sourceFace.mNumIndices != 3) continue;
            for (int k = 0; k < 3; ++k) mesh->SetIndex(face * 3 + k, vertexBase + sourceFace.mIndices[k]);
            attributes[face++] = static_cast<DWORD>(p);
        }
        for (unsigned b = 0; b < source->mNumBones; ++b) {
            const aiBone* bone = source->mBones[b];
            auto found = boneByName.emplace(bone->mName.C_Str(), bones.size());
            if (found.second)
                bones.push_back(ID3DXSkinInfo::Bone{bone->mName.C_Str(), ToD3D(bone->mOffsetMatrix), {}, {}});
            ID3DXSkinInfo::Bone& target = bones[found.first->second];
            for (unsigned w = 0; w < bone->mNumWeights; ++w) {
                target.vertices.push_back(vertexBase + bone->mWeights[w].mVertexId);
                target.weights.push_back(bone->mWeights[w].mWeight);
            }
        }
        vertexBase += source->mNumVertices;
    }
    mesh->UnlockAttributeBuffer();
    mesh->UnlockVertexBuffer();
    if (!bones.empty()) out->skin = ID3DXSkinInfo::Create(vertexCount, std::move(bones));

    out->textureNames.resize(parts.size());
    out->hasTexture.resize(parts.size());
    for (size_t p = 0; p < parts.size(); ++p) {
        const aiMaterial* source = scene->mMaterials[parts[p].mesh->mMaterialIndex];
        out->fileHasMaterials = out->fileHasMaterials || !IsAddedMaterial(source);
        D3DXMATERIAL material{MaterialOf(source), nullptr};
        aiString texture;
        if (source->GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS && texture.length > 0) {
            out->textureNames[p] = texture.C_Str();
            out->hasTexture[p] = true;
        }
        out->materials.push_back(material);
    }
    out->adjacency = d3dx9::ComputeAdjacency(*mesh);
    return true;
}

// D3DXMATERIAL records followed by their texture names, in one buffer.
ID3DXBuffer* MaterialBuffer(const BuiltMesh& built) {
    size_t bytes = built.materials.size() * sizeof(D3DXMATERIAL);
    for (size_t i = 0; i < built.materials.size(); ++i)
        if (built.hasTexture[i]) bytes += built.textureNames[i].size() + 1;
    auto* buffer = new ID3DXBuffer(bytes);
    auto* base = static_cast<std::uint8_t*>(buffer->GetBufferPointer());
    auto* records = reinterpret_cast<D3DXMATERIAL*>(base);
    char* names = reinterpret_cast<char*>(base + built.materials.size() * sizeof(D3DXMATERIAL));
    for (size_t i = 0; i < built.materials.size(); ++i) {
        records[i] = built.materials[i];
        records[i].pTextureFilename = nullptr;
        if (!built.hasTexture[i]) continue;
        std::memcpy(names, built.textureNames[i].c_str(), built.textureNames[i].size() + 1);
        records[i].pTextureFilename = names;
        names += built.textureNames[i].size() + 1;
    }
    return buffer;
}

// The parts of one node, grouped back into the X meshes they came from.
std::vector<std::vector<Part>> NodeMeshes(const aiScene* scene, const aiNode* node, const D3DXMATRIX* placement) {
    std::vector<std::vector<Part>> groups;
    int lastMaterial = -1;
    bool lastSkinned = false;
    for (unsigned i = 0; i < node->mNumMeshes; ++i) {
        const aiMesh* mesh = scene->mMeshes[node->mMeshes[i]];
        const int material = static_cast<int>(mesh->mMaterialIndex);
        const bool skinned = mesh->mNumBones > 0;
        if (groups.empty() || material <= lastMaterial || skinned != lastSkinned) groups.emplace_back();
        groups.back().push_back(Part{mesh, placement ? *placement : D3DXMATRIX(), placement != nullptr});
        lastMaterial = material;
        lastSkinned = skinned;
    }
    return groups;
}

void CollectStaticParts(const aiScene* scene, const aiNode* node, const D3DXMATRIX& parent, std::vector<Part>* parts) {
    D3DXMATRIX combined;
    const D3DXMATRIX local = ToD3D(node->mTransformation);
    D3DXMatrixMultiply(&combined, &local, &parent);
    for (auto& group : NodeMeshes(scene, node, &combined))
        for (Part& part : group) parts->push_back(part);
    for (unsigned c = 0; c < node->mNumChildren; ++c) CollectStaticParts(scene, node->mChildren[c], combined, parts);
}

class HierarchyBuilder {
public:
    HierarchyBuilder(const aiScene* scene, DWORD options, IDirect3DDevice9* device, LPD3DXALLOCATEHIERARCHY allocator)
        : m_scene(scene), m_options(options), m_device(device), m_allocator(allocator) {}

    // The frames of nodes[first..] as a sibling chain.
    HRESULT BuildSiblings(const std::vector<const aiNode*>& nodes, LPD3DXFRAME* chain) {
        LPD3DXFRAME* link = chain;
        for (const aiNode* node : nodes) {
            LPD3DXFRAME frame = nullptr;
            const HRESULT result = BuildFrame(node, &frame);
            *link = frame;
            if (FAILED(result)) return result;
            if (frame) link = &frame->pFrameSibling;
        }
        return D3D_OK;
    }

    std::map<std::string, LPD3DXFRAME>& Frames() { return m_frames; }

private:
    HRESULT BuildFrame(const aiNode* node, LPD3DXFRAME* out) {
        const bool unnamed = IsAddedRoot(node) || node->mName.length == 0;
        LPD3DXFRAME frame = nullptr;
        HRESULT result = m_allocator->CreateFrame(unnamed ? nullptr : node->mName.C_Str(), &frame);
        if (FAILED(result) || !frame) return FAILED(result) ? result : E_FAIL;
        *out = frame;
        frame->TransformationMatrix = ToD3D(node->mTransformation);
        if (!unnamed) m_frames.emplace(node->mName.C_Str(), frame);

        LPD3DXMESHCONTAINER* link = &frame->pMeshContainer;
        while (*link) link = &(*link)->pNextMeshContainer;
        for (const auto& group : NodeMeshes(m_scene, node, nullptr)) {
            BuiltMesh built;
            if (!BuildMesh(m_scene, group, m_options, m_device, &built)) continue;
            LPD3DXMESHCONTAINER container = nullptr;
            result = CreateContainer(node, built, &container);
            if (FAILED(result)) return result;
            if (container) {
                *link = container;
                while (*link) link = &(*link)->pNextMeshContainer;
            }
        }
        std::vector<const aiNode*> children(node->mChildren, node->mChildren + node->mNumChildren);
        return BuildSiblings(children, &frame->pFrameFirstChild);
    }

    HRESULT CreateContainer(const aiNode* node, BuiltMesh& built, LPD3DXMESHCONTAINER* container) {
        D3DXMESHDATA data{};
        data.Type = D3DXMESHTYPE_MESH;
        data.pMesh = built.mesh;
        const DWORD materialCount = built.fileHasMaterials ? static_cast<DWORD>(built.materials.size()) : 0;
        std::vector<D3DXMATERIAL> materials(built.materials);
        std::vector<std::vector<char>> names(materials.size());
        for (size_t i = 0; i < materials.size(); ++i) {
            if (!built.hasTexture[i]) continue;
            names[i].assign(built.textureNames[i].begin(), built.textureNames[i].end());
            names[i].push_back('\0');
            materials[i].pTextureFilename = names[i].data();
        }
        std::vector<D3DXEFFECTINSTANCE> effects(std::max<size_t>(materialCount, 1), D3DXEFFECTINSTANCE{});
        const std::string name = IsAddedRoot(node) ? std::string() : node->mName.C_Str();
        return m_allocator->CreateMeshContainer(
            name.empty() ? nullptr : name.c_str(), &data, materialCount ? materials.data() : nullptr,
            materialCount ? effects.data() : nullptr, materialCount, built.adjacency.data(), built.skin, container);
    }

    const aiScene* m_scene;
    DWORD m_options;
    IDirect3DDevice9* m_device;
    LPD3DXALLOCATEHIERARCHY m_allocator;
    std::map<std::string, LPD3DXFRAME> m_frames;
};

D3DXQUATERNION ToD3D(const aiQuaternion& q) { return D3DXQUATERNION(q.x, q.y, q.z, q.w); }

HRESULT BuildController(const aiScene* scene, const std::map<std::string, LPD3DXFRAME>& frames,
                        LPD3DXANIMATIONCONTROLLER* out) {
    std::vector<ID3DXKeyframedAnimationSet*> sets;
    std::set<std::string> animated;
    auto releaseSets = [&] {
        for (ID3DXKeyframedAnimationSet* set : sets) set->Release();
    };
    for (unsigned a = 0; a < scene->mNumAnimations; ++a) {
        const aiAnimation* animation = scene->mAnimations[a];
        const double ticks = animation->mTicksPerSecond > 0.0 ? animation->mTicksPerSecond : kDefaultTicksPerSecond;
        ID3DXKeyframedAnimationSet* set = nullptr;
        if (FAILED(D3DXCreateKeyframedAnimationSet(animation->mName.C_Str(), ticks, D3DXPLAY_LOOP,
                                                   animation->mNumChannels, 0, nullptr, &set))) {
            releaseSets();
            return E_FAIL;
        }
        sets.push_back(set);
        for (unsigned c = 0; c < animation->mNumChannels; ++c) {
            const aiNodeAnim* channel = animation->mChannels[c];
            std::vector<D3DXKEY_VECTOR3> scales(channel->mNumScalingKeys), translations(channel->mNumPositionKeys);
            std::vector<D3DXKEY_QUATERNION> rotations(channel->mNumRotationKeys);
            for (unsigned k = 0; k < channel->mNumScalingKeys; ++k) {
                const aiVectorKey& key = channel->mScalingKeys[k];
                scales[k] = D3DXKEY_VECTOR3{static_cast<float>(key.mTime),
                                            D3DXVECTOR3(key.mValue.x, key.mValue.y, key.mValue.z)};
            }
            for (unsigned k = 0; k < channel->mNumPositionKeys; ++k) {
                const aiVectorKey& key = channel->mPositionKeys[k];
                translations[k] = D3DXKEY_VECTOR3{static_cast<float>(key.mTime),
                                                  D3DXVECTOR3(key.mValue.x, key.mValue.y, key.mValue.z)};
            }
            for (unsigned k = 0; k < channel->mNumRotationKeys; ++k)
                rotations[k] = D3DXKEY_QUATERNION{static_cast<float>(channel->mRotationKeys[k].mTime),
                                                  ToD3D(channel->mRotationKeys[k].mValue)};
            set->RegisterAnimationSRTKeys(channel->mNodeName.C_Str(), static_cast<UINT>(scales.size()),
                                          static_cast<UINT>(rotations.size()), static_cast<UINT>(translations.size()),
                                          scales.data(), rotations.data(), translations.data(), nullptr);
            animated.insert(channel->mNodeName.C_Str());
        }
    }
    ID3DXAnimationController* controller = nullptr;
    const UINT outputs = static_cast<UINT>(std::max<size_t>(frames.size(), 1));
    if (FAILED(D3DXCreateAnimationController(outputs, static_cast<UINT>(sets.size()), kControllerTracks,
                                             kControllerEvents, &controller))) {
        releaseSets();
        return E_FAIL;
    }
    for (const std::string& name : animated) {
        auto frame = frames.find(name);
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
    Assimp::Importer importer;
    const aiScene* scene = ReadXFile(importer, file);
    if (!scene || !scene->mRootNode) return D3DXERR_INVALIDDATA;
    std::vector<Part> parts;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    CollectStaticParts(scene, scene->mRootNode, identity, &parts);
    BuiltMesh built;
    if (parts.empty() || !BuildMesh(scene, parts, options, device, &built)) return D3DXERR_INVALIDDATA;

    if (adjacency) *adjacency = new ID3DXBuffer(built.adjacency.data(), built.adjacency.size() * sizeof(DWORD));
    if (materials) *materials = MaterialBuffer(built);
    if (effectInstances) {
        std::vector<D3DXEFFECTINSTANCE> instances(built.materials.size(), D3DXEFFECTINSTANCE{});
        *effectInstances = new ID3DXBuffer(instances.data(), instances.size() * sizeof(D3DXEFFECTINSTANCE));
    }
    if (materialCount) *materialCount = static_cast<DWORD>(built.materials.size());
    *mesh = built.mesh;
    built.mesh = nullptr;
    return D3D_OK;
}

HRESULT D3DXLoadMeshHierarchyFromXA(LPCSTR file, DWORD options, IDirect3DDevice9* device,
                                    LPD3DXALLOCATEHIERARCHY allocator, ID3DXLoadUserData*, LPD3DXFRAME* frameRoot,
                                    LPD3DXANIMATIONCONTROLLER* animationController) {
    if (frameRoot) *frameRoot = nullptr;
    if (animationController) *animationController = nullptr;
    if (!device || !allocator || !frameRoot) return D3DERR_INVALIDCALL;
    Assimp::Importer importer;
    const aiScene* scene = ReadXFile(importer, file);
    if (!scene || !scene->mRootNode) return D3DXERR_INVALIDDATA;

    // Several top-level frames are a sibling chain, not children of a root.
    const aiNode* root = scene->mRootNode;
    std::vector<const aiNode*> top;
    if (IsAddedRoot(root) && root->mNumMeshes == 0)
        top.assign(root->mChildren, root->mChildren + root->mNumChildren);
    else
        top.push_back(root);

    HierarchyBuilder builder(scene, options, device, allocator);
    LPD3DXFRAME frames = nullptr;
    const HRESULT result = builder.BuildSiblings(top, &frames);
    if (FAILED(result) || !frames) {
        if (frames) D3DXFrameDestroy(frames, allocator);
        return FAILED(result) ? result : D3DXERR_INVALIDDATA;
    }
    if (animationController && scene->mNumAnimations > 0 &&
        FAILED(BuildController(scene, builder.Frames(), animationController))) {
        D3DXFrameDestroy(frames, allocator);
        return E_FAIL;
    }
    *frameRoot = frames;
    return D3D_OK;
}
