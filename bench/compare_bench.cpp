// How long the comparison of two calibrations that differ in every byte takes (what the
// compare window and "calibration diff" wait for), and the copy of every difference.

#include <benchmark/benchmark.h>

#include "review/calibration_diff.h"

namespace vx42 {
namespace {

// Four analog gauges; the other calibration differs from the first in every other byte.
std::pair<CalImage, CalImage> TwoCalibrations() {
    CalImage first, second;
    for (int i = 0; i < kCalImageSize; ++i) {
        first.SetByte(kCalBaseAddress + i, static_cast<std::uint8_t>(i * 7));
        second.SetByte(kCalBaseAddress + i, static_cast<std::uint8_t>(i * 7 + 0x55));
    }
    for (int o = 0; o < kOutputs; ++o)
        for (CalImage* image : {&first, &second}) {
            image->SetByte(CalAddresses().OutputCal[o].FunctionFlags, 0x02);
            image->SetByte(CalAddresses().OutputOptions[o], 0);
        }
    return {first, second};
}

void BM_CompareEveryByteDiffers(benchmark::State& state) {
    const auto [first, second] = TwoCalibrations();
    std::size_t groups = 0;
    for (auto _ : state) groups = CompareCalibrations(first, second, UnitFlags{}).size();
    state.counters["groups"] = static_cast<double>(groups);
}
BENCHMARK(BM_CompareEveryByteDiffers)->Unit(benchmark::kMillisecond);

void BM_CopyEveryDifference(benchmark::State& state) {
    const auto [first, second] = TwoCalibrations();
    std::vector<ComparedSetting> all;
    for (const GroupDifferences& g : CompareCalibrations(first, second, UnitFlags{}))
        all.insert(all.end(), g.settings.begin(), g.settings.end());
    OfflineSink sink;
    for (auto _ : state) {
        CalImage image = first;
        bool changed = false;
        EditTarget target{image, changed, sink};
        benchmark::DoNotOptimize(CopySettings(target, second, all));
    }
    state.counters["settings"] = static_cast<double>(all.size());
}
BENCHMARK(BM_CopyEveryDifference)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vx42

BENCHMARK_MAIN();
