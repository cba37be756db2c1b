// How long an output tab takes to load from the image and to commit a whole analog table.

#include <benchmark/benchmark.h>

#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/output_view.h"

namespace vx42 {
namespace {

CalImage GaugeImage() {
    CalImage image;
    const auto& cal = CalAddresses().OutputCal[1];
    image.SetByte(cal.FunctionFlags, 0x02);
    image.StoreWord(cal.Period, 10000);
    image.SetByte(CalAddresses().ShowFormatted[1], 1);
    for (int k = 0; k < 16; ++k) image.StoreWord(cal.PrimaryBlock + 2 * k, 4369 * k);
    for (int k = 0; k < 128; ++k) image.StoreWord(cal.TableBlock + 2 * k, 37 * k);
    return image;
}

FormatContext FormattedContext() {
    FormatContext ctx;
    ctx.data[0] = {true, 0.03125, -273, "°C"};
    ctx.data[1] = {true, 0.1, 0, "KPH"};
    return ctx;
}

void BM_GetCalValues(benchmark::State& state) {
    const CalImage image = GaugeImage();
    const FormatContext ctx = FormattedContext();
    for (auto _ : state) benchmark::DoNotOptimize(GetCalValues({image, ctx, 1}));
}
BENCHMARK(BM_GetCalValues);

// Every cell but the corner changed by an operation, stored as one batch; the stored
// values alternate so that every iteration changes every word.
void BM_StoreWholeAnalogTable(benchmark::State& state) {
    CalImage image = GaugeImage();
    bool changed = false;
    OfflineSink sink;
    EditTarget edit{image, changed, sink};
    const FormatContext ctx = FormattedContext();
    const OutputEdit out{edit, ctx, 1};
    std::vector<CellValue> cells[2];
    for (int k = 0; k < 2; ++k)
        for (int r = 0; r < 7; ++r)
            for (int c = r == 0 ? 1 : 0; c < 17; ++c) cells[k].push_back({r, c, 10.0 + k});
    int k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(StoreTableValues(out, TableGrid::Analog, cells[k ^= 1]));
}
BENCHMARK(BM_StoreWholeAnalogTable);

}  // namespace
}  // namespace vx42

BENCHMARK_MAIN();
