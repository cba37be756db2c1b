// Random sequences of what a user does, run through the main window's own commands against two
// simulated modules with link faults: connect, disconnect, unplug, a cell typed into a table, a
// table operation, a preset or a paste, open, save, restore, a compared copy, retrieve, update,
// undo and redo, every question answered at random. After every step the session's rules hold (the
// checks shared with the session's own sequences): the module holds what the tool believes it
// wrote, in step it holds the calibration shown, and every whole write and retrieve left a
// restore point. The commands are called as the menus call them, whether or not their control is
// enabled: each must keep the session's rule itself.
//
// Each sequence has its own seed and is replayable: VX42_WINDOW_SEED=N runs that one alone,
// VX42_WINDOW_SEQUENCES=N runs N of them.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <mutex>
#include <random>

#include "support/demo_calibration.h"
#include "support/session_adapter.h"
#include "ui/dialogs/frm_compare.h"
#include "ui/dialogs/frm_module_history.h"
#include "ui/output/output_page.h"
#include "ui/widgets/entry_box.h"
#include "ui/widgets/table_grid.h"
#include "ui_fixture.h"

using namespace vx42;

namespace {

constexpr int kDefaultSequences = 12;
constexpr int kStepsEach = 25;
const char* const kSerials[] = {"DV42A001", "DV42B002"};

std::uint64_t EnvNumber(const char* name, std::uint64_t otherwise) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : otherwise;
}

// Answers every question at random and every file dialog with the file the step chose.
class RandomPrompt : public Prompt {
  public:
    explicit RandomPrompt(std::uint32_t seed) : rng_(seed) {}
    void Message(const std::string&, const std::string&, Icon) override {}
    Answer YesNo(const std::string&, const std::string&, Icon, Answer) override {
        return Pick(2) ? Answer::Yes : Answer::No;
    }
    Answer YesNoCancel(const std::string&, const std::string&, Icon, Answer) override {
        const Answer answers[] = {Answer::Yes, Answer::No, Answer::Cancel};
        return answers[Pick(3)];
    }
    std::optional<std::string> OpenFile(const FileDialog&) override { return file; }
    std::optional<std::string> SaveFile(const FileDialog&) override { return file; }
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> file;  // what the next file dialog chooses

  private:
    int Pick(int n) {
        const std::lock_guard lock(mutex_);
        return std::uniform_int_distribution<int>(0, n - 1)(rng_);
    }
    std::mutex mutex_;
    std::mt19937 rng_;
};

// Runs `body` on the modal dialog of type D once it shows, while the step runs; a dialog that
// never shows is never waited for.
template <typename D>
class OnDialog {
  public:
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

  private:
    QTimer timer_;
};

class WindowRig {
  public:
    explicit WindowRig(std::uint32_t seed)
        : rng_(seed),
          prompt_(seed),
          sim_(std::make_shared<sim::Simulator>(Config(seed))),
          app_(StartupMode::Full, folder_.str(), prompt_, store_),
          module_(std::make_unique<sim::SimBridge>(sim_), prompt_, true),
          window_(app_, module_) {
        LinkTiming fast;
        fast.retryPauseMs = 0;
        fast.commandPauseMs = 0;
        fast.stillFailedSeconds = 0;
        fast.replyAllowanceSeconds = 0.002;
        module_.link().SetTiming(fast);
        window_.keeper() = RestoreKeeper(history_.str(), 1000);
        // Two gauge presets of analog tables; the list is filled as start-up fills it.
        for (int g = 0; g < 2; ++g)
            app_.presets.push_back(test::FuelGaugePreset("FG-10" + std::to_string(g), 5.0 + g));
        QComboBox* presets = window_.outputPage->cmbPresets;
        presets->clear();
        presets->addItems({"Custom", "Fuel - FG-100", "Fuel - FG-101"});
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
        return Settle() && page.mshAnalogTable->isVisible();
    }

    // One random step, now and then with a second one given while the first one's transfer may
    // still run (the user does not wait); their names go to the log.
    void Steps() {
        Step();
        if (Pick(4) != 0) return;
        log_ += " +";
        Step();
    }

    // One random step.
    void Step() {
        MaybeFault();
        const int kind = Pick(15);
        const char* const names[] = {"connect",  "disconnect", "unplug", "edit",    "grid",
                                     "preset",   "open",       "save",   "restore", "copy",
                                     "retrieve", "update",     "undo",   "redo",    "replug"};
        log_ += std::string(log_.empty() ? "" : " ") + names[kind];
        before_ = session().moduleImage();
        transferStep_ = false;
        switch (kind) {
            case 0:
            case 1:
                transferStep_ = true;
                if ((kind == 0) != window_.online()) window_.ConnectCommand();
                return;
            case 2:
                return sim_->Unplug(Pick(2));
            case 3:
                return TypeCell();
            case 4:
                return GridKey(Qt::Key_L);
            case 5:
                return Paste();
            case 6:
                transferStep_ = true;
                return Open();
            case 7:
                prompt_.file = File(Pick(3));
                return window_.SaveCommand(true);
            case 8:
                transferStep_ = true;
                return Restore();
            case 9:
                return Copy();
            case 10:
                transferStep_ = true;
                return window_.RetrieveCommand();
            case 11:
                transferStep_ = true;
                return window_.UpdateCommand();
            case 12:
            case 13:
                if (!window_.outputPage->isEnabled()) return;
                return kind == 12 ? window_.outputPage->Undo() : window_.outputPage->Redo();
            default:
                for (int b = 0; b < 2; ++b) sim_->Replug(b);
        }
    }

    // The rules after the step; an empty text when they hold.
    std::string Broken() {
        if (!Settle()) return "the window stayed busy";
        CalibrationSession& s = session();
        std::string broken =
            test::BrokenSessionRule(s, [this](const std::string& key) -> std::optional<CalImage> {
                for (int b = 0; b < 2; ++b)
                    if (ModuleKey(kSerials[b]) == key) return ModuleImage(b);
                return std::nullopt;
            });
        // A transfer that changed what the module is known to hold wrote or retrieved it whole.
        if (broken.empty() && transferStep_ && s.moduleImage() && s.moduleImage() != before_)
            broken = test::MissingRestorePoint(s, s.serial(), *s.moduleImage());
        return broken;
    }

    const std::string& log() const { return log_; }

  private:
    static sim::SimConfig Config(std::uint32_t seed) {
        sim::SimConfig config;
        config.bridges = {{"Dialvane VX42 USB", kSerials[0]}, {"Dialvane VX42 USB", kSerials[1]}};
        config.seed = seed;
        config.rates.drop = 0.001;
        config.rates.corrupt = 0.001;
        return config;
    }

    CalibrationSession& session() { return window_.session(); }
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    std::string File(int n) { return files_.file("s" + std::to_string(n) + ".DVF"); }
    // Output 1's duty cell (1, col).
    static int DutyAddress(int col) {
        return CalAddresses().OutputCal[0].TableBlock + 2 * (col - 1);
    }

    CalImage ModuleImage(int bridge) {
        CalImage image;
        image.CopyIntoImage(sim_->Module(bridge).Read(kCalBaseAddress, kCalImageSize), 0);
        return image;
    }

    // The window's commands and the link's queued work ended, with what they started.
    bool Settle() {
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(1);
            if (!test::WaitIdle(window_)) return false;
        }
        return true;
    }

    // Now and then a burst of faults long enough to make an exchange fail for good.
    void MaybeFault() {
        if (Pick(16) != 0) return;
        const int at = sim_->Exchanges() + 1 + Pick(300);
        const sim::Fault kinds[] = {sim::Fault::Drop, sim::Fault::CorruptChecksum,
                                    sim::Fault::CutShort};
        const sim::Fault fault = kinds[Pick(3)];
        for (int i = 0; i < 5; ++i) sim_->InjectAt(at + i, fault);
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
    void TypeCell() {
        TableGridWidget* grid = Grid();
        if (!grid) return;
        grid->selectCells(1, 1 + Pick(5));
        QTest::keyClick(grid, Qt::Key_Backspace);
        grid->editor()->setText(QString::number(Pick(1000) / 10.0, 'f', 1));
        QTest::keyClick(grid->editor(), Qt::Key_Return);
    }
    void GridKey(Qt::Key key) {
        TableGridWidget* grid = Grid();
        if (!grid) return;
        grid->selectCells(1, 1, 1, 2 + Pick(4));
        QTest::keyClick(grid, key, Qt::ControlModifier);
    }
    void Paste() {
        TableGridWidget* grid = Grid();
        if (!grid) return;
        grid->selectCells(1, 1 + Pick(5));
        grid->copySelection();
        grid->selectCells(1, 1 + Pick(5));
        grid->pasteClipboard();
    }
    void Preset() {
        if (!Grid()) return;
        QComboBox* presets = window_.outputPage->cmbPresets;
        const int index = 1 + Pick(2);
        presets->setCurrentIndex(index);
        emit presets->activated(index);
    }
    void Open() {
        const std::string file = File(Pick(3));
        if (!FileExists(file)) return;
        window_.OpenFileCommand(file);
    }
    void Restore() {
        const int pick = Pick(1000);
        OnDialog<FrmModuleHistory> choose([pick](FrmModuleHistory& d) {
            const int n = d.lstEntries->topLevelItemCount();
            if (n == 0) return;
            d.lstEntries->setCurrentItem(d.lstEntries->topLevelItem(pick % n));
            d.cmdRestore->click();
        });
        window_.HistoryCommand();
    }
    void Copy() {
        const std::string file = File(Pick(3));
        if (!FileExists(file)) return;
        prompt_.file = file;
        OnDialog<FrmCompare> copy([](FrmCompare& d) {
            for (int i = 0; i < d.lstDifferences->topLevelItemCount(); ++i)
                d.lstDifferences->topLevelItem(i)->setCheckState(0, Qt::Checked);
            d.cmdCopySelected->click();
        });
        window_.CompareCommand(false);
    }

    std::mt19937 rng_;
    test::TempDir folder_, history_, files_;
    RandomPrompt prompt_;
    MemorySettingsStore store_;
    std::shared_ptr<sim::Simulator> sim_;
    AppContext app_;
    LinkModuleService module_;
    FrmMain window_;
    std::optional<CalImage> before_;
    bool transferStep_ = false;
    std::string log_;
};

}  // namespace

class WindowSequencesTest : public QObject {
    Q_OBJECT
  private slots:
    void randomSequencesKeepTheModuleAndTheWindowInAgreement() {
        const std::uint64_t only = EnvNumber("VX42_WINDOW_SEED", 0);
        const std::uint64_t count =
            only ? 1 : EnvNumber("VX42_WINDOW_SEQUENCES", kDefaultSequences);
        const std::uint64_t first = only ? only : EnvNumber("VX42_WINDOW_FIRST_SEED", 1);
        for (std::uint64_t seed = first; seed < first + count; ++seed) {
            WindowRig rig(static_cast<std::uint32_t>(seed));
            QVERIFY2(rig.SetUp(), qPrintable(QString("set-up, seed %1").arg(seed)));
            for (int step = 0; step < kStepsEach; ++step) {
                rig.Steps();
                const std::string broken = rig.Broken();
                QVERIFY2(broken.empty(),
                         qPrintable(QString::fromStdString(
                             broken + " after: " + rig.log() +
                             "; replay with VX42_WINDOW_SEED=" + std::to_string(seed))));
            }
        }
    }
};

QTEST_MAIN(WindowSequencesTest)
#include "window_sequences_test.moc"
