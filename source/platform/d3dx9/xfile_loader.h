// Loading X files (the text form; binary and compressed files are refused)
// into meshes, frame hierarchies and animation controllers. The file's own
// left-handed data come through unchanged: positions, winding, texture
// coordinates, frame matrices, bone offsets and keys as written. Texture
// file names are handed on as the file gives them. A file that cannot be
// opened or read, or that is damaged, fails the call after one line on the
// assets log naming the file, the line and the fault.
#pragma once
#include "platform/d3dx9/animation.h"
#include "platform/d3dx9/hierarchy.h"

namespace xfile {
struct File;
}

// Every mesh of the file in one mesh, each placed by its frames' matrices;
// one subset per material, materials in file order (a mesh without any
// gets one grey material). Adjacency holds three DWORDs per face.
HRESULT D3DXLoadMeshFromXA(LPCSTR file, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* materialCount,
                           ID3DXMesh** mesh);

// Calls the allocator as D3DX does: each frame is created, given its
// matrix, then its mesh containers are created (one per X mesh, with one
// subset per material of its list), then its children and its siblings
// follow in file order. A mesh without a material list reports zero
// materials. The controller (null when the file has no animation sets)
// holds one keyframed set per animation set, in file order, with an output
// for the matrix of every animated frame, two tracks and 30 events.
HRESULT D3DXLoadMeshHierarchyFromXA(LPCSTR file, DWORD options, IDirect3DDevice9* device,
                                    LPD3DXALLOCATEHIERARCHY allocator, ID3DXLoadUserData* userDataLoader,
                                    LPD3DXFRAME* frameRoot, LPD3DXANIMATIONCONTROLLER* animationController);

namespace d3dx9 {
// Layer side: the two loaders' work on a file already read. The device may
// be null; the meshes then hold only their CPU copies (enough for
// everything but drawing).
HRESULT MeshFromXFile(const xfile::File& file, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                      ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* materialCount, ID3DXMesh** mesh);
HRESULT HierarchyFromXFile(const xfile::File& file, DWORD options, IDirect3DDevice9* device,
                           LPD3DXALLOCATEHIERARCHY allocator, LPD3DXFRAME* frameRoot,
                           LPD3DXANIMATIONCONTROLLER* animationController);
}  // namespace d3dx9
