// Takes screenshots of the main window in each layout and state, for people to look at:
// offline and compact; a retrieved calibration on each tab; each menu open. Run it under
// Xvfb (scripts/screenshots.sh). Writes PNG files into the folder given as the first
// argument; "--relay" as the second starts the window in relay mode. The main window's
// shots are of the whole screen, so they show whether the window fits it.

#include <QAbstractAnimation>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <utility>

#include "app/app_context.h"
#include "calibration/outputs/output_tables.h"
#include "device/sim/sim_bridge.h"
#include "files/calibration_file.h"
#include "files/paths.h"
#include "session/can_status_watch.h"
#include "session/link_module_service.h"
#include "ui/dialogs/frm_calibration_check.h"
#include "ui/dialogs/frm_can_speed.h"
#include "ui/dialogs/frm_compare.h"
#include "ui/dialogs/frm_firmware_upgrade.h"
#include "ui/dialogs/frm_import_dbc.h"
#include "ui/dialogs/frm_message_setup.h"
#include "ui/dialogs/frm_module_history.h"
#include "ui/dialogs/frm_unit_settings.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/calibration_assistant.h"
#include "ui/output/output_page.h"
#include "ui/widgets/control_names.h"
#include "ui/widgets/entry_box.h"
#include "ui/widgets/table_grid.h"

namespace {

// Answers every question with No or Cancel and prints what it was asked; a file dialog takes
// the file set for it once.
class QuietPrompt : public vx42::Prompt {
  public:
    std::optional<std::string> openFile, saveFile;

    void Message(const std::string& text, const std::string&, vx42::Icon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    vx42::Answer YesNo(const std::string& text, const std::string&, vx42::Icon,
                       vx42::Answer) override {
        std::fprintf(stderr, "question (No): %s\n", text.c_str());
        return vx42::Answer::No;
    }
    vx42::Answer YesNoCancel(const std::string& text, const std::string&, vx42::Icon,
                             vx42::Answer) override {
        std::fprintf(stderr, "question (No): %s\n", text.c_str());
        return vx42::Answer::No;
    }
    std::optional<std::string> OpenFile(const vx42::FileDialog&) override {
        return std::exchange(openFile, std::nullopt);
    }
    std::optional<std::string> SaveFile(const vx42::FileDialog&) override {
        return std::exchange(saveFile, std::nullopt);
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
};

// Drawn and still: the style's fades between a control's states (Windows' style blends a radio
// button's dot from the old choice to the new) have run to their end, so no picture catches a
// control halfway. (A default button's glow pulses for as long as it is shown: not waited for.)
void Settle(const QWidget& window) {
    QTest::qWait(150);
    const auto fading = [](const QAbstractAnimation* a) {
        const auto* button = qobject_cast<const QPushButton*>(a->parent());
        return a->state() == QAbstractAnimation::Running && !(button && button->isDefault());
    };
    const bool still = QTest::qWaitFor(
        [&] {
            const auto animations = window.findChildren<QAbstractAnimation*>();
            return std::none_of(animations.begin(), animations.end(), fading);
        },
        2000);
    if (!still) std::fprintf(stderr, "a control still fades after 2 s\n");
}

void Shot(QWidget& window, const QString& folder, const QString& name) {
    Settle(window);
    QScreen* screen = QGuiApplication::primaryScreen();
    // Without a real screen (the offscreen platform, as for the manual) the window draws itself.
    QPixmap pixmap;
    if (QGuiApplication::platformName() != "offscreen") pixmap = screen->grabWindow(0);
    if (pixmap.isNull() || pixmap.width() < 10) pixmap = window.grab();
    pixmap.save(folder + "/" + name + ".png");
    const QRect frame = window.frameGeometry();
    std::fprintf(stderr, "wrote %s/%s.png (window %dx%d of screen %dx%d)\n", qPrintable(folder),
                 qPrintable(name), frame.width(), frame.height(), screen->size().width(),
                 screen->size().height());
}

// A dialog shown on its own, grabbed, and hidden again.
void DialogShot(QDialog& dialog, const QString& folder, const QString& name) {
    dialog.show();
    Settle(dialog);
    dialog.grab().save(folder + "/" + name + ".png");
    std::fprintf(stderr, "wrote %s/%s.png\n", qPrintable(folder), qPrintable(name));
    dialog.hide();
}

// Every dialog of the main window, with sample contents.
void DialogShots(vx42::FrmMain& window, vx42::AppContext& app, const QString& folder) {
    vx42::FrmUnitSettings units(app.settings, app.store, app.prompt, app.log, {}, &window);
    DialogShot(units, folder, "20-dialog-unit-settings");

    vx42::LibrarySet sample;
    vx42::CanLibrary user = vx42::NewLibrary(vx42::kUserDefinedName);
    vx42::CanMessage boost;
    boost.Name = vx42::FixedText("Boost Pressure", vx42::canwidth::Name);
    boost.Description = vx42::FixedText("Intake manifold pressure", vx42::canwidth::Description);
    boost.CanId = 0x18FEF600;
    boost.DataLength = 8;
    boost.StartByte = 1;
    boost.BitLength = 8;
    boost.Multiplier = 2;
    boost.Unit = vx42::FixedText("kPa", vx42::canwidth::Unit);
    boost.EndianLength = 1;
    user.Messages.push_back(boost);
    sample.MessageLibraries.push_back(user);
    vx42::FrmMessageSetup messages(sample, app.libraryFolder(), app.prompt, app.log, &window);
    DialogShot(messages, folder, "21-dialog-can-message-setup");

    // The import list of a small database: two signals chosen, the others not importable.
    const vx42::DbcFile database = vx42::ReadDbc(
        "BO_ 2364540158 EEC1: 8 Engine\n"
        " SG_ EngineSpeed : 24|16@1+ (0.125,0) [0|8031.875] \"rpm\" Dash\n"
        " SG_ ActualEngineTorque : 16|8@1+ (1,-125) [-125|125] \"%\" Dash\n"
        " SG_ DriverDemandTorque : 8|8@1- (1,0) [-125|125] \"%\" Dash\n"
        "BO_ 2566844926 ET1: 8 Engine\n"
        " SG_ CoolantTemperature : 0|8@1+ (1,-40) [-40|210] \"degC\" Dash\n"
        " SG_ OilTemperature : 16|16@1+ (0.03125,-273) [-273|1735] \"degC\" Dash\n"
        " SG_ TurboOilTemperature : 32|16@1+ (0.03125,-273) [-273|1735] \"degC\" Dash\n"
        "BO_ 1056 Cluster: 8 Dash\n"
        " SG_ VehicleSpeed : 39|16@0+ (0.01,-0.5) [0|300] \"km/h\" ECU\n"
        " SG_ FuelLevel : 55|8@0+ (0.4,0) [0|100] \"%\" ECU\n"
        " SG_ Page M : 60|4@1+ (1,0) [0|15] \"\" ECU\n"
        " SG_ TripDistance m1 : 0|32@1+ (0.1,0) [0|4e8] \"km\" ECU\n"
        "CM_ SG_ 2566844926 CoolantTemperature \"Engine coolant temperature\";\n",
        "sample");
    vx42::DbcImportList importList(database);
    importList.SetChecked(0, true);
    importList.SetChecked(3, true);
    vx42::FrmImportDbc importDbc(importList, "engine.dbc", app.prompt, app.log, &window);
    DialogShot(importDbc, folder, "27-dialog-import-dbc");

    vx42::FrmCanSpeed speed(app.prompt, app.log, &window);
    speed.Load(app.image);
    DialogShot(speed, folder, "22-dialog-set-can-speed");
}

// A firmware file of one record of `size` bytes at 0x8000: the count of records, eight blanks,
// the first and last address, then per record its flag, length, address and data.
void WriteFirmwareFile(const std::string& path, int size) {
    std::vector<char> out{1};
    out.insert(out.end(), 8, ' ');
    const auto put = [&out](std::int32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
    };
    put(0x8000);
    put(0x8003);
    out.push_back(1);
    put(size);
    put(0x8000);
    for (int i = 0; i < size; ++i) out.push_back(static_cast<char>(i * 7));
    std::ofstream(path, std::ios::binary)
        .write(out.data(), static_cast<std::streamsize>(out.size()));
}

// A firmware upgrade run to its end on the simulated module from a file opened in the dialog,
// as the manual describes it. The module restarts, so the window is offline afterwards.
void FirmwareShot(vx42::FrmMain& window, vx42::AppContext& app, vx42::LinkModuleService& module,
                  QuietPrompt& prompt, const QString& folder) {
    const QTemporaryDir files;
    const std::string path = (files.path() + "/VX42 2.2.0.ROM").toStdString();
    WriteFirmwareFile(path, 4096);
    vx42::FrmFirmwareUpgrade upgrade(
        {app.prompt, app.log, app.settings, app.store, app.folders.userData, window.link(),
         module.link(), [&window] { return window.online(); },
         [&window] { return window.session().firmware(); }},
        &window);
    upgrade.show();
    prompt.openFile = path;
    upgrade.cmdOpenFile->click();
    upgrade.cmdStartUpgrade->click();
    if (!QTest::qWaitFor([&] { return !upgrade.running(); }, 60000))
        std::fprintf(stderr, "the firmware upgrade did not finish\n");
    DialogShot(upgrade, folder, "23-dialog-firmware-upgrade");
}

// Module History with two restore points of the module shown, and the calibration check of a
// damaged copy of its calibration (breakpoints reversed, a duty cycle at 150 %).
void HistoryShots(vx42::FrmMain& window, vx42::AppContext& app, const QString& folder) {
    vx42::RestorePoints* store = window.keeper().store();
    if (!store) return;
    vx42::CalImage changed = app.image;
    changed.StoreWord(vx42::CalAddresses().OutputCal[1].Period, 750);
    window.keeper().Keep(window.module().DeviceSerial(), changed, vx42::restore_event::Update);
    vx42::FrmModuleHistory history(*store, app.image, app.settings.Units, app.prompt, app.log,
                                   &window);
    DialogShot(history, folder, "25-dialog-module-history");

    vx42::CalImage damaged = app.image;
    const vx42::FormatContext raw;
    const vx42::OutputScope out{damaged, raw, 0};
    for (int c = 1; c <= 16; ++c)
        damaged.StoreWord(*vx42::CellAddress(out, vx42::TableGrid::Analog, 0, c), 4000 - c);
    damaged.StoreWord(*vx42::CellAddress(out, vx42::TableGrid::Analog, 2, 5), out.Period() * 1.5);
    vx42::FrmCalibrationCheck check(
        [&] { return vx42::CheckCalibration(damaged, &app.libraries, app.settings.Units); },
        [](const vx42::Finding&) {}, app.prompt, app.log, &window);
    check.Refresh();
    DialogShot(check, folder, "26-dialog-check-calibration");
}

// The comparison with a calibration that differs in a few groups: a name, a period, three
// cells of output 1's table and the CAN speed; one group checked, the table in view.
void CompareShot(vx42::FrmMain& window, vx42::AppContext& app, const QString& folder) {
    const auto& m = vx42::CalAddresses();
    vx42::CalImage other = app.image;
    other.StoreText(m.OutputName[1], vx42::width::OutputName, "Oil Pressure");
    other.StoreWord(m.OutputCal[1].Period, 750);
    const vx42::FormatContext raw;
    const vx42::OutputScope out{other, raw, 0};
    for (int c : {3, 4, 5})
        other.StoreWord(*vx42::CellAddress(out, vx42::TableGrid::Analog, 2, c), out.Period() / 2);
    other.StoreWord(m.CanSpeed, 500);
    vx42::FrmCompare compare(vx42::CompareCalibrations(app.image, other, app.settings.Units),
                             "\"Job 1041.DVF\"", app.prompt, app.log, &window);
    if (QTreeWidgetItem* group = compare.GroupItem("Output 2: Function and drive"))
        group->setCheckState(0, Qt::Checked);
    DialogShot(compare, folder, "28-dialog-compare");
}

bool WaitIdle(vx42::FrmMain& w) {
    return QTest::qWaitFor([&] { return !w.busy() && w.link().pending() == 0; }, 60000);
}

// The dialogs in the states where they once showed what was not so: CAN Message Setup with no
// library of the user's own, the firmware dialog as it opens online, the check of a
// calibration without findings; and the Edit menu after a gauge preset, naming its step.
// A value typed into a cell of the grid, the foot of the window shot, the change undone.
void TypedCellFootShot(vx42::FrmMain& window, vx42::TableGridWidget& grid, int row, int col,
                       const QString& text, const QString& file) {
    grid.selectCells(row, col);
    QTest::keyClick(&grid, Qt::Key_Backspace);
    grid.editor()->setText(text);
    QTest::keyClick(grid.editor(), Qt::Key_Return);
    WaitIdle(window);
    const QPixmap foot = window.grab();
    foot.copy(0, foot.height() - 62, foot.width(), 62).save(file);
    window.outputPage->Undo();
    WaitIdle(window);
}

void StateShots(vx42::FrmMain& window, vx42::AppContext& app, vx42::LinkModuleService& module,
                const QString& folder) {
    vx42::LibrarySet none;
    none.LibrariesChanged = true;  // as a calibration's own messages leave it
    vx42::FrmMessageSetup messages(none, app.libraryFolder(), app.prompt, app.log, &window);
    DialogShot(messages, folder, "30-dialog-can-message-setup-empty");

    vx42::FrmFirmwareUpgrade upgrade(
        {app.prompt, app.log, app.settings, app.store, app.folders.userData, window.link(),
         module.link(), [&window] { return window.online(); },
         [&window] { return window.session().firmware(); }},
        &window);
    DialogShot(upgrade, folder, "31-dialog-firmware-upgrade-online");

    vx42::FrmCalibrationCheck check([] { return std::vector<vx42::Finding>{}; },
                                    [](const vx42::Finding&) {}, app.prompt, app.log, &window);
    check.Refresh();
    DialogShot(check, folder, "32-dialog-check-calibration-clean");

    QComboBox* presets = window.outputPage->cmbPresets;
    if (presets->count() < 2 || !presets->isVisible()) return;
    presets->setCurrentIndex(presets->count() - 1);
    emit presets->activated(presets->count() - 1);
    WaitIdle(window);
    window.menuBar()->setActiveAction(window.mEdit->menuAction());
    QTest::qWait(200);
    Shot(window, folder, "33-menu-edit-undo-preset");
    window.mEdit->hide();
    window.outputPage->Undo();
    WaitIdle(window);

    // A duty typed above 100 %: stored at the limit, and the status bar says so.
    vx42::TableGridWidget* grid = window.outputPage->mshAnalogTable;
    if (!grid->isVisible()) return;
    TypedCellFootShot(window, *grid, 2, 3, "150", folder + "/35-limit-note.png");
    // A data breakpoint typed below the one before it: held back from the module, as the
    // status bar says beside the module's state.
    window.statusBar()->clearMessage();
    TypedCellFootShot(window, *grid, 0, 3, "0", folder + "/36-held-back-edit.png");
}

// The calibration assistant on the speedometer of output 3: the marks chosen, one mark with the
// needle being moved, the review, and the table stored; then the choice of an analog gauge.
void AssistantShots(vx42::FrmMain& window, const QString& folder) {
    const auto open = [&window](int table) {
        const QString name = vx42::Indexed("cmdCalibrateAssistant", table);
        if (auto* button = window.findChild<QPushButton*>(name)) button->click();
        return window.findChild<vx42::FrmCalibrationAssistant*>();
    };
    const auto grab = [&folder](QWidget* dialog, const char* name) {
        Settle(*dialog);
        dialog->grab().save(folder + "/" + name + ".png");
        std::fprintf(stderr, "wrote %s/%s.png\n", qPrintable(folder), name);
    };
    window.statusBar()->clearMessage();  // an earlier shot's note
    window.TabStrip->setCurrentIndex(2);
    auto* a = open(1);
    if (!a) return;
    a->txtMarks->setText("0, 20, 40, 60, 80, 100, 120, 140");
    grab(a, "38-assistant-marks");
    a->cmdBegin->click();
    WaitIdle(window);
    QWidget* page = a->lblDrive->parentWidget();
    QTest::keyClick(page, Qt::Key_Return);
    QTest::keyClick(page, Qt::Key_PageUp);
    QTest::keyClick(page, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(page, Qt::Key_Return);
    QTest::keyClick(page, Qt::Key_Up);
    WaitIdle(window);
    grab(a, "39-assistant-mark");
    for (int k = 2; k < 8; ++k) QTest::keyClick(page, Qt::Key_Return);
    grab(a, "40-assistant-review");
    a->cmdStore->click();
    WaitIdle(window);
    Shot(window, folder, "41-assistant-stored");
    window.outputPage->Undo();
    WaitIdle(window);
    window.TabStrip->setCurrentIndex(0);
    if ((a = open(0))) {
        a->txtMarks->setText("0, 25, 50, 75, 100");
        a->optFillScaled->click();
        grab(a, "42-assistant-analog-marks");
        a->cmdCancel->click();
    }
}

// The CAN status watched while a harness is wired: output 1's message arrives, output 2's
// comes and goes; and the live calibration of the speedometer at 353.5 Hz.
void LiveShots(vx42::FrmMain& window, vx42::sim::Simulator& sim, const QString& folder) {
    sim.Module().SetCanTraffic(0, {0x0101});
    sim.Module().SetCanTraffic(2, {0, 0x0101, 0x0101});
    window.TabStrip->setCurrentIndex(4);
    if (auto* watch = window.findChild<QCheckBox*>("chkWatchCAN")) {
        watch->click();
        QTest::qWait(2 * vx42::kCanWatchIntervalMs + 300);
        Shot(window, folder, "36-can-status-watch");
        watch->click();
        WaitIdle(window);
    }
    window.TabStrip->setCurrentIndex(2);
    vx42::OutputPage& page = *window.outputPage;
    if (!page.cmdCalibrateSpeed->isVisible()) return;
    page.cmdCalibrateSpeed->click();
    page.txtDutyCycleSpeed->setFocus();
    page.txtDutyCycleSpeed->selectAll();
    QTest::keyClicks(page.txtDutyCycleSpeed, "353.5");
    QTest::keyClick(page.txtDutyCycleSpeed, Qt::Key_Return);
    WaitIdle(window);
    Shot(window, folder, "37-live-calibration-speed");
    page.cmdCalibrateSpeed->click();
    WaitIdle(window);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? argv[1] : "screenshots";
    const bool relay = argc > 2 && QString(argv[2]) == "--relay";
    QDir().mkpath(folder);

    QuietPrompt prompt;
    vx42::MemorySettingsStore store;
    const std::string programFolder = vx42::ProgramFolder();
    vx42::AppContext app(relay ? vx42::StartupMode::Relay : vx42::StartupMode::Full, programFolder,
                         prompt, store);
    app.presets = vx42::ReadGaugePresets(app.presetsPath(), prompt);

    vx42::sim::SimConfig config;
    auto sim = std::make_shared<vx42::sim::Simulator>(config);
    const std::string demo = vx42::JoinPath(app.folders.shared, "Demo.DVF");
    if (vx42::FileExists(demo))
        sim->Module().Write(vx42::kCalBaseAddress, vx42::ReadCalibrationFile(demo).image.bytes());
    vx42::LinkModuleService module(std::make_unique<vx42::sim::SimBridge>(sim), prompt, true);

    vx42::FrmMain window(app, module);
    const QTemporaryDir history;
    app.settings.CalibrationPath = history.path().toStdString();
    window.keeper() = vx42::RestoreKeeper(history.path().toStdString(), 200);
    window.show();
    Shot(window, folder, "01-offline-compact");

    window.ConnectCommand();
    WaitIdle(window);
    const char* tabs[] = {"02-output-1", "03-output-2", "04-output-3", "05-output-4",
                          "06-can-status"};
    for (int t = 0; t < 5; ++t) {
        window.TabStrip->setCurrentIndex(t);
        Shot(window, folder, tabs[t]);
    }
    window.TabStrip->setCurrentIndex(0);
    // The foot of the window online to the simulated module, where the status bar says so.
    const QPixmap whole = window.grab();
    whole.copy(0, whole.height() - 62, whole.width(), 62).save(folder + "/29-simulated-module.png");
    int n = 7;
    for (QAction* action : window.menuBar()->actions()) {
        QMenu* menu = action->menu();
        if (!menu) continue;
        window.menuBar()->setActiveAction(action);
        QTest::qWait(200);
        Shot(window, folder,
             QString("%1-menu-%2").arg(n++, 2, 10, QChar('0')).arg(menu->objectName()));
        menu->hide();
    }
    DialogShots(window, app, folder);
    HistoryShots(window, app, folder);
    CompareShot(window, app, folder);
    // The CAN status after a check: slots 0, 2 and 5 receiving.
    for (int slot : {0, 2, 5}) sim->Module().SetCanStatus(slot, 0x0101);
    window.TabStrip->setCurrentIndex(4);
    if (auto* check = window.findChild<QPushButton*>("cmdCheckCANStats")) check->click();
    WaitIdle(window);
    Shot(window, folder, "24-can-status-checked");
    LiveShots(window, *sim, folder);
    window.TabStrip->setCurrentIndex(0);
    StateShots(window, app, module, folder);
    // The job sheet of the demonstration calibration, as File > Export Job Sheet... writes it.
    prompt.saveFile = (folder + "/job-sheet.pdf").toStdString();
    window.ExportJobSheetCommand();
    // A preset with a long name chosen on output 4: the box shows what it can of the name.
    window.TabStrip->setCurrentIndex(3);
    if (auto* presets = window.findChild<QComboBox*>("cmbPresets")) {
        const int entry = presets->findText("SP-8000-E", Qt::MatchContains);
        if (entry >= 0) {
            presets->setCurrentIndex(entry);
            emit presets->activated(entry);
            WaitIdle(window);
            Shot(window, folder, "34-preset-long-name");
        }
    }
    AssistantShots(window, folder);
    window.TabStrip->setCurrentIndex(0);
    FirmwareShot(window, app, module, prompt, folder);
    WaitIdle(window);
    if (window.online()) {
        window.ConnectCommand();  // disconnect
        WaitIdle(window);
    }
    return 0;
}
