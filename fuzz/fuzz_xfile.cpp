// Fuzzing the X-file reader and everything built from what it reads that
// needs no GL context: the meshes' CPU copies, the hierarchy through an
// allocator that does the skinned-mesh loader's work (normals, tangents,
// bounds, conversion into bone palettes, bone lookup), the single mesh of
// the static loader, and the animation controller played for a few steps.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/d3dx9/xfile_loader.h"
#include "platform/d3dx9/xfile_reader.h"

namespace {

constexpr D3DVERTEXELEMENT9 kTangentSpace[5] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

template <class T>
void Release(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

// The skinned-mesh loader's conversion of one mesh, without a device.
void Convert(ID3DXMesh* mesh, ID3DXSkinInfo* skin) {
    ID3DXMesh* tangent = nullptr;
    if (FAILED(mesh->CloneMesh(mesh->GetOptions(), kTangentSpace, nullptr, &tangent))) return;
    D3DXComputeNormals(tangent, nullptr);
    D3DXComputeTangent(tangent, 0, 0, D3DX_DEFAULT, 0, nullptr);
    void* vertices = nullptr;
    if (SUCCEEDED(tangent->LockVertexBuffer(D3DLOCK_READONLY, &vertices))) {
        D3DXVECTOR3 centre, low, high;
        float radius = 0;
        const auto* positions = static_cast<const D3DXVECTOR3*>(vertices);
        D3DXComputeBoundingSphere(positions, tangent->GetNumVertices(), tangent->GetNumBytesPerVertex(), &centre,
                                  &radius);
        D3DXComputeBoundingBox(positions, tangent->GetNumVertices(), tangent->GetNumBytesPerVertex(), &low, &high);
        tangent->UnlockVertexBuffer();
    }
    if (skin) {
        const DWORD palette = std::min<DWORD>(26, skin->GetNumBones());
        DWORD influences = 0, combinations = 0;
        ID3DXBuffer* table = nullptr;
        ID3DXMesh* blended = nullptr;
        if (SUCCEEDED(skin->ConvertToIndexedBlendedMesh(tangent, D3DXMESHOPT_VERTEXCACHE | D3DXMESH_MANAGED, palette,
                                                        nullptr, nullptr, nullptr, nullptr, &influences, &combinations,
                                                        &table, &blended))) {
            D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
            if (SUCCEEDED(blended->GetDeclaration(declaration))) {
                for (D3DVERTEXELEMENT9* element = declaration; !d3d9::IsDeclarationEnd(*element); ++element)
                    if (element->Usage == D3DDECLUSAGE_BLENDINDICES) element->Type = D3DDECLTYPE_D3DCOLOR;
                blended->UpdateSemantics(declaration);
            }
        }
        Release(table);
        Release(blended);
    }
    Release(tangent);
}

struct Allocator : ID3DXAllocateHierarchy {
    HRESULT CreateFrame(LPCSTR name, LPD3DXFRAME* frame) override {
        auto* f = new D3DXFRAME{};
        if (name) f->Name = strdup(name);
        D3DXMatrixIdentity(&f->TransformationMatrix);
        *frame = f;
        return S_OK;
    }
    HRESULT CreateMeshContainer(LPCSTR, const D3DXMESHDATA* data, const D3DXMATERIAL* materials,
                                const D3DXEFFECTINSTANCE*, DWORD count, const DWORD* adjacency, LPD3DXSKININFO skin,
                                LPD3DXMESHCONTAINER* out) override {
        ID3DXMesh* mesh = data->pMesh;
        if (!(mesh->GetFVF() & D3DFVF_NORMAL)) {
            ID3DXMesh* withNormals = nullptr;
            if (FAILED(mesh->CloneMeshFVF(mesh->GetOptions(), mesh->GetFVF() | D3DFVF_NORMAL, nullptr, &withNormals)))
                return E_FAIL;
            D3DXComputeNormals(withNormals, nullptr);
            mesh = withNormals;
        } else {
            mesh->AddRef();
        }
        // What the program's allocator copies.
        volatile std::size_t sink = 0;
        for (DWORD i = 0; i < count; ++i)
            if (materials[i].pTextureFilename) sink = sink + std::strlen(materials[i].pTextureFilename);
        for (DWORD i = 0; i < mesh->GetNumFaces() * 3; ++i) sink = sink + adjacency[i];
        Convert(mesh, skin);
        auto* container = new D3DXMESHCONTAINER{};
        container->MeshData.Type = D3DXMESHTYPE_MESH;
        container->MeshData.pMesh = mesh;
        container->pSkinInfo = skin;
        if (skin) skin->AddRef();
        *out = container;
        return S_OK;
    }
    HRESULT DestroyFrame(LPD3DXFRAME frame) override {
        std::free(frame->Name);
        delete frame;
        return S_OK;
    }
    HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER container) override {
        Release(container->MeshData.pMesh);
        Release(container->pSkinInfo);
        delete container;
        return S_OK;
    }
};

// Every bone is looked up by name, as the skinned-mesh loader does.
void FindBones(LPD3DXFRAME root, LPD3DXFRAME frame) {
    for (; frame; frame = frame->pFrameSibling) {
        for (LPD3DXMESHCONTAINER c = frame->pMeshContainer; c; c = c->pNextMeshContainer)
            if (c->pSkinInfo)
                for (DWORD b = 0; b < c->pSkinInfo->GetNumBones(); ++b)
                    D3DXFrameFind(root, c->pSkinInfo->GetBoneName(b));
        FindBones(root, frame->pFrameFirstChild);
    }
}

// Each set on track 0 for a few frames, then a cross-fade to the next.
void Play(ID3DXAnimationController* controller) {
    ID3DXAnimationController* clone = nullptr;
    if (FAILED(controller->CloneAnimationController(controller->GetMaxNumAnimationOutputs(),
                                                    controller->GetMaxNumAnimationSets(), controller->GetMaxNumTracks(),
                                                    controller->GetMaxNumEvents(), &clone)))
        return;
    const UINT sets = std::min<UINT>(clone->GetNumAnimationSets(), 8);
    for (UINT s = 0; s < sets; ++s) {
        ID3DXAnimationSet* set = nullptr;
        if (FAILED(clone->GetAnimationSet(s, &set))) continue;
        const UINT track = s % 2;
        clone->SetTrackAnimationSet(track, set);
        clone->SetTrackPosition(track, 0.0);
        clone->SetTrackEnable(track, TRUE);
        clone->KeyTrackWeight(track, 1.0f, 0.0, 0.01, D3DXTRANSITION_LINEAR);
        clone->KeyTrackWeight(1 - track, 0.0f, 0.0, 0.01, D3DXTRANSITION_LINEAR);
        clone->KeyTrackEnable(1 - track, FALSE, 0.01);
        for (int frame = 0; frame < 4; ++frame) {
            clone->ResetTime();
            clone->AdvanceTime(0.37, nullptr);
        }
        set->GetPeriodicPosition(12.5);
        set->Release();
    }
    clone->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    xfile::File file;
    xfile::Error error;
    if (!xfile::Parse(std::string_view(reinterpret_cast<const char*>(data), size), &file, &error)) return 0;

    Allocator allocator;
    LPD3DXFRAME root = nullptr;
    ID3DXAnimationController* controller = nullptr;
    if (SUCCEEDED(d3dx9::HierarchyFromXFile(file, D3DXMESH_MANAGED, nullptr, &allocator, &root, &controller))) {
        FindBones(root, root);
        if (controller) Play(controller);
        Release(controller);
        D3DXFrameDestroy(root, &allocator);
    }

    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer *adjacency = nullptr, *materials = nullptr, *effects = nullptr;
    DWORD count = 0;
    if (SUCCEEDED(
            d3dx9::MeshFromXFile(file, D3DXMESH_MANAGED, nullptr, &adjacency, &materials, &effects, &count, &mesh))) {
        ID3DXMesh* tangent = nullptr;
        if (SUCCEEDED(mesh->CloneMesh(mesh->GetOptions(), kTangentSpace, nullptr, &tangent))) {
            D3DXComputeNormals(tangent, nullptr);
            D3DXComputeTangent(tangent, 0, 0, D3DX_DEFAULT, 0, nullptr);
        }
        Release(tangent);
    }
    Release(mesh);
    Release(adjacency);
    Release(materials);
    Release(effects);
    return 0;
}
