// The per-frame hot paths: sphere hit tests with matrices and frustum judges.
#include <benchmark/benchmark.h>

#include <vector>

#include "game/SphereHit.h"
#include "lib/ViewFrustumCulling.h"
#include "platform/crt/random.h"

namespace {
float Spread(CrtRandomGenerator& random, float range) {
    return static_cast<float>(random.Next()) / 32768.0f * range - range / 2;
}

void HitJudgeWithMatrices(benchmark::State& state) {
    CrtRandomGenerator random;
    std::vector<D3DXMATRIX> worlds(256);
    for (auto& world : worlds)
        D3DXMatrixTranslation(&world, Spread(random, 40), Spread(random, 40), Spread(random, 40));
    const D3DXVECTOR3 centre(0, 0.5f, 0);
    const float radius = 1.0f;
    CSphereHit projectile(&centre, &radius), target(&centre, &radius);
    D3DXMATRIX targetWorld;
    D3DXMatrixScaling(&targetWorld, 2, 2, 2);
    int hits = 0;
    for (auto _ : state) {
        for (const auto& world : worlds) hits += CHitJudge::HitJudge(&projectile, &world, &target, &targetWorld);
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(state.iterations() * static_cast<long>(worlds.size()));
}
BENCHMARK(HitJudgeWithMatrices);

void FrustumJudge(benchmark::State& state) {
    D3DXMATRIX view;
    D3DXMatrixIdentity(&view);
    CViewFrustumCulling::CreateFrustum(&view, 80.0f, 1.3333333f, 1.0f, 5000.0f);
    CrtRandomGenerator random;
    std::vector<D3DXVECTOR3> centres(256);
    for (auto& c : centres) c = D3DXVECTOR3(Spread(random, 4000), Spread(random, 4000), Spread(random, 8000));
    int visible = 0;
    for (auto _ : state) {
        for (const auto& c : centres) visible += CViewFrustumCulling::ObjectFrustumJudge(&c, 5.0f);
    }
    benchmark::DoNotOptimize(visible);
    state.SetItemsProcessed(state.iterations() * static_cast<long>(centres.size()));
}
BENCHMARK(FrustumJudge);
}  // namespace

BENCHMARK_MAIN();
