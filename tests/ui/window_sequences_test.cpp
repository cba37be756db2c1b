// Stateful property tests of what a user does, run through the main window's own commands
// against two simulated modules, with link faults: connect, disconnect, unplug, a cell typed into
// a table, a table operation, a preset or a paste, a message selection, the CAN speed, open,
// save, restore, a compared copy, retrieve, update, undo, redo and a firmware or bootloader
// upgrade. Every question is answered by
// the command's plan inside the running event loop, so queued continuations interleave as they
// do for a user, and a step may be given while the one before still runs. A small model (which
// modules are plugged in, which files were saved) gives the commands their preconditions, so a
// failure shrinks to the shortest sequence. After every step that was waited for, the session's
// rules hold (the checks shared with the session's own sequences), a calibration shown without
// its changed mark is the one last saved, opened or retrieved, unsaved changes are replaced only
// when the user chose it, and a message selection writes the marker only once it reached the
// module. The commands are called
// as the menus call them, whether or not their control is enabled: each must keep the session's
// rule itself.
//
// The suite runs a few sequences; RC_PARAMS="max_success=1000" runs more
// (scripts/session-sequences.sh), and a failure prints the RC_PARAMS that replays it.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <fstream>

#include "files/paths.h"
#include "support/demo_calibration.h"
#include "support/firmware_file.h"
#include "support/sequence_commands.h"
#include "ui/dialogs/frm_can_speed.h"
#include "ui/dialogs/frm_compare.h"
#include "ui/dialogs/frm_firmware_upgrade.h"
#include "ui/dialogs/frm_module_history.h"
#include "ui/output/output_page.h"
#include "ui/widgets/entry_box.h"
#include "ui/widgets/table_grid.h"
#include "ui_fixture.h"

namespace {

// The window's prompt: the command's plan, and the file the step chose for a file dialog.
class WindowPrompt : public test::PlanPrompt {
  public:
    std::optional<std::string> OpenFile(const FileDialog&) override { return file; }
    std::optional<std::string> SaveFile(const FileDialog& dialog) override {
        if (plan.saveEnd != test::SaveEnd::Saved || !file) return PlanPrompt::SaveFile(dialog);
        return file;
    }
    std::optional<std::string> file;  // what the next file dialog chooses
};

// Runs `body` on the modal dialog of type D once it shows, while the step runs; a dialog that
// never shows is never waited for.
template <typename D>
struct OnDialog {
    explicit OnDialog(std::function<void(D&)> body) {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this, body] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            if (!dialog) return;
            timer_.stop();
            body(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        timer_.start();
    }
    QTimer timer_;
};

class WindowRig {
  public:
    // A step draws a link fault one time in eight, and the user may go on before it ends.
    static constexpr int kNoFault = 7, kFaultReach = 300, kRestorePicks = 1000;
    static constexpr bool kGoesOn = true;

    WindowRig()
        : sim_(std::make_shared<sim::Simulator>(test::TwoModules())),
          app_(StartupMode::Full, folder_.str(), prompt_, store_),
          module_(std::make_unique<sim::SimBridge>(sim_), prompt_, true),
          window_(app_, module_) {
        module_.link().SetTiming(test::FastTiming(0.002));
        prompt_.saveTo = files_.file("saved-as.DVF");
        window_.keeper() = RestoreKeeper(history_.str(), 1000);
        // Two gauge presets of analog tables, and a library of two messages, listed as
        // start-up lists them.
        for (int g = 0; g < 2; ++g)
            app_.presets.push_back(test::FuelGaugePreset("FG-10" + std::to_string(g), 5.0 + g));
        QComboBox* presets = window_.outputPage->cmbPresets;
        presets->clear();
        presets->addItems({"Custom", "Fuel - FG-100", "Fuel - FG-101"});
        app_.libraries.MessageLibraries.push_back(test::EngineLibrary());
    }

    // The calibration every file and module starts from: the demonstration with output 1 an
    // analog table, saved as the first file; each module holds it with a cell of its own.
    bool SetUp() {
        window_.show();
        window_.OpenFileCommand(VX42_DEMO_DVF);
        OutputPage& page = *window_.outputPage;
        page.optType[2]->click();
        page.txtPeriod->setText("100");
        QTest::keyClick(page.txtPeriod, Qt::Key_Return);
        prompt_.file = File(0);
        window_.SaveCommand(true);
        for (int b = 0; b < 2; ++b) {
            CalImage image = app_.image;
            image.StoreWord(DutyAddress(2), 100 + 50 * b);
            sim_->Module(b).Write(kCalBaseAddress, image.bytes());
        }
        clean_ = app_.image;
        return Settle() && page.mshAnalogTable->isVisible();
    }

    // Runs one command with its plan and fault; unless the user goes on at once (`wait`
    // false), waits for what it started and checks every rule.
    void Run(const test::StepDraw& step, int does, const std::function<void()>& body) {
        replaced_ = replaced_ || (does & test::kReplaces);
        prompt_.plan = step.plan;
        test::InjectFaultBurst(*sim_, step.at, step.kind);
        if (!pending_) {
            before_ = session().moduleImage();
            shownBefore_ = app_.image;
            changedBefore_ = app_.files.CalibrationChanged;
            prompt_.declinedSave = false;
            steps_ = 0;
        }
        ++steps_;
        does_ |= does;
        pending_ = true;
        // As the window's menus run it: an error is reported to the user, and only a save the
        // plan made fail may end in one.
        const bool ended = window_.Trapped("sequence", "Click", body);
        RC_ASSERT(ended || step.plan.saveEnd == test::SaveEnd::Failed);
        if (!step.wait) return;
        pending_ = false;
        RC_ASSERT(Broken() == std::string());
        does_ = 0;
    }

    void Connect(bool on) {
        if (on != window_.online()) window_.ConnectCommand();
    }
    void Unplug(int b) { sim_->Unplug(b); }
    void Replug(int b) { sim_->Replug(b); }
    void TypeCell(int col, int tenths) {
        TableGridWidget* grid = Grid();
        if (!grid) return;
        grid->selectCells(1, col);
        QTest::keyClick(grid, Qt::Key_Backspace);
        grid->editor()->setText(QString::number(tenths / 10.0, 'f', 1));
        QTest::keyClick(grid->editor(), Qt::Key_Return);
    }
    void GridOperation(int lastCol) {
        TableGridWidget* grid = Grid();
        if (!grid) return;
        grid->selectCells(1, 1, 1, lastCol);
        QTest::keyClick(grid, Qt::Key_L, Qt::ControlModifier);
    }
    void Paste(int from, int to) {
        TableGridWidget* grid = Grid();
        if (!grid) return;
        grid->selectCells(1, from);
        grid->copySelection();
        grid->selectCells(1, to);
        grid->pasteClipboard();
    }
    void Preset(int index) {
        if (!Grid()) return;
        QComboBox* presets = window_.outputPage->cmbPresets;
        presets->setCurrentIndex(index);
        emit presets->activated(index);
    }
    void Selection(int reference, int message) {
        if (!Grid()) return;
        const int b = test::ConnectedBridge(session());
        if (b >= 0 && prompt_.plan.differs != Answer::Yes)
            selection_ = {b, test::MarkerOf(*sim_, b), sim_->Module(b).AppliedChanges()};
        OutputPage& page = *window_.outputPage;
        for (auto [combo, text] :
             {std::pair{page.cmbLibrary[reference], QString("Engine")},
              std::pair{page.cmbMessage[reference], QString(message ? "Speed" : "Coolant")}}) {
            const int index = combo->findText(text);
            if (index < 0) return;
            combo->setCurrentIndex(index);
            emit combo->activated(index);
        }
    }
    void CanSpeed(int option) {
        OnDialog<FrmCanSpeed> choose([option](FrmCanSpeed& d) {
            QTest::mouseClick(d.optSpeedCAN[static_cast<std::size_t>(option)], Qt::LeftButton);
            d.cmdOK->click();
        });
        window_.menuComSetCAN->trigger();
    }
    void Open(int file) {
        if (!FileExists(File(file))) return;  // a save cancelled or failed left none to pick
        prompt_.file = File(file);
        window_.OpenFileCommand(File(file));
    }
    void Save(int file) {
        prompt_.file = File(file);
        window_.SaveCommand(true);
    }
    void Restore(int pick) {
        OnDialog<FrmModuleHistory> choose([pick](FrmModuleHistory& d) {
            const int n = d.lstEntries->topLevelItemCount();
            if (n == 0) return;
            d.lstEntries->setCurrentItem(d.lstEntries->topLevelItem(pick % n));
            d.cmdRestore->click();
        });
        window_.HistoryCommand();
    }
    void Copy(int file) {
        if (!FileExists(File(file))) return;  // as for an open: no file to compare with
        prompt_.file = File(file);
        OnDialog<FrmCompare> copy([](FrmCompare& d) {
            for (int i = 0; i < d.lstDifferences->topLevelItemCount(); ++i)
                d.lstDifferences->topLevelItem(i)->setCheckState(0, Qt::Checked);
            d.cmdCopySelected->click();
        });
        window_.CompareCommand(false);
    }
    void Retrieve() { window_.RetrieveCommand(); }
    // A firmware (.ROM) upgrade, or a bootloader (.BLU) one, whose image lands from 0x0400 over
    // the calibration.
    void Upgrade(bool boot, std::uint8_t fill) {
        const std::string path = files_.file(boot ? "upgrade.BLU" : "upgrade.ROM");
        if (boot)
            std::ofstream(path, std::ios::binary) << std::string(100, static_cast<char>(fill));
        else
            test::WriteFirmware(path, {{0x8000, Bytes(20, fill)}});
        prompt_.file = path;
        OnDialog<FrmFirmwareUpgrade> upgrade([](FrmFirmwareUpgrade& d) {
            d.cmdOpenFile->click();
            if (d.cmdStartUpgrade->isEnabled()) d.cmdStartUpgrade->click();
            if (!QTest::qWaitFor([&d] { return !d.running(); }, 20000)) return;
            d.accept();
        });
        window_.menuComFirmUpgrade->trigger();
        prompt_.file.reset();  // no save dialog after this writes over the upgrade file
    }
    void Update() { window_.UpdateCommand(); }
    void UndoRedo(bool undo) {
        if (!window_.outputPage->isEnabled()) return;
        undo ? window_.outputPage->Undo() : window_.outputPage->Redo();
    }

  private:
    // The marker and the changes a module had applied when a selection was made on it.
    struct SelectionWatch {
        int bridge = -1;
        Bytes marker;
        int applied = 0;
    };

    CalibrationSession& session() { return window_.session(); }
    // Whether a file the user saved to holds `image`.
    bool SavedSomewhere(const CalImage& image) {
        for (int n = 0; n <= test::kSequenceFiles; ++n) {
            const std::string path = n < test::kSequenceFiles ? File(n) : prompt_.saveTo;
            if (FileExists(path) && ReadCalibrationFile(path).image == image) return true;
        }
        return false;
    }
    std::string File(int n) { return files_.file("s" + std::to_string(n) + ".DVF"); }
    // Output 1's duty cell (1, col).
    static int DutyAddress(int col) {
        return CalAddresses().OutputCal[0].TableBlock + 2 * (col - 1);
    }

    // The window's commands and the link's queued work ended, with what they started.
    bool Settle() {
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(1);
            if (!test::WaitIdle(window_)) return false;
        }
        return true;
    }

    // The rules after the steps; an empty text when they hold.
    std::string Broken() {
        if (!Settle()) return "the window stayed busy";
        CalibrationSession& s = session();
        std::string broken = test::BrokenSessionRule(s, test::MemoriesOf(*sim_));
        // A transfer that changed what the module is known to hold wrote or retrieved it whole
        // (unless edits were staged in it meanwhile).
        if (broken.empty() && (does_ & test::kTransfer) && !(does_ & test::kEdits) &&
            s.moduleImage() && s.moduleImage() != before_)
            broken = test::MissingRestorePoint(s, s.serial(), *s.moduleImage());
        if (!broken.empty()) return broken;
        // Where one step ran alone: the marker tells the module to take up its messages, only
        // after it received them; unsaved changes go only when the user said not to save them.
        const auto selection = std::exchange(selection_, std::nullopt);
        if (steps_ == 1 && selection &&
            sim_->Module(selection->bridge).AppliedChanges() == selection->applied &&
            test::MarkerOf(*sim_, selection->bridge) != selection->marker)
            return "a selection that did not reach the module wrote the marker";
        if (steps_ == 1 && replaced_ && changedBefore_ && app_.image != shownBefore_ &&
            !prompt_.declinedSave && !SavedSomewhere(shownBefore_))
            return "unsaved changes were replaced without the user choosing it";
        if (std::exchange(replaced_, false) && !app_.files.CalibrationChanged) clean_ = app_.image;
        if (!app_.files.CalibrationChanged && app_.files.HasCalibration() && app_.image != clean_)
            return "a change is not marked unsaved";
        return {};
    }

    // The analog table of output 1, while the page may be edited.
    TableGridWidget* Grid() {
        if (!window_.outputPage->isEnabled()) return nullptr;
        window_.TabStrip->setCurrentIndex(0);
        TableGridWidget* grid = window_.outputPage->mshAnalogTable;
        if (!grid->isVisible()) return nullptr;
        grid->setFocus();
        return grid;
    }

    test::TempDir folder_, history_, files_;
    WindowPrompt prompt_;
    MemorySettingsStore store_;
    std::shared_ptr<sim::Simulator> sim_;
    AppContext app_;
    LinkModuleService module_;
    FrmMain window_;
    std::optional<CalImage> before_;
    CalImage clean_, shownBefore_;
    std::optional<SelectionWatch> selection_;
    int steps_ = 0;  // since the last step that was waited for
    int does_ = 0;   // what those steps do (test::StepDoes)
    bool pending_ = false, replaced_ = false, changedBefore_ = false;
};

using C = test::SequenceCommands<WindowRig>;

using test::Range;
// A cell (column and tenths), as typed.
using TypeCell =
    C::Pick<"edit a cell", test::kEdits, &WindowRig::TypeCell, Range{1, 6}, Range{0, 1000}>;
using GridOperation =
    C::Pick<"a grid operation", test::kEdits, &WindowRig::GridOperation, Range{2, 6}>;
// From a column to a column.
using Paste = C::Pick<"a paste", test::kEdits, &WindowRig::Paste, Range{1, 6}, Range{1, 6}>;
using Preset = C::Pick<"a preset", test::kEdits, &WindowRig::Preset, Range{1, 3}>;
// Reference and message.
using Selection =
    C::Pick<"a message selection", test::kEdits, &WindowRig::Selection, Range{0, 2}, Range{0, 2}>;
using CompareCopy = test::OnSavedFile<WindowRig, "compare-copy", test::kEdits, &WindowRig::Copy>;
// A firmware (.ROM) or a bootloader (.BLU) upgrade.
struct Upgrade : C::Step<Upgrade, "an upgrade", test::kTransfer> {
    bool boot = *rc::gen::arbitrary<bool>();
    std::uint8_t fill = *rc::gen::arbitrary<std::uint8_t>();
    void Body(WindowRig& r) const { r.Upgrade(boot, fill); }
};

}  // namespace

class WindowSequencesTest : public QObject {
    Q_OBJECT
  private slots:
    void everySequenceKeepsTheModuleAndTheWindowInAgreement() {
        const std::string failure = test::CheckProperty(
            "WindowSequences",
            [] {
                WindowRig rig;
                RC_ASSERT(rig.SetUp());
                rc::state::check(test::Model{}, rig, [](const test::Model& model) {
                    return rc::state::gen::execOneOfWithArgs<
                        C::Connect, C::Disconnect, C::Unplug, C::Replug, TypeCell, GridOperation,
                        Paste, Preset, Selection, C::SetCanSpeed, C::Open, C::Save, C::Restore,
                        CompareCopy, C::Retrieve, C::Update, Upgrade, C::Undo, C::Redo>()(model);
                });
            },
            40, 30);
        QVERIFY2(failure.empty(), failure.c_str());
    }
};

QTEST_MAIN(WindowSequencesTest)
#include "window_sequences_test.moc"
