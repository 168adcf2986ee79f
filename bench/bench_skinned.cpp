// Skinned characters: loading a 3000-vertex, 30-bone file with three
// animation sets, and the CPU time of one frame of 50 characters sharing it
// (advance the clock, pose the frames, draw through the skinning effect).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "../tests/support/xfile_writer.h"
#include "lib/DirectGraphics.h"
#include "lib/SkinXFile.h"
#include "platform/win32/window.h"
#include "support/bench_device.h"

namespace {
using bench::Device;

const char* const kPath = "/tmp/vortwing_bench_skinned.x";

void WriteCharacter() {
    xtest::ChainOptions options;
    options.bones = 30;
    options.columnsPerBone = 10;  // 301 x 10 vertices
    options.rows = 9;
    options.blendSeams = true;
    options.animationSets = 3;
    xtest::WriteText(kPath, xtest::ChainText(options));
}

void BM_LoadSkinnedFile(benchmark::State& state) {
    Device device;
    WriteCharacter();
    for (auto _ : state) {
        CSkinXFile skin;
        benchmark::DoNotOptimize(skin.LoadXFile(device.graphics->GetDevice(), kPath));
    }
}
BENCHMARK(BM_LoadSkinnedFile)->Unit(benchmark::kMillisecond);

void BM_FiftyCharactersPerFrame(benchmark::State& state) {
    Device device;
    WriteCharacter();
    IDirect3DDevice9* d3d = device.graphics->GetDevice();
    CSkinXFile skin;
    skin.LoadXFile(d3d, kPath);
    ID3DXEffect* effect = nullptr;
    D3DXCreateEffectFromFileA(d3d, VORTWING_DATA_DIR "/Shader/BaseHLSL.fx", nullptr, nullptr, 0, nullptr, &effect,
                              nullptr);
    std::vector<ID3DXAnimationController*> controllers(50, nullptr);
    for (auto*& controller : controllers) {
        ID3DXAnimationController* t = skin.m_lpAnimController;
        t->CloneAnimationController(t->GetMaxNumAnimationOutputs(), t->GetMaxNumAnimationSets(), t->GetMaxNumTracks(),
                                    t->GetMaxNumEvents(), &controller);
        ID3DXAnimationSet* set = nullptr;
        controller->GetAnimationSet(1, &set);
        controller->SetTrackAnimationSet(0, set);
        controller->SetTrackEnable(0, TRUE);
        set->Release();
    }
    D3DXMATRIXA16 world;
    D3DXMATRIX viewProjection;
    D3DXMatrixIdentity(&viewProjection);
    for (auto _ : state) {
        d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        for (size_t i = 0; i < controllers.size(); ++i) {
            controllers[i]->ResetTime();
            controllers[i]->AdvanceTime(0.0055, nullptr);
            D3DXMatrixTranslation(&world, static_cast<float>(i % 10) * 0.1f - 0.5f, 0.0f, 0.5f);
            skin.UpdateFrameMatrices(&world);
            effect->SetMatrix("ViewProjection", &viewProjection);
            effect->SetTechnique("SkinMeshBase");
            skin.m_lpEffect = effect;
            skin.Draw(d3d);
        }
    }
    for (auto* controller : controllers) controller->Release();
    effect->Release();
}
BENCHMARK(BM_FiftyCharactersPerFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
}  // namespace

BENCHMARK_MAIN();
