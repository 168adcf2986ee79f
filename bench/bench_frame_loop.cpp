// Frame rate of the bare frame protocol (clear and present) with the cap
// lifted, and the regularity of frame intervals with the 60-per-second cap.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "lib/DirectGraphics.h"
#include "platform/d3d9/presentation.h"
#include "platform/win32/window.h"
#include "support/bench_device.h"

namespace {
struct Device : bench::Device {
    void Frame() {
        IDirect3DDevice9* device = graphics->m_lpDevice;
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff646464, 1.0f, 0);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
};

void BM_EmptyFrameUncapped(benchmark::State& state) {
    d3d9::SetFrameCap(false);
    Device device;
    for (auto _ : state) device.Frame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EmptyFrameUncapped)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FrameIntervalCapped(benchmark::State& state) {
    d3d9::SetFrameCap(true);
    Device device;
    using Clock = std::chrono::steady_clock;
    std::vector<double> intervals;
    for (auto _ : state) {
        intervals.clear();
        device.Frame();
        auto last = Clock::now();
        for (int i = 0; i < 180; ++i) {
            device.Frame();
            const auto now = Clock::now();
            intervals.push_back(std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        }
    }
    double mean = 0;
    for (double v : intervals) mean += v;
    mean /= static_cast<double>(intervals.size());
    double variance = 0, worst = 0;
    for (double v : intervals) {
        variance += (v - mean) * (v - mean);
        worst = std::max(worst, std::abs(v - mean));
    }
    state.counters["interval_ms"] = mean;
    state.counters["jitter_sd_ms"] = std::sqrt(variance / static_cast<double>(intervals.size()));
    state.counters["jitter_max_ms"] = worst;
    d3d9::SetFrameCap(false);
}
BENCHMARK(BM_FrameIntervalCapped)->Unit(benchmark::kMillisecond)->Iterations(2);
}  // namespace

BENCHMARK_MAIN();
