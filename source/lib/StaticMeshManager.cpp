#include "lib/StaticMeshManager.h"

void CStaticMeshManager::Init() { m_Map.Init(); }

void CStaticMeshManager::UnInit() { m_Map.UnInit(); }

CXFile* CStaticMeshManager::GetXFileAddress(IDirect3DDevice9* device, const char* fileName, unsigned tangent) {
    if (CXFile* cached = m_Map.Find(fileName)) return cached;
    auto* mesh = new CXFile;
    mesh->LoadXFile(device, fileName);
    if (tangent == 1) mesh->CreateTangentMesh(device);
    m_Map.Push_Back(fileName, mesh);
    return mesh;
}

bool CStaticMeshManager::Release() {
    if (m_Map.GetLength() == 0) return false;
    auto* list = m_Map.GetPairListAddress();
    if (!list->m_lpHead) return false;
    for (auto* pair = list->m_lpHead->m_lpNext; pair && pair != list->m_lpTail;) {
        pair->m_Value->UnloadXFile();
        delete pair->m_Value;
        pair->m_Value = nullptr;
        pair = list->DelNode(pair);
    }
    return true;
}

bool CStaticMeshManager::PeaceRelease(const char*) { return true; }
