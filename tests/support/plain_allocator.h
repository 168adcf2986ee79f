// An allocator that keeps what the hierarchy loader gives it, for building
// frames and meshes without the game's own containers (and without a
// device). Tests that want to see the calls derive from it.
#pragma once
#include <cstdlib>
#include <cstring>

#include "platform/d3dx9/hierarchy.h"

namespace xtest {
struct PlainAllocator : ID3DXAllocateHierarchy {
    HRESULT CreateFrame(LPCSTR name, LPD3DXFRAME* frame) override {
        auto* f = new D3DXFRAME{};
        if (name) f->Name = strdup(name);
        *frame = f;
        return S_OK;
    }
    HRESULT CreateMeshContainer(LPCSTR, const D3DXMESHDATA* data, const D3DXMATERIAL*, const D3DXEFFECTINSTANCE*,
                                DWORD count, const DWORD*, LPD3DXSKININFO skin, LPD3DXMESHCONTAINER* out) override {
        auto* c = new D3DXMESHCONTAINER{};
        c->MeshData = *data;
        data->pMesh->AddRef();
        c->NumMaterials = count;
        c->pSkinInfo = skin;
        if (skin) skin->AddRef();
        *out = c;
        return S_OK;
    }
    HRESULT DestroyFrame(LPD3DXFRAME frame) override {
        free(frame->Name);
        delete frame;
        return S_OK;
    }
    HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER c) override {
        c->MeshData.pMesh->Release();
        if (c->pSkinInfo) c->pSkinInfo->Release();
        delete c;
        return S_OK;
    }
};
}  // namespace xtest
