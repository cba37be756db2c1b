// Table editing on a whole analog table (6 x 16 cells plus the breakpoints): the key
// operations, a paste, and the undo history at its step limit.

#include <benchmark/benchmark.h>

#include "base/silent_prompt.h"
#include "calibration/grid/grid_clipboard.h"
#include "calibration/grid/grid_history.h"
#include "calibration/grid/grid_ops.h"

namespace vx42 {
namespace {

GridModel FilledAnalogTable() {
    GridModel g = GridModel::AnalogTable();
    for (int r = 0; r < g.Rows(); ++r) {
        for (int c = 0; c < g.Cols(); ++c) g.SetText(r, c, std::to_string(r * 1000 + c * 37));
    }
    g.Select(6, 16, 0, 0);
    return g;
}

void BM_PlusOneWholeTable(benchmark::State& state) {
    SilentPrompt prompt;
    GridModel g = FilledAnalogTable();
    for (auto _ : state) {
        auto out = GridKeyDown(g, GridKey::Ctrl(keys::kPlus), AnalogTableLimits(), prompt);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * g.Rows() * g.Cols());
}
BENCHMARK(BM_PlusOneWholeTable);

void BM_LinearizeRow(benchmark::State& state) {
    SilentPrompt prompt;
    GridModel g = FilledAnalogTable();
    g.Select(3, 1, 3, 16);
    for (auto _ : state) {
        auto out = GridKeyDown(g, GridKey::Ctrl('L'), AnalogTableLimits(), prompt);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_LinearizeRow);

void BM_CopyAndPasteWholeTable(benchmark::State& state) {
    GridModel g = FilledAnalogTable();
    SilentPrompt prompt;
    const std::string text = CopySelectionText(g);
    for (auto _ : state) {
        auto out = PasteSelectionText(g, text, prompt);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_CopyAndPasteWholeTable);

// Recording into a full history: every step changes the whole table and drops the oldest.
void BM_HistoryRecordAtLimit(benchmark::State& state) {
    GridHistory history;
    std::vector<WordChange> step;
    for (int r = 0; r < 7; ++r) {
        for (int c = 0; c < 17; ++c) step.push_back({r, c, 65535, 12345});
    }
    for (std::size_t i = 0; i < history.MaxSteps(); ++i) history.Record({}, step, "Edit Cell");
    for (auto _ : state) history.Record({}, step, "Edit Cell");
    const std::size_t bytes = step.size() * sizeof(WordChange);
    state.counters["bytes_per_step"] = static_cast<double>(bytes);
    state.counters["bytes_at_limit"] = static_cast<double>(bytes * history.MaxSteps());
}
BENCHMARK(BM_HistoryRecordAtLimit);

}  // namespace
}  // namespace vx42

BENCHMARK_MAIN();
