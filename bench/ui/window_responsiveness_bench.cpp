// How quickly the window handles its events while a whole calibration is retrieved over the
// simulator's timing model (100000 baud, 2 ms latency timer): an event is posted every 5 ms
// and the delay until it is handled is recorded. The aim is a worst case under 50 ms.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/app_context.h"
#include "base/scripted_prompt.h"
#include "device/sim/sim_bridge.h"
#include "files/settings.h"
#include "session/link_module_service.h"
#include "ui/main_window/frm_main.h"

namespace {

void BM_WindowDuringRetrieve(benchmark::State& state) {
    std::vector<double> latenciesMs;
    double linkSeconds = 0;
    for (auto _ : state) {
        vx42::ScriptedPrompt prompt;
        vx42::MemorySettingsStore store;
        vx42::AppContext app(vx42::StartupMode::Full, "/tmp", prompt, store);
        vx42::sim::SimConfig config;
        config.timing.enabled = true;
        auto sim = std::make_shared<vx42::sim::Simulator>(config);
        vx42::LinkModuleService module(std::make_unique<vx42::sim::SimBridge>(sim), prompt, true);
        vx42::FrmMain window(app, module);

        // Probe: post an event, time its handling, post the next one 5 ms later.
        QElapsedTimer clock;
        clock.start();
        bool probing = true;
        std::function<void()> probe = [&] {
            const qint64 posted = clock.nsecsElapsed();
            QMetaObject::invokeMethod(
                &window,
                [&, posted] {
                    latenciesMs.push_back((clock.nsecsElapsed() - posted) / 1e6);
                    if (probing) QTimer::singleShot(5, &window, probe);
                },
                Qt::QueuedConnection);
        };
        probe();
        window.ConnectCommand();
        if (!QTest::qWaitFor([&] { return !window.busy() && window.link().pending() == 0; }, 60000))
            state.SkipWithError("the retrieve did not end");
        probing = false;
        QTest::qWait(20);
        linkSeconds += sim->ModelledLinkSeconds();
        if (!window.online() || prompt.Calls().size() != 0) state.SkipWithError("retrieve failed");
    }
    std::sort(latenciesMs.begin(), latenciesMs.end());
    if (!latenciesMs.empty()) {
        state.counters["events"] = static_cast<double>(latenciesMs.size());
        state.counters["median_ms"] = latenciesMs[latenciesMs.size() / 2];
        state.counters["p99_ms"] = latenciesMs[latenciesMs.size() * 99 / 100];
        state.counters["max_ms"] = latenciesMs.back();
    }
    state.counters["link_s"] = benchmark::Counter(linkSeconds, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_WindowDuringRetrieve)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
