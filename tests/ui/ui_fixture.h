#pragma once
// A main window on a scripted prompt, an in-memory settings store, a temporary program
// folder and the module simulator, for window tests.

#include <QApplication>
#include <QTest>
#include <atomic>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "base/control_names.h"
#include "base/scripted_prompt.h"
#include "device/sim/sim_bridge.h"
#include "device/sim/simulator.h"
#include "files/gauge_presets.h"
#include "files/paths.h"
#include "files/settings.h"
#include "session/link_module_service.h"
#include "support/temp_dir.h"
#include "ui/main_window/frm_main.h"

namespace vx42::test {

// Waits, with events processed, until the window has no command running (what the last
// command queued for after its end runs first).
inline bool WaitIdle(FrmMain& w, int timeoutMs = 20000) {
    QCoreApplication::processEvents();
    return QTest::qWaitFor([&] { return !w.busy() && !w.editsHeld() && w.link().pending() == 0; },
                           timeoutMs);
}

// The unplanned dialogs, one per line (empty when every dialog was scripted).
inline QString UnexpectedDialogs(const ScriptedPrompt& prompt) {
    QStringList out;
    for (const auto& u : prompt.Unexpected()) out << QString::fromStdString(u);
    return out.join('\n');
}

// What a finished test left wrong with its dialogs: the unplanned ones and the scripted
// answers nobody asked for, one per line (empty when the script was played exactly).
inline QString ScriptMismatches(const ScriptedPrompt& prompt) {
    QStringList out;
    for (const auto& u : prompt.Unexpected()) out << QString::fromStdString(u);
    for (const auto& u : prompt.Unused()) out << QString::fromStdString(u);
    return out.join('\n');
}

// The error log's lines.
inline std::vector<std::string> LogLines(const std::string& programFolder) {
    std::ifstream log(JoinPath(JoinPath(programFolder, "Error Logs"), "ErrLogDVN.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
}

// Counts the frames the module received that start with the letter.
inline int CountFrames(sim::Simulator& sim, char letter) {
    int n = 0;
    for (const auto& f : sim.Log())
        if (!f.request.empty() && f.request[0] == static_cast<std::uint8_t>(letter)) ++n;
    return n;
}

// The simulator, fast: no wire timing, short pauses between attempts. A module never written
// holds a calibration of zeros (every output off, no message), not a blank memory.
inline std::shared_ptr<sim::Simulator> FastSimulator(sim::SimConfig config = {}) {
    auto sim = std::make_shared<sim::Simulator>(config);
    CalImage held;
    held.CopyIntoImage(sim->Module().Read(kCalBaseAddress, kCalImageSize), 0);
    if (held.Blank()) sim->Module().Write(kCalBaseAddress, CalImage{}.bytes());
    return sim;
}

// The simulator's bridge with faults the simulator does not model: a serial number that
// cannot be read, and a driver that raises an error.
class FaultyBridge : public sim::SimBridge {
  public:
    using SimBridge::SimBridge;
    std::atomic<bool> serialUnreadable{false};
    std::atomic<int> throwingWrites{0};      // the next writes raise an error
    std::atomic<int> writesBeforeFault{-1};  // then the one write after these raises an error

    FtStatus SerialNumber(int index, std::string& serial) override {
        if (serialUnreadable) return ft::OtherError;
        return SimBridge::SerialNumber(index, serial);
    }
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override {
        if (throwingWrites > 0 || writesBeforeFault.fetch_sub(1) == 0) {
            if (throwingWrites > 0) --throwingWrites;
            throw std::runtime_error("driver fault");
        }
        return SimBridge::Write(bytes, written);
    }
};

// A control of an array, found by the name its window gives it ("txtEditMess_3"). Throws
// when the window holds no such control of that type, or more than one.
template <typename T>
T* FindIndexed(const QObject& parent, const char* array, int index) {
    const QString name = QString::fromStdString(IndexedName(array, index));
    const auto found = parent.findChildren<T*>(name);
    if (found.size() != 1)
        throw std::runtime_error(std::to_string(found.size()) + " controls named " +
                                 name.toStdString());
    return found.front();
}

// The link's waits shortened for window tests.
inline LinkTiming WindowTiming() {
    LinkTiming fast;
    fast.retryPauseMs = 1;
    fast.commandPauseMs = 1;
    fast.stillFailedSeconds = 0.01;
    fast.replyAllowanceSeconds = 0.05;
    return fast;
}

// A fuel gauge preset of an analog table at 100 Hz, its duty cells `step` % a column apart.
inline GaugePreset FuelGaugePreset(const std::string& partNumber, double step = 5.0) {
    GaugePreset preset;
    preset.GaugeName = "Fuel";
    preset.GaugePartNum = partNumber;
    preset.OutputName = "Fuel gauge";
    preset.Function = 2;
    preset.Frequency = "100";
    preset.OutputOn = 0;
    preset.OutputOff = 1;
    for (int c = 0; c < 16; ++c) preset.DataBreakpoints[c] = c * 10;
    preset.BatteryBreakpoints = {7.99, 9.98, 11.98, 14.01, 16.01, 18.01};  // exact as words
    for (auto& row : preset.DataRows)
        for (int c = 0; c < 16; ++c) row[c] = step * c;
    return preset;
}

struct WindowFixture {
    explicit WindowFixture(StartupMode mode = StartupMode::Full,
                           std::shared_ptr<sim::Simulator> simulator = FastSimulator())
        : sim(std::move(simulator)),
          app(mode, folder.str(), prompt, store),
          module(MakeBridge(sim), prompt, true),
          window(app, module) {
        module.link().SetTiming(WindowTiming());
    }

    TempDir folder;
    ScriptedPrompt prompt;
    MemorySettingsStore store;
    std::shared_ptr<sim::Simulator> sim;
    AppContext app;
    LinkModuleService module;
    FrmMain window;

    static std::unique_ptr<Bridge> MakeBridge(const std::shared_ptr<sim::Simulator>& sim) {
        return std::make_unique<FaultyBridge>(sim);
    }
    FaultyBridge& bridge() { return static_cast<FaultyBridge&>(module.link().bridge()); }

    // Connects or disconnects through the menu and waits for the command to end.
    void ToggleConnection() {
        window.menuConnect->trigger();
        QVERIFY(WaitIdle(window));
    }

    // The module's calibration as the simulator holds it.
    CalImage ModuleImage() {
        CalImage image;
        const auto bytes = sim->Module().Read(kCalBaseAddress, kCalImageSize);
        image.CopyIntoImage(bytes, 0);
        return image;
    }

    // Every test ends with no dialog left unscripted and no scripted answer left unasked.
    ~WindowFixture() {
        QVERIFY2(ScriptMismatches(prompt).isEmpty(), qPrintable(ScriptMismatches(prompt)));
    }
    QString unexpected() const { return UnexpectedDialogs(prompt); }
};

}  // namespace vx42::test
