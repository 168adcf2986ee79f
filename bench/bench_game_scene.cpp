// One frame of a mission in the game scene (update and draw of the player,
// the engaged areas, every billboard and the HUD), averaged over the first
// ten seconds of play with the dragon firing, and the time to enter the
// scene (building 200 areas and loading the mission's assets).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>

#include "platform/automation.h"
#include "scene/Game_Scene.h"
#include "support/bench_device.h"
#include "../tests/support/program_services.h"

namespace {
struct Program : bench::Device {
    ProgramServices services{window};
    Program() {
        if (chdir(VORTWING_DATA_DIR) != 0) std::perror("data directory");
        // Fire pressed every 9 frames, the laser every second.
        std::string script;
        for (int frame = 0; frame < 100000; frame += 9)
            script += std::to_string(frame) + " Z 1\n" + std::to_string(frame + 3) + " Z 0\n";
        for (int frame = 30; frame < 100000; frame += 60)
            script += std::to_string(frame) + " X 1\n" + std::to_string(frame + 2) + " X 0\n";
        automation::LoadInputScriptText(script, "bench", nullptr);
    }
};

void BM_GameSceneFrame(benchmark::State& state) {
    Program program;
    CScene_Game scene;
    for (auto _ : state) {
        state.PauseTiming();
        automation::ResetSceneFrames();
        scene.InitProc();
        state.ResumeTiming();
        for (int frame = 0; frame < 600; ++frame) {
            automation::BeginSceneFrame();
            scene.MainProc();
        }
        state.PauseTiming();
        scene.EndProc();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 600);
}
BENCHMARK(BM_GameSceneFrame)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_EnterGameScene(benchmark::State& state) {
    Program program;
    CScene_Game scene;
    for (auto _ : state) {
        scene.InitProc();
        state.PauseTiming();
        scene.EndProc();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EnterGameScene)->Unit(benchmark::kMillisecond)->Iterations(3);
}  // namespace

BENCHMARK_MAIN();
