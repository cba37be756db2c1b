// A bulk table change reaching the module over the simulator's timing model (100000 baud,
// 2 ms latency timer): +1 over a whole analog table (the 96 duty cells) and over a whole
// frequency row (16 cells). "PerCell" sends one staged change per cell, as a table was
// stored before; "Batched" sends the changed words as few staged changes as the staging
// area allows. Each reports the modelled link time, wall time over it, and the exchanges a
// run takes.

#include <benchmark/benchmark.h>

#include "calibration/outputs/output_tables.h"
#include "link_bench_support.h"

namespace vx42 {
namespace {

// Edits whose module side is the link over the simulator.
struct LinkSink : ChangeSink {
    explicit LinkSink(ModuleLink& link) : link(link) {}
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        link.WriteCalibrationChange(address, bytes);
    }
    ModuleLink& link;
};

struct Bench : bench::SimulatedLink {
    Bench() : SimulatedLink(true), sink(*link) {
        link->ConnectIfOffline();
        image.StoreWord(CalAddresses().OutputCal[0].Period, 10000);
    }
    OutputEdit Out() { return {edit, ctx, 0}; }

    CalImage image;
    bool changed = false;
    LinkSink sink;
    EditTarget edit{image, changed, sink};
    FormatContext ctx;
};

// The cells +1 touches, and each one's value after it: the current value plus one, taken
// alternately up and down so that every run changes every word.
std::vector<CellValue> PlusOne(Bench& b, TableGrid grid, int rowFrom, int rowTo, int colFrom,
                               int colTo, int run) {
    std::vector<CellValue> cells;
    for (int r = rowFrom; r <= rowTo; ++r)
        for (int c = colFrom; c <= colTo; ++c)
            cells.push_back(
                {r, c, *GetTableCellValue(b.Out().Scope(), grid, r, c) + (run % 2 ? -1 : 1)});
    return cells;
}

template <typename Store>
void Run(benchmark::State& state, TableGrid grid, int rowFrom, int rowTo, int colFrom, int colTo,
         Store store) {
    Bench b;
    if (!b.link->Online()) {
        state.SkipWithError("the simulated module did not answer");
        return;
    }
    int run = 0, exchanges = 0;
    bench::TimeAgainstLink(
        state, b,
        [&] {
            const auto cells = PlusOne(b, grid, rowFrom, rowTo, colFrom, colTo, run++);
            const int before = b.simulator->Exchanges();
            store(b.Out(), grid, cells);
            exchanges += b.simulator->Exchanges() - before;
            return b.prompt.Unexpected().empty();
        },
        "a staged change failed");
    state.counters["exchanges"] = static_cast<double>(exchanges) / static_cast<double>(run);
}

void PerCell(const OutputEdit& out, TableGrid grid, const std::vector<CellValue>& cells) {
    for (const CellValue& cell : cells) StoreTableCell(out, grid, cell.row, cell.col, cell.value);
}

void Batched(const OutputEdit& out, TableGrid grid, const std::vector<CellValue>& cells) {
    StoreTableValues(out, grid, cells);
}

void BM_AnalogTablePlusOnePerCell(benchmark::State& state) {
    Run(state, TableGrid::Analog, 1, 6, 1, 16, PerCell);
}
void BM_AnalogTablePlusOneBatched(benchmark::State& state) {
    Run(state, TableGrid::Analog, 1, 6, 1, 16, Batched);
}
void BM_FrequencyRowPlusOnePerCell(benchmark::State& state) {
    Run(state, TableGrid::Freq, 1, 1, 0, 15, PerCell);
}
void BM_FrequencyRowPlusOneBatched(benchmark::State& state) {
    Run(state, TableGrid::Freq, 1, 1, 0, 15, Batched);
}
BENCHMARK(BM_AnalogTablePlusOnePerCell)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(BM_AnalogTablePlusOneBatched)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(BM_FrequencyRowPlusOnePerCell)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(BM_FrequencyRowPlusOneBatched)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

}  // namespace
}  // namespace vx42

BENCHMARK_MAIN();
