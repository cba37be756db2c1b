#pragma once
// A main window, shown, on a scripted prompt, an in-memory settings store, a temporary program
// folder and the module simulator, for window tests: helpers drive its controls as a user
// does and read the module's memory; the output page's fixture adds a library of test
// messages, and the demonstration's window the demonstration calibration in the module.
// Tests that use the demonstration are given VX42_DEMO_DVF and VX42_SOURCE_DIR. The widgets
// and dialogs the tests drive are included here.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "base/control_names.h"
#include "base/scripted_prompt.h"
#include "can/library_json.h"
#include "device/sim/sim_bridge.h"
#include "device/sim/simulator.h"
#include "files/gauge_presets.h"
#include "files/paths.h"
#include "files/settings.h"
#include "session/link_module_service.h"
#include "support/demo_calibration.h"
#include "support/files_bytes.h"
#include "support/temp_dir.h"
#include "ui/dialogs/frm_calibration_check.h"
#include "ui/dialogs/frm_can_speed.h"
#include "ui/dialogs/frm_compare.h"
#include "ui/dialogs/frm_firmware_upgrade.h"
#include "ui/dialogs/frm_message_setup.h"
#include "ui/dialogs/frm_module_history.h"
#include "ui/dialogs/frm_unit_settings.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_page.h"
#include "ui/widgets/entry_box.h"
#include "ui/widgets/table_grid.h"

namespace vx42::test {

// Waits, with events processed, until the window has no command running (what the last
// command queued for after its end runs first).
inline bool WaitIdle(FrmMain& w, int timeoutMs = 20000) {
    QCoreApplication::processEvents();
    return QTest::qWaitFor([&] { return !w.busy() && !w.editsHeld() && w.link().pending() == 0; },
                           timeoutMs);
}

// What a test left wrong with its dialogs, one per line: the unplanned ones and the scripted
// answers nobody asked for.
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
    if (ImageOf(sim->Module().Read(kCalBaseAddress, kCalImageSize)).Blank())
        sim->Module().Write(kCalBaseAddress, CalImage{}.bytes());
    return sim;
}

// A calibration of varied bytes whose data sources name no message (so loading it asks
// nothing about undefined messages).
inline CalImage Patterned(int seed) {
    CalImage image = PatternedImage(static_cast<std::uint8_t>(seed));
    for (const auto& out : CalAddresses().OutputCal)
        for (const auto& source : out.DataSource) image.SetByte(source.MessageSlot, 0);
    return image;
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

// Runs the body on the modal dialog of type D once it is shown; a dialog the body left open
// is cancelled so the test goes on.
template <typename D>
void OnModal(std::function<void(D&)> body) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, body] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        body(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    timer->start();
}

// A list's entries, top to bottom.
inline QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
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

inline CanMessage TestMessage(const char* name, int startByte, int bitLength, double multiplier = 1,
                              std::int32_t offset = 0, const char* unit = "None") {
    CanMessage m;
    m.CanId = 0x123;
    m.Name = name;
    m.Description = std::string("Test ") + name;
    m.DataLength = 8;
    m.StartByte = static_cast<std::uint8_t>(startByte);
    m.BitLength = static_cast<std::uint8_t>(bitLength);
    m.Multiplier = multiplier;
    m.Offset = offset;
    m.Unit = unit;
    return m;
}

struct WindowFixture {
    using BridgeMaker =
        std::function<std::unique_ptr<Bridge>(const std::shared_ptr<sim::Simulator>&)>;
    explicit WindowFixture(StartupMode mode = StartupMode::Full,
                           std::shared_ptr<sim::Simulator> simulator = FastSimulator(),
                           const BridgeMaker& bridge = MakeBridge, bool simulated = true)
        : sim(std::move(simulator)),
          app(mode, folder.str(), prompt, store),
          module(bridge(sim), prompt, simulated),
          window(app, module) {
        window.show();
        LinkTiming fast;  // the link's waits shortened
        fast.retryPauseMs = fast.commandPauseMs = 1;
        fast.stillFailedSeconds = 0.01;
        fast.replyAllowanceSeconds = 0.05;
        module.link().SetTiming(fast);
    }

    TempDir folder;
    ScriptedPrompt prompt;
    MemorySettingsStore store;
    std::shared_ptr<sim::Simulator> sim;
    AppContext app;
    LinkModuleService module;
    FrmMain window;
    int moduleBridge = 0;  // the bridge whose module the memory helpers read

    static std::unique_ptr<Bridge> MakeBridge(const std::shared_ptr<sim::Simulator>& sim) {
        return std::make_unique<FaultyBridge>(sim);
    }
    FaultyBridge& bridge() { return static_cast<FaultyBridge&>(module.link().bridge()); }

    // Connects or disconnects through the menu and waits for the command to end.
    void ToggleConnection() {
        window.menuConnect->trigger();
        QVERIFY(WaitIdle(window));
    }
    // Connects (which retrieves the module's calibration, the one given when there is one).
    void Connect() {
        ToggleConnection();
        QVERIFY(window.online());
    }
    void Connect(const CalImage& held) {
        SetModuleImage(held);
        Connect();
    }
    void Settle() { QVERIFY(WaitIdle(window)); }
    // Writes a calibration file into the program folder; its path.
    std::string WriteFile(const char* name, const CalImage& image) {
        const std::string file = folder.file(name);
        WriteCalibrationFile(file, image);
        return file;
    }
    // Writes the file and opens it through File > Open; its path.
    std::string Open(const CalImage& image, const char* name = "truck.DVF") {
        const std::string file = WriteFile(name, image);
        prompt.AnswerOpenFile(file);
        window.menuFileOpen->trigger();
        return file;
    }

    // The simulated module's memory.
    sim::SimModule& Held() { return sim->Module(moduleBridge); }
    std::uint8_t Byte(int address) { return Held().Memory()[address]; }
    unsigned Word(int address) { return Byte(address) * 256u + Byte(address + 1); }
    int Applied() { return Held().AppliedChanges(); }  // staged changes applied
    void SetModuleImage(const CalImage& image) { Held().Write(kCalBaseAddress, image.bytes()); }
    CalImage ModuleImage() { return ImageOf(Held().Read(kCalBaseAddress, kCalImageSize)); }

    OutputPage& page() { return *window.outputPage; }
    CalImage& image() { return app.image; }
    const OutputCalAddresses& cal(int output) { return CalAddresses().OutputCal.at(output); }
    void SelectTab(int output) {
        window.TabStrip->setCurrentIndex(output);
        QCOMPARE(page().output(), output);
    }
    // Types the text into an entry box and presses Enter.
    static void Type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        box->clear();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    // Opens a table cell's editor as typing does and puts the text in it; Enter commits it.
    static void TypeIntoCell(TableGridWidget* grid, int row, int col, const QString& text,
                             bool enter = true) {
        grid->setFocus();
        grid->selectCells(row, col);
        QTest::keyClick(grid, Qt::Key_Backspace);  // opens the editor with the cell's text
        grid->editor()->setText(text);
        if (enter) QTest::keyClick(grid->editor(), Qt::Key_Return);
    }
    // Chooses a list entry as a click does.
    static void Choose(QComboBox* combo, const QString& text) {
        const int index = combo->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    // A message of the page fixture's library as the data (0 primary, 1 secondary).
    void SelectMessage(int dataIndex, const QString& message) {
        Choose(page().cmbLibrary[dataIndex], "Engine");
        Choose(page().cmbMessage[dataIndex], message);
    }
    // The presets listed again as start-up lists them.
    void ListPresets(std::vector<GaugePreset> presets) {
        app.presets = std::move(presets);
        page().cmbPresets->clear();
        for (const std::string& entry : FillPresetList(app.presets))
            page().cmbPresets->addItem(QString::fromStdString(entry));
    }

    // Every test ends with no dialog left unscripted and no scripted answer left unasked.
    ~WindowFixture() {
        QVERIFY2(ScriptMismatches(prompt).isEmpty(), qPrintable(ScriptMismatches(prompt)));
    }
};

// The output page shown whole over a cleared calibration, with a library "Engine" of test
// messages.
struct PageFixture : WindowFixture {
    explicit PageFixture(StartupMode mode = StartupMode::Full) : WindowFixture(mode) {
        CanLibrary lib;
        lib.Name = "Engine";
        lib.Version = "C002";
        lib.Messages = {TestMessage("Coolant", 2, 8, 1, -40, "°C"), TestMessage("Speed", 6, 12),
                        TestMessage("Level", 7, 8), TestMessage("Wide", 0, 16)};
        app.libraries.MessageLibraries.push_back(lib);
        SetModuleImage(CalImage{});  // a cleared calibration rather than erased memory
        page().Reload();
        window.SetFullLayout();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

// A page fixture already connected, its calibration retrieved.
struct OnlinePage : PageFixture {
    explicit OnlinePage(StartupMode mode = StartupMode::Full) : PageFixture(mode) { Connect(); }
};

// A main window over the demonstration calibration: the module holds it, the example library
// defines its messages, and the restore points go to a folder of the test's own.
struct DemoWindow : WindowFixture {
    DemoWindow() {
        window.keeper() = RestoreKeeper(history.str(), 200);
        app.libraries.MessageLibraries.push_back(  // it defines the calibration's messages
            ReadLibraryJsonFile(std::string(VX42_SOURCE_DIR) + "/data/libraries/SAE_J1939.json"));
        SetModuleImage(DemoCalibration());
    }
    // The module's restore points: none while it has no history.
    ModuleHistory Kept() {
        return window.keeper().store()->Module(module.DeviceSerial()).value_or(ModuleHistory{});
    }
    // The events of the module's restore points, oldest first.
    std::vector<std::string> Events() {
        std::vector<std::string> out;
        for (const auto& e : Kept().entries) out.push_back(e.event);
        return out;
    }
    CalImage Newest() {
        const auto m = Kept();
        return m.entries.empty() ? CalImage{} : window.keeper().store()->Load(m, m.entries.back());
    }
    TempDir history;
};

}  // namespace vx42::test

// The window tests name the tool and these helpers without their namespaces.
using namespace vx42;
using namespace vx42::test;
