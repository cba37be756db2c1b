#pragma once
// What the link benchmarks share: a module link over the simulator, and the measure of a
// transfer's wall time against the link time the simulator's timing model accounts for.

#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "base/scripted_prompt.h"
#include "device/module_link.h"
#include "device/sim/sim_bridge.h"

namespace vx42::bench {

// The back end a benchmark's link runs over, given the simulator.
using BridgeFor = std::function<std::unique_ptr<Bridge>(std::shared_ptr<sim::Simulator>)>;

inline std::unique_ptr<Bridge> InProcess(std::shared_ptr<sim::Simulator> simulator) {
    return std::make_unique<sim::SimBridge>(std::move(simulator));
}

struct SimulatedLink {
    explicit SimulatedLink(bool timed, const BridgeFor& bridgeFor = InProcess) {
        sim::SimConfig config;
        config.timing.enabled = timed;
        simulator = std::make_shared<sim::Simulator>(config);
        link = std::make_unique<ModuleLink>(bridgeFor(simulator), prompt);
    }
    std::shared_ptr<sim::Simulator> simulator;
    ScriptedPrompt prompt;
    std::unique_ptr<ModuleLink> link;
};

inline double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs `transfer` once per iteration and reports wall time over modelled link time
// ("wall_over_link"), the modelled link time per run ("link_s") and the process's CPU time
// as a share of one core ("cpu_share").
inline void TimeAgainstLink(benchmark::State& state, SimulatedLink& b,
                            const std::function<bool()>& transfer, const std::string& failure) {
    double wall = 0, modelled = 0, cpu = 0;
    for (auto _ : state) {
        b.simulator->ResetLinkTime();
        const double cpu0 = CpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        if (!transfer()) state.SkipWithError(failure.c_str());
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

}  // namespace vx42::bench
