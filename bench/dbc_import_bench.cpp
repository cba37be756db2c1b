// Reading CAN databases for the import: the largest published one (331 messages, 2,150
// signals, 800 KB) and a synthetic one of 5,000 signals, read alone and read then converted
// into the import list (every signal's definition or reason).

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "can/dbc_import.h"

namespace {

std::string LargestPublished() {
    std::ifstream in(std::string(VX42_SOURCE_DIR) + "/tests/can/data/dbc/ford_lincoln_base_pt.dbc",
                     std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// 500 messages of 10 signals each, both byte orders, with comments and value tables.
std::string Synthetic() {
    std::ostringstream text;
    text << "VERSION \"\"\n\nNS_ :\n    CM_\n    VAL_\n\nBS_:\n\nBU_: ECU Dash\n\n";
    for (int m = 0; m < 500; ++m) {
        text << "BO_ " << (0x80000000u + 0x18FE0000u + static_cast<unsigned>(m)) << " Message_" << m
             << ": 8 ECU\n";
        for (int s = 0; s < 10; ++s) {
            const bool motorola = s % 2 == 1;
            const int start = motorola ? 8 * (s % 4) + 7 : 16 * (s % 4);
            text << " SG_ Signal_" << m << "_" << s << " : " << start << "|" << (s < 8 ? 16 : 8)
                 << "@" << (motorola ? 0 : 1) << "+ (0.125,-40) [-40|8151.875] \"degC\" Dash\n";
        }
        text << "\n";
    }
    for (int m = 0; m < 500; ++m)
        text << "CM_ SG_ " << (0x80000000u + 0x18FE0000u + static_cast<unsigned>(m)) << " Signal_"
             << m << "_0 \"Synthetic signal " << m << "\";\n";
    for (int m = 0; m < 500; ++m)
        text << "VAL_ " << (0x80000000u + 0x18FE0000u + static_cast<unsigned>(m)) << " Signal_" << m
             << "_9 0 \"Off\" 1 \"On\" ;\n";
    return text.str();
}

const std::string& Text(int which) {
    static const std::string published = LargestPublished();
    static const std::string synthetic = Synthetic();
    return which == 0 ? published : synthetic;
}

void BM_ReadDbc(benchmark::State& state) {
    const std::string& text = Text(static_cast<int>(state.range(0)));
    std::size_t signals = 0;
    for (auto _ : state) {
        const vx42::DbcFile file = vx42::ReadDbc(text, "bench");
        signals = file.SignalCount();
        benchmark::DoNotOptimize(file.messages.data());
    }
    state.counters["signals"] = static_cast<double>(signals);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadDbc)->Arg(0)->Arg(1)->ArgName("synthetic")->Unit(benchmark::kMillisecond);

void BM_ReadAndListDbc(benchmark::State& state) {
    const std::string& text = Text(static_cast<int>(state.range(0)));
    int importable = 0;
    for (auto _ : state) {
        const vx42::DbcFile file = vx42::ReadDbc(text, "bench");
        vx42::DbcImportList list(file);
        list.CheckAll();
        importable = list.CheckedCount();
        benchmark::DoNotOptimize(list.rows().data());
    }
    state.counters["importable"] = importable;
}
BENCHMARK(BM_ReadAndListDbc)->Arg(0)->Arg(1)->ArgName("synthetic")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
