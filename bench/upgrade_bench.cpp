// A 128 KiB firmware upgrade against the simulator. With the timing model on (100000 baud,
// 2 ms latency timer): wall time over the link time the model accounts for, for the whole
// upgrade (hand-over, 8192 blocks, finish, reset: its fixed pauses are not link time) and for
// the block stream alone. With the timing model off: the tool's own cost of an upgrade.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "app/scripted_prompt.h"
#include "device/module_link.h"
#include "device/sim/sim_bridge.h"
#include "firmware/upgrade.h"

namespace {

using namespace vx42;

constexpr int kRecords = 8;
constexpr int kRecordBytes = 16 * 1024;  // 8 x 16 KiB = 128 KiB

UpgradeFile FirmwareOf128KiB() {
    UpgradeFile file;
    file.fileName = "bench.ROM";
    file.extension = "ROM";
    for (int r = 0; r < kRecords; ++r) {
        FirmwareRecord record;
        record.type = 1;
        record.length = kRecordBytes;
        record.address = 0x010000 + r * kRecordBytes;
        record.data.resize(kRecordBytes);
        for (int i = 0; i < kRecordBytes; ++i)
            record.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 31 + r);
        file.firmware.records.push_back(std::move(record));
    }
    file.firmware.recordCount = kRecords;
    return file;
}

struct Bench {
    explicit Bench(bool timed) {
        sim::SimConfig config;
        config.timing.enabled = timed;
        simulator = std::make_shared<sim::Simulator>(config);
        link = std::make_unique<ModuleLink>(std::make_unique<sim::SimBridge>(simulator), prompt);
    }
    std::shared_ptr<sim::Simulator> simulator;
    ScriptedPrompt prompt;
    std::unique_ptr<ModuleLink> link;
    // What the dialog keeps of the progress: the last value and caption.
    int shownDone = 0;
    std::string shownText;
    Progress Bar() {
        return [this](int done, int, const std::string& text) {
            shownDone = done;
            shownText = text;
        };
    }
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_FirmwareUpgradeTimed(benchmark::State& state) {
    Bench b(true);
    const UpgradeFile file = FirmwareOf128KiB();
    double wall = 0, modelled = 0;
    for (auto _ : state) {
        b.simulator->ResetLinkTime();
        const auto t0 = std::chrono::steady_clock::now();
        if (StartUpgrade(*b.link, false, file, {}, b.Bar()) != UpgradeOutcome::Complete)
            state.SkipWithError("upgrade failed");
        const double w = Seconds(t0);
        state.SetIterationTime(w);
        wall += w;
        modelled += b.simulator->ModelledLinkSeconds();
    }
    state.counters["wall_over_link"] = wall / modelled;
    state.counters["link_s"] = modelled / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords *
                            kRecordBytes);
}
BENCHMARK(BM_FirmwareUpgradeTimed)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(2);

void BM_BlockStreamTimed(benchmark::State& state) {
    Bench b(true);
    const UpgradeFile file = FirmwareOf128KiB();
    if (!b.link->OpenForUpgrade() || !EnterBootloader(*b.link)) {
        state.SkipWithError("the simulated module did not hand over");
        return;
    }
    double wall = 0, modelled = 0;
    for (auto _ : state) {
        b.simulator->ResetLinkTime();
        const auto t0 = std::chrono::steady_clock::now();
        if (!SendFirmwareRecords(*b.link, file.firmware, {}, b.Bar()))
            state.SkipWithError("a block was not acknowledged");
        const double w = Seconds(t0);
        state.SetIterationTime(w);
        wall += w;
        modelled += b.simulator->ModelledLinkSeconds();
    }
    state.counters["wall_over_link"] = wall / modelled;
    state.counters["link_s"] = modelled / static_cast<double>(state.iterations());
}
BENCHMARK(BM_BlockStreamTimed)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

void BM_FirmwareUpgradeUntimed(benchmark::State& state) {
    Bench b(false);
    LinkTiming fast;
    fast.retryPauseMs = 0;  // the hand-over's and the commands' fixed pauses left out
    fast.commandPauseMs = 0;
    b.link->SetTiming(fast);
    const UpgradeFile file = FirmwareOf128KiB();
    for (auto _ : state)
        if (StartUpgrade(*b.link, false, file, {}, b.Bar()) != UpgradeOutcome::Complete)
            state.SkipWithError("upgrade failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords *
                            kRecordBytes);
}
BENCHMARK(BM_FirmwareUpgradeUntimed)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
