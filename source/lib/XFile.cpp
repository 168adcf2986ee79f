#include "lib/XFile.h"

#include "platform/d3dx9/xfile_loader.h"
#include "platform/win32/messagebox.h"

const D3DVERTEXELEMENT9 kTangentSpaceDeclaration[5] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

namespace {
D3DXVECTOR4 AsVector(const D3DCOLORVALUE& c) { return D3DXVECTOR4(c.r, c.g, c.b, c.a); }
}  // namespace

CXFile::CXFile()
    : m_lpDecl(nullptr),
      m_lpTangentMesh(nullptr),
      m_lpEffect(nullptr),
      m_lpMesh(nullptr),
      m_lpMaterials(nullptr),
      m_lpTextures(nullptr),
      m_NumMaterials(0),
      m_lpAdjacency(nullptr),
      m_BoxMin(0, 0, 0),
      m_BoxMax(0, 0, 0),
      m_BoxSize(0, 0, 0),
      m_SphereCenter(0, 0, 0),
      m_SphereRadius(0.0f) {}

CXFile::~CXFile() { UnloadXFile(); }

int CXFile::LoadXFile(IDirect3DDevice9* device, const char* fileName) {
    ID3DXBuffer* materialBuffer = nullptr;
    if (FAILED(D3DXLoadMeshFromXA(fileName, D3DXMESH_MANAGED, device, &m_lpAdjacency, &materialBuffer, nullptr,
                                  &m_NumMaterials, &m_lpMesh)))
        return 0;
    m_lpMaterials = new D3DMATERIAL9[m_NumMaterials];
    m_lpTextures = new IDirect3DTexture9*[m_NumMaterials];
    const auto* materials = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
    for (DWORD i = 0; i < m_NumMaterials; ++i) {
        m_lpMaterials[i] = materials[i].MatD3D;
        m_lpMaterials[i].Ambient = m_lpMaterials[i].Diffuse;
        if (!materials[i].pTextureFilename ||
            FAILED(D3DXCreateTextureFromFileA(device, materials[i].pTextureFilename, &m_lpTextures[i])))
            m_lpTextures[i] = nullptr;
    }
    materialBuffer->Release();
    return 1;
}

void CXFile::CreateTangentMesh(IDirect3DDevice9* device) {
    // A file that failed to load has nothing to rebuild.
    if (!m_lpMesh) return;
    if (FAILED(device->CreateVertexDeclaration(kTangentSpaceDeclaration, &m_lpDecl)))
        MessageBoxA(nullptr, "CreateVertexDeclaration失敗しました", nullptr, MB_OK);
    if (FAILED(m_lpMesh->CloneMesh(m_lpMesh->GetOptions(), kTangentSpaceDeclaration, device, &m_lpTangentMesh)))
        MessageBoxA(nullptr, "CloneMesh", nullptr, MB_OK);
    if (FAILED(D3DXComputeNormals(m_lpTangentMesh, nullptr)))
        MessageBoxA(nullptr, "D3DXComputeNormals", nullptr, MB_OK);
    if (FAILED(D3DXComputeTangent(m_lpTangentMesh, 0, 0, D3DX_DEFAULT, 0, nullptr)))
        MessageBoxA(nullptr, "D3DXComputeTangent", nullptr, MB_OK);
    if (m_lpTangentMesh) {
        m_lpMesh->Release();
        m_lpMesh = m_lpTangentMesh;
    }
}

void CXFile::DrawXFile(IDirect3DDevice9* device) {
    if (!m_lpMesh) return;
    for (DWORD i = 0; i < m_NumMaterials; ++i) {
        device->SetMaterial(&m_lpMaterials[i]);
        device->SetTexture(0, m_lpTextures[i]);
        m_lpMesh->DrawSubset(i);
    }
}

void CXFile::DrawHLSL(IDirect3DDevice9* device) {
    if (m_lpEffect && m_lpMesh) {
        for (DWORD i = 0; i < m_NumMaterials; ++i) {
            const D3DXVECTOR4 diffuse = AsVector(m_lpMaterials[i].Diffuse);
            const D3DXVECTOR4 ambient = AsVector(m_lpMaterials[i].Ambient);
            const D3DXVECTOR4 specular = AsVector(m_lpMaterials[i].Specular);
            m_lpEffect->SetVector("MaterialDiffuse", &diffuse);
            m_lpEffect->SetVector("MaterialAmbient", &ambient);
            m_lpEffect->SetVector("Specular", &specular);
            m_lpEffect->SetFloat("MaterialPower", m_lpMaterials[i].Power);
            m_lpEffect->SetTexture("MeshTexture", m_lpTextures[i]);
            UINT passes = 0;
            m_lpEffect->Begin(&passes, 0);
            for (UINT pass = 0; pass < passes; ++pass) {
                m_lpEffect->BeginPass(pass);
                m_lpMesh->DrawSubset(i);
                m_lpEffect->EndPass();
            }
            m_lpEffect->End();
        }
    }
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
}

void CXFile::UnloadXFile() {
    delete[] m_lpMaterials;
    m_lpMaterials = nullptr;
    if (m_lpTextures) {
        for (DWORD i = 0; i < m_NumMaterials; ++i)
            if (m_lpTextures[i]) m_lpTextures[i]->Release();
        delete[] m_lpTextures;
        m_lpTextures = nullptr;
    }
    if (m_lpDecl) {
        m_lpDecl->Release();
        m_lpDecl = nullptr;
    }
    if (m_lpMesh) {
        m_lpMesh->Release();
        m_lpMesh = nullptr;
    }
    // The tangent clone, when made, was released above as the mesh.
    m_lpTangentMesh = nullptr;
    if (m_lpAdjacency) {
        m_lpAdjacency->Release();
        m_lpAdjacency = nullptr;
    }
    m_NumMaterials = 0;
}
