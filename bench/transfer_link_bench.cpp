// The module link against the simulator. With the timing model on (100000 baud, 2 ms latency
// timer): a whole retrieve and a whole write as wall time over the link time the model
// accounts for, and the process's CPU time as a share of one core during a retrieve, through
// the in-process simulator and through the libftdi1 back end (the real libftdi1 over the USB
// stand-in, which this program exports in place of libusb); the whole write with the bridge's
// event character and with a driver that offers none. With the timing model off: exchanges
// per second, the link's own overhead.

#include <benchmark/benchmark.h>

#include "device/ftdi_bridge.h"
#include "device/sim/standin/usb_standin.h"
#include "link_bench_support.h"

namespace {

using namespace vx42;

enum class Path { InProcess, Libftdi1 };

// A driver without an event character: every short reply waits for the latency timer.
template <typename Base>
struct NoEventChar : Base {
    using Base::Base;
    FtStatus SetEventChar(std::optional<std::uint8_t>) override { return ft::NotSupported; }
};

bench::BridgeFor BridgeOf(Path path, bool eventChar) {
    return [=](std::shared_ptr<sim::Simulator> simulator) -> std::unique_ptr<Bridge> {
        if (path == Path::InProcess) {
            if (eventChar) return bench::InProcess(std::move(simulator));
            return std::make_unique<NoEventChar<sim::SimBridge>>(std::move(simulator));
        }
        sim::usb::Attach(std::move(simulator));
        if (eventChar) return std::make_unique<FtdiBridge>();
        return std::make_unique<NoEventChar<FtdiBridge>>();
    };
}

// A link over the simulator, connected.
struct Bench : bench::SimulatedLink {
    Bench(bool timed, Path path = Path::InProcess, bool eventChar = true)
        : SimulatedLink(timed, BridgeOf(path, eventChar)) {
        link->ConnectIfOffline();
    }
};

template <typename Transfer>
void Timed(benchmark::State& state, Path path, bool eventChar, Transfer transfer) {
    Bench b(true, path, eventChar);
    if (!b.link->Online()) {
        state.SkipWithError("the simulated module did not answer");
        return;
    }
    bench::TimeAgainstLink(
        state, b, [&] { return transfer(*b.link); }, "transfer failed");
}

void BM_RetrieveTimed(benchmark::State& state, Path path) {
    CalImage image;
    Timed(state, path, true, [&](ModuleLink& link) { return link.RetrieveCalibration(image, {}); });
}
BENCHMARK_CAPTURE(BM_RetrieveTimed, in_process, Path::InProcess)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_RetrieveTimed, libftdi1, Path::Libftdi1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_WholeWriteTimed(benchmark::State& state, Path path, bool eventChar) {
    CalImage image;
    for (int i = 0; i < kCalImageSize; ++i) image[i] = static_cast<std::uint8_t>(i);
    Timed(state, path, eventChar,
          [&](ModuleLink& link) { return link.WriteWholeCalibration(image, {}); });
}
BENCHMARK_CAPTURE(BM_WholeWriteTimed, in_process, Path::InProcess, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_WholeWriteTimed, in_process_no_event_char, Path::InProcess, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_WholeWriteTimed, libftdi1, Path::Libftdi1, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_WholeWriteTimed, libftdi1_no_event_char, Path::Libftdi1, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

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
