#include "lib/SkinXFile.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <new>

#include "lib/XFile.h"
#include "platform/d3dx9/texture_loader.h"
#include "platform/d3dx9/xfile_loader.h"
#include "platform/d3dx9/xfile_reader.h"
#include "platform/log/log.h"
#include "platform/win32/messagebox.h"

namespace {
constexpr DWORD kMaxPaletteEntries = 26;
constexpr size_t kTextureNameLength = 260;

char* CopyName(LPCSTR name) {
    if (!name) return nullptr;
    const size_t length = std::strlen(name) + 1;
    char* copy = new (std::nothrow) char[length];
    if (copy) std::memcpy(copy, name, length);
    return copy;
}

template <class Interface>
void ReleaseAndClear(Interface*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

D3DXVECTOR4 AsVector(const D3DCOLORVALUE& c) { return D3DXVECTOR4(c.r, c.g, c.b, c.a); }
}  // namespace

// ---- CAllocateHierarchy ----

HRESULT CAllocateHierarchy::CreateFrame(LPCSTR name, LPD3DXFRAME* newFrame) {
    *newFrame = nullptr;
    auto* frame = new (std::nothrow) D3DXFRAME_DERIVED;
    if (!frame) return E_OUTOFMEMORY;
    frame->Name = nullptr;
    if (name) {
        frame->Name = CopyName(name);
        if (!frame->Name) {
            delete frame;
            return E_OUTOFMEMORY;
        }
    }
    D3DXMatrixIdentity(&frame->TransformationMatrix);
    D3DXMatrixIdentity(&frame->CombinedTransformationMatrix);
    frame->pMeshContainer = nullptr;
    frame->pFrameSibling = nullptr;
    frame->pFrameFirstChild = nullptr;
    *newFrame = frame;
    return S_OK;
}

HRESULT CAllocateHierarchy::CreateMeshContainer(LPCSTR name, const D3DXMESHDATA* meshData,
                                                const D3DXMATERIAL* materials, const D3DXEFFECTINSTANCE*,
                                                DWORD materialCount, const DWORD* adjacency, LPD3DXSKININFO skinInfo,
                                                LPD3DXMESHCONTAINER* newMeshContainer) {
    *newMeshContainer = nullptr;
    if (meshData->Type != D3DXMESHTYPE_MESH) return E_FAIL;
    ID3DXMesh* mesh = meshData->pMesh;
    if (mesh->GetFVF() == 0) return E_FAIL;

    auto* container = new (std::nothrow) D3DXMESHCONTAINER_DERIVED;
    if (!container) return E_OUTOFMEMORY;
    std::memset(static_cast<void*>(container), 0, sizeof *container);
    IDirect3DDevice9* device = nullptr;
    mesh->GetDevice(&device);
    HRESULT result = S_OK;
    auto fail = [&](HRESULT error) {
        DestroyMeshContainer(container);
        if (device) device->Release();
        return error;
    };

    container->Name = CopyName(name);
    if (name && !container->Name) return fail(E_OUTOFMEMORY);

    if (!(mesh->GetFVF() & D3DFVF_NORMAL)) {
        result =
            mesh->CloneMeshFVF(mesh->GetOptions(), mesh->GetFVF() | D3DFVF_NORMAL, device, &container->MeshData.pMesh);
        if (FAILED(result)) return fail(result);
        mesh = container->MeshData.pMesh;
        D3DXComputeNormals(mesh, nullptr);
    } else {
        container->MeshData.pMesh = mesh;
        mesh->AddRef();
    }
    container->MeshData.Type = D3DXMESHTYPE_MESH;

    const DWORD faceCount = mesh->GetNumFaces();
    container->NumMaterials = std::max<DWORD>(1, materialCount);
    container->pMaterials = new (std::nothrow) D3DXMATERIAL[container->NumMaterials]();
    container->ppTextures = new (std::nothrow) IDirect3DTexture9*[container->NumMaterials]();
    container->pAdjacency = new (std::nothrow) DWORD[static_cast<std::size_t>(faceCount) * 3]();
    if (!container->pMaterials || !container->ppTextures || !container->pAdjacency) return fail(E_OUTOFMEMORY);
    std::memcpy(container->pAdjacency, adjacency, sizeof(DWORD) * faceCount * 3);

    if (materialCount > 0) {
        std::memcpy(container->pMaterials, materials, sizeof(D3DXMATERIAL) * materialCount);
        for (DWORD i = 0; i < materialCount; ++i) {
            if (!container->pMaterials[i].pTextureFilename) continue;
            char path[kTextureNameLength];
            std::strncpy(path, container->pMaterials[i].pTextureFilename, kTextureNameLength - 1);
            path[kTextureNameLength - 1] = '\0';
            if (FAILED(D3DXCreateTextureFromFileA(device, path, &container->ppTextures[i])))
                container->ppTextures[i] = nullptr;
            container->pMaterials[i].pTextureFilename = nullptr;
        }
    } else {
        container->pMaterials[0].pTextureFilename = nullptr;
        std::memset(&container->pMaterials[0].MatD3D, 0, sizeof(D3DMATERIAL9));
        container->pMaterials[0].MatD3D.Diffuse = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 0.0f};
        container->pMaterials[0].MatD3D.Specular = container->pMaterials[0].MatD3D.Diffuse;
    }

    if (skinInfo) {
        container->pSkinInfo = skinInfo;
        skinInfo->AddRef();
        container->pOrigMesh = mesh;
        mesh->AddRef();
        const DWORD bones = skinInfo->GetNumBones();
        container->pBoneOffsetMatrices = new (std::nothrow) D3DXMATRIX[bones]();
        if (!container->pBoneOffsetMatrices) return fail(E_OUTOFMEMORY);
        for (DWORD i = 0; i < bones; ++i) container->pBoneOffsetMatrices[i] = *skinInfo->GetBoneOffsetMatrix(i);
        result = m_lpSkinXFile->GenerateSkinnedMesh(container);
        if (FAILED(result)) return fail(result);
    }

    *newMeshContainer = container;
    if (device) device->Release();
    return S_OK;
}

HRESULT CAllocateHierarchy::DestroyFrame(LPD3DXFRAME frame) {
    delete[] frame->Name;
    delete static_cast<D3DXFRAME_DERIVED*>(frame);
    return S_OK;
}

HRESULT CAllocateHierarchy::DestroyMeshContainer(LPD3DXMESHCONTAINER base) {
    auto* container = static_cast<D3DXMESHCONTAINER_DERIVED*>(base);
    delete[] container->Name;
    delete[] container->pAdjacency;
    delete[] container->pMaterials;
    delete[] container->pBoneOffsetMatrices;
    if (container->ppTextures) {
        for (DWORD i = 0; i < container->NumMaterials; ++i) ReleaseAndClear(container->ppTextures[i]);
        delete[] container->ppTextures;
    }
    delete[] container->ppBoneMatrixPtrs;
    ReleaseAndClear(container->pBoneCombinationBuf);
    ReleaseAndClear(container->MeshData.pMesh);
    ReleaseAndClear(container->pSkinInfo);
    ReleaseAndClear(container->pOrigMesh);
    delete container;
    return S_OK;
}

// ---- CSkinXFile ----

CSkinXFile::CSkinXFile()
    : m_Radius(0.0f),
      m_SphereCenter(0, 0, 0),
      m_BoxMin(0, 0, 0),
      m_BoxMax(0, 0, 0),
      m_lpDevice(nullptr),
      m_lpFrameRoot(nullptr),
      m_lpAnimController(nullptr),
      m_SkinningMethod(D3DINDEXEDHLSLVS),
      m_pBoneMatrices(nullptr),
      m_NumBoneMatricesMax(0),
      m_lpEffect(nullptr),
      m_lpTangentMesh(nullptr),
      m_lpDecl(nullptr) {}

CSkinXFile::~CSkinXFile() { UnloadXFile(); }

int CSkinXFile::LoadXFile(IDirect3DDevice9* device, const char* fileName) {
    m_lpDevice = device;
    CAllocateHierarchy allocator(this);
    D3DXLoadMeshHierarchyFromXA(fileName, D3DXMESH_MANAGED, device, &allocator, nullptr, &m_lpFrameRoot,
                                &m_lpAnimController);
    if (!m_lpFrameRoot) return 0;
    m_UnknownBones.clear();
    if (FAILED(SetupBoneMatrixPointers(m_lpFrameRoot)) && !m_UnknownBones.empty())
        vlog::Warn(vlog::Category::Assets,
                   "%s: the skin names bones the frames lack (%s); they stay in their bind pose",
                   xfile::DisplayName(fileName).c_str(), m_UnknownBones.c_str());
    return 1;
}

void CSkinXFile::UnloadXFile() {
    ReleaseAndClear(m_lpDecl);
    ReleaseAndClear(m_lpAnimController);
    delete[] m_pBoneMatrices;
    m_pBoneMatrices = nullptr;
    m_NumBoneMatricesMax = 0;
    if (m_lpFrameRoot) {
        CAllocateHierarchy allocator(this);
        D3DXFrameDestroy(m_lpFrameRoot, &allocator);
        m_lpFrameRoot = nullptr;
    }
    // Owned by the mesh container it was handed to.
    m_lpTangentMesh = nullptr;
}

HRESULT CSkinXFile::GenerateSkinnedMesh(D3DXMESHCONTAINER_DERIVED* container) {
    D3DCAPS9 caps;
    m_lpDevice->GetDeviceCaps(&caps);
    if (!container->pSkinInfo) return S_OK;
    ReleaseAndClear(container->MeshData.pMesh);
    ReleaseAndClear(container->pBoneCombinationBuf);

    const DWORD bones = container->pSkinInfo->GetNumBones();
    container->NumPaletteEntries = std::min(kMaxPaletteEntries, bones);
    DWORD flags = D3DXMESHOPT_VERTEXCACHE;
    if (caps.VertexShaderVersion >= D3DVS_VERSION(1, 1)) {
        container->UseSoftwareVP = false;
        flags |= D3DXMESH_MANAGED;
    } else {
        container->UseSoftwareVP = true;
        flags |= D3DXMESH_SYSTEMMEM;
    }

    // One declaration serves every container of the file.
    ReleaseAndClear(m_lpDecl);
    HRESULT result = m_lpDevice->CreateVertexDeclaration(kTangentSpaceDeclaration, &m_lpDecl);
    if (FAILED(result)) return result;
    result = container->pOrigMesh->CloneMesh(container->pOrigMesh->GetOptions(), kTangentSpaceDeclaration, m_lpDevice,
                                             &m_lpTangentMesh);
    if (FAILED(result)) return result;
    if (FAILED(D3DXComputeNormals(m_lpTangentMesh, nullptr)))
        MessageBoxA(nullptr, "D3DXComputeNormals", nullptr, MB_OK);
    if (FAILED(D3DXComputeTangent(m_lpTangentMesh, 0, 0, D3DX_DEFAULT, 0, nullptr)))
        MessageBoxA(nullptr, "D3DXComputeTangent", nullptr, MB_OK);
    container->pOrigMesh->Release();
    container->pOrigMesh = m_lpTangentMesh;

    void* vertices = nullptr;
    if (SUCCEEDED(m_lpTangentMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices))) {
        const auto* positions = static_cast<const D3DXVECTOR3*>(vertices);
        D3DXComputeBoundingSphere(positions, m_lpTangentMesh->GetNumVertices(), m_lpTangentMesh->GetNumBytesPerVertex(),
                                  &m_SphereCenter, &m_Radius);
        D3DXComputeBoundingBox(positions, m_lpTangentMesh->GetNumVertices(), m_lpTangentMesh->GetNumBytesPerVertex(),
                               &m_BoxMin, &m_BoxMax);
        m_lpTangentMesh->UnlockVertexBuffer();
    }

    result = container->pSkinInfo->ConvertToIndexedBlendedMesh(
        container->pOrigMesh, flags, container->NumPaletteEntries, container->pAdjacency, nullptr, nullptr, nullptr,
        &container->NumInfl, &container->NumAttributeGroups, &container->pBoneCombinationBuf,
        &container->MeshData.pMesh);
    if (FAILED(result)) return result;

    // The effects read the palette indices as a colour (four bytes, B G R A).
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    result = container->MeshData.pMesh->GetDeclaration(declaration);
    if (FAILED(result)) return result;
    for (D3DVERTEXELEMENT9* element = declaration; !d3d9::IsDeclarationEnd(*element); ++element)
        if (element->Usage == D3DDECLUSAGE_BLENDINDICES && element->UsageIndex == 0)
            element->Type = D3DDECLTYPE_D3DCOLOR;
    result = container->MeshData.pMesh->UpdateSemantics(declaration);
    if (FAILED(result)) return result;

    if (bones > m_NumBoneMatricesMax) {
        m_NumBoneMatricesMax = bones;
        delete[] m_pBoneMatrices;
        m_pBoneMatrices = new (std::nothrow) D3DXMATRIXA16[m_NumBoneMatricesMax]();
        if (!m_pBoneMatrices) {
            m_NumBoneMatricesMax = 0;
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

// Every bone gets a pointer: a bone that names no frame of the hierarchy
// follows this identity matrix (its vertices keep their bind pose) and
// makes the set-up report E_FAIL, after all the other bones are set.
HRESULT CSkinXFile::SetupBoneMatrixPointersOnMesh(LPD3DXMESHCONTAINER base) {
    static D3DXMATRIX unknownBone(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    auto* container = static_cast<D3DXMESHCONTAINER_DERIVED*>(base);
    if (!container->pSkinInfo) return S_OK;
    const DWORD bones = container->pSkinInfo->GetNumBones();
    delete[] container->ppBoneMatrixPtrs;
    container->ppBoneMatrixPtrs = new (std::nothrow) D3DXMATRIX*[bones]();
    if (!container->ppBoneMatrixPtrs) return E_OUTOFMEMORY;
    HRESULT result = S_OK;
    for (DWORD i = 0; i < bones; ++i) {
        const char* name = container->pSkinInfo->GetBoneName(i);
        auto* frame = static_cast<D3DXFRAME_DERIVED*>(D3DXFrameFind(m_lpFrameRoot, name));
        if (frame) {
            container->ppBoneMatrixPtrs[i] = &frame->CombinedTransformationMatrix;
            continue;
        }
        if (!m_UnknownBones.empty()) m_UnknownBones += ", ";
        m_UnknownBones += std::string("\"") + (name ? name : "") + "\"";
        container->ppBoneMatrixPtrs[i] = &unknownBone;
        result = E_FAIL;
    }
    return result;
}

// The whole hierarchy is set up even where a mesh fails; the first failure
// is the result.
HRESULT CSkinXFile::SetupBoneMatrixPointers(LPD3DXFRAME frame) {
    HRESULT result = S_OK;
    auto keep = [&result](HRESULT next) {
        if (SUCCEEDED(result)) result = next;
    };
    if (frame->pMeshContainer) keep(SetupBoneMatrixPointersOnMesh(frame->pMeshContainer));
    if (frame->pFrameSibling) keep(SetupBoneMatrixPointers(frame->pFrameSibling));
    if (frame->pFrameFirstChild) keep(SetupBoneMatrixPointers(frame->pFrameFirstChild));
    return result;
}

void CSkinXFile::UpdateFrameMatrices(D3DXMATRIXA16* world) {
    if (m_lpFrameRoot) UpdateFrame(m_lpFrameRoot, world);
}

void CSkinXFile::UpdateFrame(LPD3DXFRAME base, const D3DXMATRIX* parent) {
    auto* frame = static_cast<D3DXFRAME_DERIVED*>(base);
    if (parent)
        D3DXMatrixMultiply(&frame->CombinedTransformationMatrix, &frame->TransformationMatrix, parent);
    else
        frame->CombinedTransformationMatrix = frame->TransformationMatrix;
    if (frame->pFrameSibling) UpdateFrame(frame->pFrameSibling, parent);
    if (frame->pFrameFirstChild) UpdateFrame(frame->pFrameFirstChild, &frame->CombinedTransformationMatrix);
}

void CSkinXFile::Draw(IDirect3DDevice9* device) {
    if (m_lpFrameRoot) DrawFrame(device, m_lpFrameRoot);
}

void CSkinXFile::DrawFrame(IDirect3DDevice9* device, LPD3DXFRAME frame) {
    for (LPD3DXMESHCONTAINER container = frame->pMeshContainer; container; container = container->pNextMeshContainer)
        DrawMeshContainer(device, container, frame);
    if (frame->pFrameSibling) DrawFrame(device, frame->pFrameSibling);
    if (frame->pFrameFirstChild) DrawFrame(device, frame->pFrameFirstChild);
}

void CSkinXFile::DrawMeshContainer(IDirect3DDevice9* device, LPD3DXMESHCONTAINER base, LPD3DXFRAME frameBase) {
    auto* container = static_cast<D3DXMESHCONTAINER_DERIVED*>(base);
    auto* frame = static_cast<D3DXFRAME_DERIVED*>(frameBase);
    if (!container->pSkinInfo) {
        device->SetTransform(D3DTS_WORLD, &frame->CombinedTransformationMatrix);
        for (DWORD i = 0; i < container->NumMaterials; ++i) {
            device->SetMaterial(&container->pMaterials[i].MatD3D);
            device->SetTexture(0, container->ppTextures[i]);
            container->MeshData.pMesh->DrawSubset(i);
        }
        return;
    }
    // Skinning needs the effect's vertex program; without one nothing is drawn.
    if (!m_lpEffect || !container->pBoneCombinationBuf || !container->ppBoneMatrixPtrs) return;
    if (container->UseSoftwareVP) device->SetSoftwareVertexProcessing(TRUE);
    const auto* combinations =
        static_cast<const D3DXBONECOMBINATION*>(container->pBoneCombinationBuf->GetBufferPointer());
    for (DWORD group = 0; group < container->NumAttributeGroups; ++group) {
        for (DWORD entry = 0; entry < container->NumPaletteEntries; ++entry) {
            const DWORD bone = combinations[group].BoneId[entry];
            if (bone != UINT_MAX)
                D3DXMatrixMultiply(&m_pBoneMatrices[entry], &container->pBoneOffsetMatrices[bone],
                                   container->ppBoneMatrixPtrs[bone]);
        }
        m_lpEffect->SetMatrixArray("WorldMatrixArray", m_pBoneMatrices, container->NumPaletteEntries);

        const D3DMATERIAL9& material = container->pMaterials[combinations[group].AttribId].MatD3D;
        const D3DXCOLOR ambient(material.Ambient), quarter(0.25f, 0.25f, 0.25f, 1.0f);
        D3DXCOLOR ambientEmissive;
        D3DXColorModulate(&ambientEmissive, &ambient, &quarter);
        ambientEmissive += D3DXCOLOR(material.Emissive);
        const D3DXVECTOR4 diffuse = AsVector(material.Diffuse);
        const D3DXVECTOR4 ambientVector(ambientEmissive.r, ambientEmissive.g, ambientEmissive.b, ambientEmissive.a);
        const D3DXVECTOR4 specular = AsVector(material.Specular);
        m_lpEffect->SetVector("MaterialDiffuse", &diffuse);
        m_lpEffect->SetVector("MaterialAmbient", &ambientVector);
        m_lpEffect->SetVector("MaterialSpecular", &specular);
        m_lpEffect->SetFloat("MaterialPower", material.Power);
        m_lpEffect->SetTexture("MeshTexture", container->ppTextures[combinations[group].AttribId]);
        m_lpEffect->SetInt("CurNumBones", static_cast<INT>(container->NumInfl) - 1);

        UINT passes = 0;
        m_lpEffect->Begin(&passes, D3DXFX_DONOTSAVESAMPLERSTATE);
        for (UINT pass = 0; pass < passes; ++pass) {
            m_lpEffect->BeginPass(pass);
            container->MeshData.pMesh->DrawSubset(group);
            m_lpEffect->EndPass();
        }
        m_lpEffect->End();
    }
    if (container->UseSoftwareVP) device->SetSoftwareVertexProcessing(FALSE);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
}

D3DXFRAME_DERIVED* CSkinXFile::SearchBoneName(const char* name) {
    return m_lpFrameRoot && name ? Search(m_lpFrameRoot, name) : nullptr;
}

D3DXFRAME_DERIVED* CSkinXFile::Search(LPD3DXFRAME frame, const char* name) {
    if (frame->Name && std::strcmp(frame->Name, name) == 0) return static_cast<D3DXFRAME_DERIVED*>(frame);
    if (frame->pFrameSibling)
        if (D3DXFRAME_DERIVED* found = Search(frame->pFrameSibling, name)) return found;
    if (frame->pFrameFirstChild)
        if (D3DXFRAME_DERIVED* found = Search(frame->pFrameFirstChild, name)) return found;
    return nullptr;
}

D3DXVECTOR3* CSkinXFile::GetBoundingSphereCenter(D3DXVECTOR3* centre) const {
    *centre = m_SphereCenter;
    return centre;
}
