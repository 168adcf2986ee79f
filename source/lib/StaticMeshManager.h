// CStaticMeshManager: the process-wide cache of static meshes, reached
// through Basalt::Singleton::CSingleton<CStaticMeshManager>. Entries are
// found by the identity of the name pointer, not by its text: each caller's
// own name constant makes its own entry.
#pragma once
#include "lib/XFile.h"
#include "lib/basalt/Map.h"
#include "lib/basalt/Singleton.h"

class CStaticMeshManager {
public:
    void Init();
    void UnInit();
    // The mesh cached for this name pointer, or a newly loaded one (with the
    // tangent-space rebuild when tangent is 1). A file that fails to load is
    // cached too, as a mesh that draws nothing.
    CXFile* GetXFileAddress(IDirect3DDevice9* device, const char* fileName, unsigned tangent);
    // False when nothing is cached; otherwise unloads and deletes every mesh.
    bool Release();
    bool PeaceRelease(const char* fileName);

    Basalt::Map::CMap<const char*, CXFile*> m_Map;
};
