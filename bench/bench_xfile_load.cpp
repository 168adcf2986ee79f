// Loading the game's three characters: reading the X file alone, and the
// whole hierarchy load with the game's allocator (meshes, skin conversion,
// normals and tangents, animation controller).
//
// Built with VORTWING_BENCH_REFERENCE_LOADER and linked with another
// implementation of the hierarchy loader named ReferenceLoadMeshHierarchyFromXA,
// it measures that one on the same files in the same run, for comparisons.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "lib/SkinXFile.h"
#include "platform/d3dx9/xfile_loader.h"
#include "platform/d3dx9/xfile_reader.h"
#include "support/bench_device.h"

namespace {
using Loader = HRESULT (*)(LPCSTR, DWORD, IDirect3DDevice9*, LPD3DXALLOCATEHIERARCHY, ID3DXLoadUserData*, LPD3DXFRAME*,
                           LPD3DXANIMATIONCONTROLLER*);

// Runs in the characters' directory, as the game loads them.
struct CharacterDirectory {
    char previous[4096] = {};
    CharacterDirectory() {
        if (!getcwd(previous, sizeof previous)) previous[0] = '\0';
        if (chdir(VORTWING_DATA_DIR "/XFile/Character") != 0) previous[0] = '\0';
    }
    ~CharacterDirectory() {
        if (previous[0] && chdir(previous) != 0) previous[0] = '\0';
    }
};

void BM_ReadCharacter(benchmark::State& state, const char* name) {
    CharacterDirectory directory;
    for (auto _ : state) {
        xfile::File file;
        if (!xfile::ReadFile(name, &file)) state.SkipWithError("the file was not read");
        benchmark::DoNotOptimize(file.frames.data());
    }
}

void BM_LoadCharacter(benchmark::State& state, Loader load, const char* name) {
    bench::Device device;
    IDirect3DDevice9* d3d = device.graphics->GetDevice();
    CharacterDirectory directory;
    for (auto _ : state) {
        CSkinXFile skin;
        skin.m_lpDevice = d3d;
        CAllocateHierarchy allocator(&skin);
        if (FAILED(
                load(name, D3DXMESH_MANAGED, d3d, &allocator, nullptr, &skin.m_lpFrameRoot, &skin.m_lpAnimController)))
            state.SkipWithError("the file was not loaded");
    }
}

BENCHMARK_CAPTURE(BM_ReadCharacter, Dragoon, "Dragoon.x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadCharacter, hito, "hito.x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadCharacter, Curry, "Curry.x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadCharacter, Dragoon, D3DXLoadMeshHierarchyFromXA, "Dragoon.x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadCharacter, hito, D3DXLoadMeshHierarchyFromXA, "hito.x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadCharacter, Curry, D3DXLoadMeshHierarchyFromXA, "Curry.x")->Unit(benchmark::kMillisecond);

#ifdef VORTWING_BENCH_REFERENCE_LOADER
}  // namespace
HRESULT ReferenceLoadMeshHierarchyFromXA(LPCSTR, DWORD, IDirect3DDevice9*, LPD3DXALLOCATEHIERARCHY, ID3DXLoadUserData*,
                                         LPD3DXFRAME*, LPD3DXANIMATIONCONTROLLER*);
namespace {
BENCHMARK_CAPTURE(BM_LoadCharacter, DragoonReference, ReferenceLoadMeshHierarchyFromXA, "Dragoon.x")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadCharacter, hitoReference, ReferenceLoadMeshHierarchyFromXA, "hito.x")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadCharacter, CurryReference, ReferenceLoadMeshHierarchyFromXA, "Curry.x")
    ->Unit(benchmark::kMillisecond);
#endif
}  // namespace

BENCHMARK_MAIN();
