// A 128 KiB firmware upgrade against the simulator. With the timing model on (100000 baud,
// 2 ms latency timer): wall time over the link time the model accounts for, for the whole
// upgrade (hand-over, 8192 blocks, finish, reset: its fixed pauses are not link time) and for
// the block stream alone. With the timing model off: the tool's own cost of an upgrade.

#include <benchmark/benchmark.h>

#include <memory>

#include "firmware/upgrade.h"
#include "link_bench_support.h"

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

struct Bench : bench::SimulatedLink {
    using SimulatedLink::SimulatedLink;
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

void BM_FirmwareUpgradeTimed(benchmark::State& state) {
    Bench b(true);
    const UpgradeFile file = FirmwareOf128KiB();
    bench::TimeAgainstLink(
        state, b,
        [&] { return StartUpgrade(*b.link, false, file, {}, b.Bar()) == UpgradeOutcome::Complete; },
        "upgrade failed");
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
    bench::TimeAgainstLink(
        state, b, [&] { return SendFirmwareRecords(*b.link, file.firmware, {}, b.Bar()); },
        "a block was not acknowledged");
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
