#include "platform/d3dx9/hierarchy.h"

#include <cstring>

LPD3DXFRAME D3DXFrameFind(const D3DXFRAME* root, LPCSTR name) {
    for (const D3DXFRAME* frame = root; frame; frame = frame->pFrameSibling) {
        if (frame->Name && name && std::strcmp(frame->Name, name) == 0) return const_cast<LPD3DXFRAME>(frame);
        if (!frame->Name && !name) return const_cast<LPD3DXFRAME>(frame);
        if (LPD3DXFRAME found = D3DXFrameFind(frame->pFrameFirstChild, name)) return found;
    }
    return nullptr;
}

HRESULT D3DXFrameDestroy(LPD3DXFRAME root, LPD3DXALLOCATEHIERARCHY allocator) {
    if (!root || !allocator) return D3DERR_INVALIDCALL;
    HRESULT result = D3D_OK;
    while (root) {
        LPD3DXFRAME sibling = root->pFrameSibling;
        if (root->pFrameFirstChild && FAILED(D3DXFrameDestroy(root->pFrameFirstChild, allocator))) result = E_FAIL;
        for (LPD3DXMESHCONTAINER container = root->pMeshContainer; container;) {
            LPD3DXMESHCONTAINER next = container->pNextMeshContainer;
            if (FAILED(allocator->DestroyMeshContainer(container))) result = E_FAIL;
            container = next;
        }
        if (FAILED(allocator->DestroyFrame(root))) result = E_FAIL;
        root = sibling;
    }
    return result;
}
