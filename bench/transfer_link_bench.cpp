// The module link against the simulator. With the timing model on (100000 baud, 2 ms latency
// timer): a whole retrieve and a whole write as wall time over the link time the model
// accounts for, and the process's CPU time as a share of one core during a retrieve. With
// the timing model off: exchanges per second, the link's own overhead.

#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <memory>

#include "app/scripted_prompt.h"
#include "device/module_link.h"
#include "device/sim/sim_bridge.h"

namespace {

using namespace vx42;

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Bench {
    explicit Bench(bool timed) {
        sim::SimConfig config;
        config.timing.enabled = timed;
        simulator = std::make_shared<sim::Simulator>(config);
        link = std::make_unique<ModuleLink>(std::make_unique<sim::SimBridge>(simulator), prompt);
        link->ConnectIfOffline();
    }
    std::shared_ptr<sim::Simulator> simulator;
    ScriptedPrompt prompt;
    std::unique_ptr<ModuleLink> link;
};

template <typename Transfer>
void Timed(benchmark::State& state, Transfer transfer) {
    Bench b(true);
    if (!b.link->Online()) {
        state.SkipWithError("the simulated module did not answer");
        return;
    }
    double wall = 0, modelled = 0, cpu = 0;
    for (auto _ : state) {
        b.simulator->ResetLinkTime();
        const double cpu0 = CpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        if (!transfer(*b.link)) state.SkipWithError("transfer failed");
        const double w =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(w);
        wall += w;
        cpu += CpuSeconds() - cpu0;
        modelled += b.simulator->ModelledLinkSeconds();
    }
    state.counters["wall_over_link"] = wall / modelled;
    state.counters["link_s"] = modelled / static_cast<double>(state.iterations());
    state.counters["cpu_share"] = cpu / wall;
}

void BM_RetrieveTimed(benchmark::State& state) {
    CalImage image;
    Timed(state, [&](ModuleLink& link) { return link.RetrieveCalibration(image, {}); });
}
BENCHMARK(BM_RetrieveTimed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WholeWriteTimed(benchmark::State& state) {
    CalImage image;
    for (int i = 0; i < kCalImageSize; ++i) image[i] = static_cast<std::uint8_t>(i);
    Timed(state, [&](ModuleLink& link) { return link.WriteWholeCalibration(image, {}); });
}
BENCHMARK(BM_WholeWriteTimed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ExchangesUntimed(benchmark::State& state) {
    Bench b(false);
    Bytes data;
    for (auto _ : state) {
        if (!b.link->Read16BytesDevice(0x0400, data)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(data.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExchangesUntimed);

void BM_RetrieveUntimed(benchmark::State& state) {
    Bench b(false);
    CalImage image;
    for (auto _ : state)
        if (!b.link->RetrieveCalibration(image, {})) state.SkipWithError("retrieve failed");
}
BENCHMARK(BM_RetrieveUntimed)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
