// What a frame costs, as a ratio that compares across machines: a busy
// mission frame (the dragon hovering before a squad of twenty-five humans and
// firing everything it has into them) against an empty clear-and-present
// frame. For each: CPU milliseconds per frame (every thread of the process,
// the software rasteriser's included) and the wall-clock median and 99th
// percentile of frame times, uncapped. Each at a 3D scale of 1 and 0.5 (the
// HUD at full size either way), and capped play of the busy mission with the
// adaptive scale; the busy frame also with the batching of world-space draws
// off, for comparison. A summary with the busy/empty ratios is printed after the
// benchmarks. Each benchmark runs in a process of its own: the game's one
// random sequence cannot be rewound, and every busy run must play the same
// mission.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "game/Area.h"
#include "game/BillBoardManager.h"
#include "game/Dragoon.h"
#include "lib/DirectGraphics.h"
#include "platform/automation.h"
#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/presentation.h"
#include "platform/d3d9/scene_scale.h"
#include "platform/win32/window.h"
#include "scene/Game_Scene.h"
#include "support/bench_device.h"
#include "../tests/support/program_services.h"

namespace {
constexpr int kWarmUpFrames = 120;
constexpr int kMeasuredFrames = 300;

struct FrameCost {
    std::string name;
    float scale = 1;
    double cpuMs = 0, wallP50 = 0, wallP99 = 0;
};
std::vector<FrameCost>& Results() {
    static std::vector<FrameCost> results;
    return results;
}

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Times frame() kMeasuredFrames times after a warm-up and records the figures
// under name.
float ScaleOf(const benchmark::State& state) { return static_cast<float>(state.range(0)) / 100.0f; }

template <class Frame>
void MeasureFrames(benchmark::State& state, const std::string& name, Frame frame) {
    for (int i = 0; i < kWarmUpFrames; ++i) frame();
    std::vector<double> wall;
    wall.reserve(kMeasuredFrames);
    double cpu = 0;
    for (auto _ : state) {
        const double cpuStart = CpuSeconds();
        for (int i = 0; i < kMeasuredFrames; ++i) {
            const auto start = std::chrono::steady_clock::now();
            frame();
            wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        cpu += CpuSeconds() - cpuStart;
    }
    FrameCost cost{name, ScaleOf(state), cpu * 1000.0 / static_cast<double>(wall.size()), Percentile(wall, 0.5),
                   Percentile(wall, 0.99)};
    state.counters["cpu_ms"] = cost.cpuMs;
    state.counters["p50_ms"] = cost.wallP50;
    state.counters["p99_ms"] = cost.wallP99;
    Results().push_back(cost);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

void BM_EmptyFrame(benchmark::State& state) {
    d3d9::SetFrameCap(false);
    d3d9::SetSceneScale(ScaleOf(state));
    bench::Device device;
    IDirect3DDevice9* d3d = device.graphics->m_lpDevice;
    MeasureFrames(state, "empty", [&] {
        d3d->BeginScene();
        d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff646464, 1.0f, 0);
        d3d->EndScene();
        d3d->Present(nullptr, nullptr, nullptr, nullptr);
        PumpMessages();
    });
}

// The input of the busy mission: a fireball burst every nine frames and the
// power laser's ring of twenty every second.
std::string BusyScript() {
    std::string script;
    for (int frame = 10; frame < 100000; frame += 9)
        script += std::to_string(frame) + " Z 1\n" + std::to_string(frame + 3) + " Z 0\n";
    // The power laser: into the power mode for the press and out again.
    for (int frame = 20; frame < 100000; frame += 60)
        script += std::to_string(frame) + " V 1\n" + std::to_string(frame + 1) + " V 0\n" + std::to_string(frame + 2) +
                  " X 1\n" + std::to_string(frame + 3) + " X 0\n" + std::to_string(frame + 4) + " V 1\n" +
                  std::to_string(frame + 5) + " V 0\n";
    return script;
}

struct Mission : bench::Device {
    ProgramServices services{window};
    CScene_Game scene;
    D3DXMATRIXA16 hover;
    std::size_t engaged = 0, billboards = 0, frames = 0;

    Mission() {
        if (chdir(VORTWING_DATA_DIR) != 0) std::perror("data directory");
        automation::LoadInputScriptText(BusyScript(), "busy mission", nullptr);
        automation::ResetSceneFrames();
        scene.InitProc();
        // Hover 25 units short of the first squad without a Curry, facing it.
        D3DXVECTOR3 target(0.0f, 0.0f, 0.0f);
        for (CArea* area : scene.EnemyManager().m_AreaList)
            if (area->GetAreType() == AREA_TYPE_HITO_ONLY) {
                area->GetAreaPosition(&target);
                break;
            }
        D3DXMatrixTranslation(&hover, target.x, 8.0f, target.z - 25.0f);
    }
    ~Mission() { scene.EndProc(); }

    void Frame() {
        CDragoon* dragon = CDragoon::GetInstance();
        dragon->m_OldWorld = hover;
        // The squad's fire must not end the mission, nor the volleys run dry.
        dragon->GetPlayerStatusAddress()->Life = 400;
        dragon->GetPlayerStatusAddress()->Energy = 400;
        automation::BeginSceneFrame();
        scene.MainProc();
        PumpMessages();
        CEnemyManager& enemies = scene.EnemyManager();
        engaged += enemies.m_HitoList.size() + enemies.m_CurryList.size();
        const CList<BillBoardNode>& list = CBillBoardManager::GetInstance()->m_List;
        for (const BillBoardNode* node = list.m_lpHead->m_lpNext; node && node != list.m_lpTail; node = node->m_lpNext)
            ++billboards;
        ++frames;
    }
};

// The second argument turns the batching of world-space draws on (1) or off.
void BM_BusyMissionFrame(benchmark::State& state) {
    d3d9::SetFrameCap(false);
    d3d9::SetSceneScale(ScaleOf(state));
    const bool batching = state.range(1) != 0;
    d3d9::SetDrawBatching(batching);
    Mission mission;
    const d3d9::BatchCounts before = d3d9::DrawBatchCounts();
    MeasureFrames(state, batching ? "busy" : "unbatched", [&] { mission.Frame(); });
    const d3d9::BatchCounts after = d3d9::DrawBatchCounts();
    const double frames = static_cast<double>(mission.frames);
    state.counters["engaged"] = static_cast<double>(mission.engaged) / frames;
    state.counters["billboards"] = static_cast<double>(mission.billboards) / frames;
    state.counters["gathered_draws"] = static_cast<double>(after.gathered - before.gathered) / frames;
    state.counters["batches"] = static_cast<double>(after.drawn - before.drawn) / frames;
    d3d9::SetDrawBatching(true);
}

// Capped play of the busy mission with the adaptive scale: the wall-clock
// intervals between frames once the scale has settled, and the scale it
// settled at.
void BM_BusyMissionCappedAdaptive(benchmark::State& state) {
    d3d9::SetFrameCap(true);
    d3d9::SetAdaptiveSceneScale();
    Mission mission;
    for (int i = 0; i < 600; ++i) mission.Frame();
    std::vector<double> intervals;
    double scales = 0, cpu = 0;
    for (auto _ : state) {
        const double cpuStart = CpuSeconds();
        auto last = std::chrono::steady_clock::now();
        for (int i = 0; i < 600; ++i) {
            mission.Frame();
            const auto now = std::chrono::steady_clock::now();
            intervals.push_back(std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
            scales += d3d9::SceneScale();
        }
        cpu += CpuSeconds() - cpuStart;
    }
    FrameCost cost{"busy-capped", static_cast<float>(scales / static_cast<double>(intervals.size())),
                   cpu * 1000.0 / static_cast<double>(intervals.size()), Percentile(intervals, 0.5),
                   Percentile(intervals, 0.99)};
    state.counters["cpu_ms"] = cost.cpuMs;
    state.counters["interval_p50_ms"] = cost.wallP50;
    state.counters["interval_p99_ms"] = cost.wallP99;
    state.counters["mean_scale"] = cost.scale;
    Results().push_back(cost);
    d3d9::SetSceneScale(1.0f);
    d3d9::SetFrameCap(false);
}

// The argument is the scale in hundredths.
BENCHMARK(BM_EmptyFrame)->Arg(100)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BusyMissionFrame)
    ->Args({100, 1})
    ->Args({50, 1})
    ->Args({100, 0})
    ->Args({50, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_BusyMissionCappedAdaptive)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Ratios are to the empty frame at scale 1: the unit that compares across
// machines. For capped play the scale is the mean one and the times are
// intervals between frames.
void PrintSummary() {
    const FrameCost* empty = nullptr;
    for (const FrameCost& cost : Results())
        if (cost.name == "empty" && cost.scale == 1.0f) empty = &cost;
    std::printf("\n%-8s %6s %9s %9s %9s %10s %10s\n", "frame", "scale", "cpu ms", "p50 ms", "p99 ms", "cpu/empty",
                "p50/empty");
    for (const FrameCost& cost : Results()) {
        const double cpuRatio = empty && empty->cpuMs > 0 ? cost.cpuMs / empty->cpuMs : 0;
        const double wallRatio = empty && empty->wallP50 > 0 ? cost.wallP50 / empty->wallP50 : 0;
        std::printf("%-8s %6.2f %9.2f %9.2f %9.2f %10.1f %10.1f\n", cost.name.c_str(), cost.scale, cost.cpuMs,
                    cost.wallP50, cost.wallP99, cpuRatio, wallRatio);
    }
}

constexpr const char* kChildFlag = "--frame-cost-child";
constexpr const char* kRowTag = "ROW ";

// Runs the benchmarks matching filter in a process of its own; forwards its
// result lines and keeps its figures.
void RunInChild(const char* self, const char* filter) {
    const std::string command =
        std::string("'") + self + "' '--benchmark_filter=" + filter + "' " + kChildFlag + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        if (std::strncmp(line, kRowTag, std::strlen(kRowTag)) == 0) {
            char name[64] = {};
            FrameCost cost;
            if (std::sscanf(line + std::strlen(kRowTag), "%63s %f %lf %lf %lf", name, &cost.scale, &cost.cpuMs,
                            &cost.wallP50, &cost.wallP99) == 5) {
                cost.name = name;
                Results().push_back(cost);
            }
        } else if (std::strncmp(line, "BM_", 3) == 0) {
            std::fputs(line, stdout);
        }
    }
    ::pclose(pipe);
}
}  // namespace

int main(int argc, char** argv) {
    const bool child = argc > 1 && std::strcmp(argv[argc - 1], kChildFlag) == 0;
    if (child) --argc;
    bool filtered = false;
    for (int i = 1; i < argc; ++i) filtered = filtered || std::strncmp(argv[i], "--benchmark_filter", 18) == 0;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (child) {
        benchmark::RunSpecifiedBenchmarks();
        for (const FrameCost& cost : Results())
            std::printf("%s%s %f %f %f %f\n", kRowTag, cost.name.c_str(), cost.scale, cost.cpuMs, cost.wallP50,
                        cost.wallP99);
    } else if (filtered) {
        // As asked, in this process.
        benchmark::RunSpecifiedBenchmarks();
        PrintSummary();
    } else {
        for (const char* filter :
             {"^BM_EmptyFrame/100/", "^BM_EmptyFrame/50/", "^BM_BusyMissionFrame/100/1/", "^BM_BusyMissionFrame/50/1/",
              "^BM_BusyMissionFrame/100/0/", "^BM_BusyMissionFrame/50/0/", "^BM_BusyMissionCappedAdaptive"})
            RunInChild(argv[0], filter);
        PrintSummary();
    }
    benchmark::Shutdown();
    return 0;
}
