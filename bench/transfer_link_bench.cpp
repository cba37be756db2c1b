// The module link against the simulator. With the timing model on (100000 baud, 2 ms latency
// timer): a whole retrieve and a whole write as wall time over the link time the model
// accounts for, and the process's CPU time as a share of one core during a retrieve. With
// the timing model off: exchanges per second, the link's own overhead.

#include <benchmark/benchmark.h>

#include "link_bench_support.h"

namespace {

using namespace vx42;

// A link over the simulator, connected.
struct Bench : bench::SimulatedLink {
    explicit Bench(bool timed) : SimulatedLink(timed) { link->ConnectIfOffline(); }
};

template <typename Transfer>
void Timed(benchmark::State& state, Transfer transfer) {
    Bench b(true);
    if (!b.link->Online()) {
        state.SkipWithError("the simulated module did not answer");
        return;
    }
    bench::TimeAgainstLink(state, b, [&] { return transfer(*b.link); }, "transfer failed");
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
