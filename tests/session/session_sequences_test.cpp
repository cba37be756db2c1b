// Stateful property tests of what a user does with a module, run through the session and the
// module link against two simulated modules: connect, disconnect, unplug, another program
// writing the module, edits of one cell or many, a preset, a message selection, the CAN speed,
// open (the save answered Yes, No or Cancel, the save cancelled or failing), save, restore, a
// compared copy, retrieve, update, undo, redo and a bootloader upgrade, each with the link
// faults it draws. A small model (which modules are plugged in, which files were saved) gives
// the commands their preconditions, so RapidCheck shrinks a failure to the shortest sequence.
// After every step: the module's memory equals what the session believes; in step, the module
// equals the calibration shown; no edit reaches a module it was not made for; every whole write
// and retrieve left a restore point; nothing unsaved was lost without the user choosing it.
//
// The suite runs a few hundred sequences; RC_PARAMS="max_success=100000" runs more
// (scripts/session-sequences.sh), and a failure prints the RC_PARAMS that replays it.

#include <gtest/gtest.h>

#include "calibration/grid/grid_history.h"
#include "can/message_selection.h"
#include "device/sim/sim_bridge.h"
#include "files/paths.h"
#include "files/settings.h"
#include "firmware/upgrade.h"
#include "support/files_bytes.h"
#include "support/sequence_commands.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

class Rig {
  public:
    // A step draws a link fault one time in four, and waits for the one before.
    static constexpr int kNoFault = 3, kFaultReach = 400, kRestorePicks = 20;
    static constexpr bool kGoesOn = false;

    Rig()
        : sim_(std::make_shared<sim::Simulator>(Shared())),
          link_(std::make_unique<sim::SimBridge>(sim_), prompt_),
          session_(shown_, state_, history_.str(), 1000),
          sink_(session_, link_, prompt_),
          commands_(session_, link_, {state_, prompt_, settings_, store_}) {
        settings_ = LoadSettings(store_, files_.str(), files_.str() + "/");
        link_.SetTiming(test::FastTiming(0.0005));
        prompt_.saveTo = files_.file("saved-as.DVF");
        for (int b = 0; b < 2; ++b)  // each module with a calibration of its own
            sim_->Module(b).Write(kCalBaseAddress, test::Counting(static_cast<std::uint8_t>(b * 50),
                                                                  kCalImageSize, 1));
        sim_->SaveState();
        libraries_.MessageLibraries.push_back(test::EngineLibrary());
        // The tool starts with the first file open, a calibration of neither module.
        WriteCalibrationFile(File(0), test::PatternedImage(0));
        commands_.Open(File(0));
        clean_ = shown_;
    }

    // The two modules as every program on this computer sees them: through one state file.
    sim::SimConfig Shared() const {
        sim::SimConfig config = test::TwoModules();
        config.statePath = files_.file("modules.state");
        return config;
    }
    std::string File(int n) const { return files_.file("s" + std::to_string(n) + ".DVF"); }

    // Runs one command's body with its plan and fault, then checks every rule.
    void Run(const test::StepDraw& step, int does, const std::function<void()>& body) {
        const bool replaces = does & test::kReplaces;
        prompt_.plan = step.plan;
        prompt_.declinedSave = false;
        test::InjectFaultBurst(*sim_, step.at, step.kind);
        const CalImage shownBefore = shown_;
        const bool changedBefore = state_.CalibrationChanged;
        try {
            body();
        } catch (const std::exception&) {
            // Reported by the handler's error trap, which ends the command.
        }
        commands_.FollowLink();
        session_.TellAgreement(state_.CalibrationChanged);  // as the window shows every step
        if (replaces && !state_.CalibrationChanged) clean_ = shown_;
        Follow();
        RC_ASSERT(Broken(shownBefore, changedBefore, replaces) == std::string());
    }

    // The edits of one command: stored through the edit target, then what the session made of
    // them, as one undo step.
    template <typename Store>
    void EditCommand(const std::string& name, Store&& store) {
        // The output tabs show only with a calibration.
        if (!session_.Allows(SessionCommand::EditOutputs) || !state_.HasCalibration()) return;
        const CalImage before = shown_;
        EditTarget target{shown_, state_.CalibrationChanged, sink_};
        store(target);
        if (sink_.EndCommand(state_)) commands_.WriteWhole(restore_event::Update);
        history_steps_.RecordBytes(ImageChanges(before, shown_), name);
    }
    void Edit(const std::vector<BytesAt>& runs) {
        EditCommand("Edit", [&](EditTarget& t) { t.StoreAndWriteRuns(runs); });
    }
    void Selection(int output, int reference, int message) {
        const int bridge = Connected();
        const auto markerBefore = test::MarkerOf(*sim_, bridge);
        const int applied = bridge < 0 ? 0 : sim_->Module(bridge).AppliedChanges();
        const CanLibrary& lib = libraries_.MessageLibraries[0];
        EditCommand("Message", [&](EditTarget& t) {
            StoreMessageSelection(t, libraries_, output, reference, &lib,
                                  &lib.Messages[static_cast<std::size_t>(message)]);
            t.module.MessagesChanged();
        });
        // The marker tells the module to take up its messages: only after it received them.
        if (bridge >= 0 && prompt_.plan.differs != Answer::Yes &&
            sim_->Module(bridge).AppliedChanges() == applied &&
            test::MarkerOf(*sim_, bridge) != markerBefore)
            broken_ = "a selection that did not reach the module wrote the marker";
    }
    void CanSpeed(int option) {
        EditCommand("CAN Speed", [&](EditTarget& t) {
            CanSpeedChoice choice;
            choice.Click(option);
            choice.Ok(t);
        });
    }
    void Copy(int file, const std::vector<int>& at) {
        const CalImage other = ReadCalibrationFile(File(file)).image;
        std::vector<BytesAt> runs;
        for (int index : at)
            runs.push_back({kCalBaseAddress + index, other.CopyFromImage(index, 15)});
        Edit(runs);
    }
    void UndoRedo(bool undo) {
        if (!session_.Allows(SessionCommand::EditOutputs)) return;
        const GridHistory::Holds holds = [this](const TableRestore& expected) {
            for (const BytesAt& run : expected.bytes)
                if (shown_.CopyFromImage(ImageIndex(run.address),
                                         static_cast<int>(run.bytes.size()) - 1) != run.bytes)
                    return false;
            return true;
        };
        const GridHistory kept = history_steps_;
        const auto restore = undo ? history_steps_.Undo(holds) : history_steps_.Redo(holds);
        if (!restore) return;
        const CalImage before = shown_;
        EditTarget target{shown_, state_.CalibrationChanged, sink_};
        target.StoreAndWriteRuns(restore->bytes);
        if (sink_.EndCommand(state_)) commands_.WriteWhole(restore_event::Update);
        if (shown_ == before) history_steps_ = kept;  // dropped: the step stays where it was
    }
    void Open(int file) {
        commands_.Open(File(file));
        if (!state_.CalibrationChanged) history_steps_.Clear();
    }
    void Save(int file) {
        WriteCalibrationFile(File(file), shown_);
        state_.CalibrationChanged = false;
        clean_ = shown_;
    }
    void Restore(int pick) {
        if (commands_.Restore(pick)) history_steps_.Clear();
    }
    void Retrieve() { commands_.Retrieve(); }
    void Connect(bool on) {
        on ? commands_.Connect() : commands_.Disconnect();
        if (on && session_.online()) outsideWrite_ = false;  // a failed connect learnt nothing
    }
    void Update() { commands_.WriteWhole(restore_event::Update); }
    void Unplug(int b) { sim_->Unplug(b); }
    void Replug(int b) { sim_->Replug(b); }
    // Another program writes a few bytes of the module's calibration.
    // Only while the tool is offline: the USB port is one program's at a time. The tool can
    // know of it at the next connect at the earliest.
    void OtherProgram(int b, int index, std::uint8_t value) {
        if (session_.online()) return;
        sim::Simulator other(Shared());
        other.Module(b).Write(kCalBaseAddress + index, Bytes{value});
        other.SaveState();
        known_[b].reset();
        outsideWrite_ = true;
    }
    // A bootloader upgrade: its image lands from 0x0400, over the calibration.
    void BootLoaderUpgrade(std::uint8_t fill) {
        if (!session_.Begin(Transfer::Upgrade)) return;
        // Offline, the upgrade opens whichever module the link finds first.
        for (int b = 0; b < 2; ++b)
            if (Connected() < 0 || b == Connected()) known_[b].reset();
        UpgradeFile file;
        file.fileName = "Upgrade.BLU";
        file.extension = "BLU";
        file.bootImage = BootImage(600, fill);
        file.bootImage.push_back(0x00);
        const UpgradeOutcome outcome =
            StartUpgrade(link_, session_.online(), file, [](const std::string&) {}, {});
        commands_.UpgradeEnded(UpgradeReachedModule(outcome));
        session_.End();
    }

  private:
    int Connected() const { return test::ConnectedBridge(session_); }

    // What the tool knows of each module, while it knows it: a module it is not connected to
    // keeps its memory.
    void Follow() {
        if (outsideWrite_ && !session_.online()) return;  // what it believed may be gone
        const int b = test::BridgeOf(test::BeliefOf(session_).moduleKey);
        if (b >= 0) known_[b] = test::BeliefOf(session_).image;
    }

    std::string Broken(const CalImage& shownBefore, bool changedBefore, bool replaces) {
        if (!broken_.empty()) return broken_;
        if (outsideWrite_ && !session_.online()) return {};
        std::string broken = test::BrokenSessionRule(session_, test::MemoriesOf(*sim_));
        if (!broken.empty()) return broken;
        if (!commands_.unkept().empty()) return commands_.unkept();
        for (int b = 0; b < 2; ++b)
            if (b != Connected() && known_[b] && test::MemoryOf(*sim_, b) != *known_[b] &&
                test::BeliefOf(session_).moduleKey != ModuleKey(test::kSequenceSerials[b]))
                return std::string("module ") + test::kSequenceSerials[b] +
                       " changed while not connected";
        // Unsaved edits replaced whole: only when the user said not to save, or they were saved.
        if (changedBefore && replaces && shown_ != shownBefore && !prompt_.declinedSave &&
            !(FileExists(prompt_.saveTo) &&
              ReadCalibrationFile(prompt_.saveTo).image == shownBefore))
            return "unsaved changes were replaced without the user choosing it";
        // A calibration shown unmarked is the one last saved, opened or retrieved.
        if (!state_.CalibrationChanged && state_.HasCalibration() && shown_ != clean_)
            return "a change is not marked unsaved";
        return {};
    }
    test::TempDir files_, history_;
    std::shared_ptr<sim::Simulator> sim_;
    test::PlanPrompt prompt_;
    MemorySettingsStore store_;
    Settings settings_;
    FileState state_;
    ModuleLink link_;
    CalImage shown_, clean_;
    CalibrationSession session_;
    test::HeadlessSink sink_;
    test::HeadlessCommands commands_;
    LibrarySet libraries_;
    GridHistory history_steps_;
    std::array<std::optional<CalImage>, 2> known_;
    std::string broken_;
    bool outsideWrite_ = false;  // another program wrote a module since the last connect
};

using C = test::SequenceCommands<Rig>;

struct OtherProgram : C::Step<OtherProgram, "another program writes the module"> {
    int bridge = *rc::gen::inRange(0, 2);
    int index = *rc::gen::inRange(0, kCalImageSize);
    std::uint8_t value = *rc::gen::arbitrary<std::uint8_t>();
    void Body(Rig& r) const { r.OtherProgram(bridge, index, value); }
};
// Edits of runs of `kWidth` bytes, as many as drawn from [kFewest, kMost].
template <test::Name kName, int kFewest, int kMost, int kWidth>
struct Edits : C::Step<Edits<kName, kFewest, kMost, kWidth>, kName> {
    std::vector<BytesAt> runs = *rc::gen::container<std::vector<BytesAt>>(
        kFewest == kMost ? kFewest : *rc::gen::inRange(kFewest, kMost + 1), rc::gen::exec([] {
            return BytesAt{kCalBaseAddress + *rc::gen::inRange(0, kCalImageSize - kWidth),
                           *rc::gen::container<Bytes>(kWidth, rc::gen::arbitrary<std::uint8_t>())};
        }));
    void Body(Rig& r) const { r.Edit(runs); }
};
using EditCell = Edits<"edit a cell", 1, 1, 2>;
using GridOperation = Edits<"a grid operation", 2, 6, 2>;
using Preset = Edits<"a preset", 1, 1, 40>;
// Output, reference and message.
using Selection = C::Pick<"a message selection", test::kEdits, &Rig::Selection,
                          test::Range{0, kOutputs}, test::Range{0, 2}, test::Range{0, 2}>;
struct CompareCopy : C::Step<CompareCopy, "compare-copy"> {
    int file = *rc::gen::inRange(0, test::kSequenceFiles);
    std::vector<int> at = *rc::gen::container<std::vector<int>>(
        static_cast<std::size_t>(*rc::gen::inRange(1, 5)), rc::gen::inRange(0, kCalImageSize - 16));
    void checkPreconditions(const test::Model& m) const override { RC_PRE(m.saved[file]); }
    void Body(Rig& r) const { r.Copy(file, at); }
};
struct BootLoaderUpgrade : C::Step<BootLoaderUpgrade, "a BLU upgrade"> {
    std::uint8_t fill = *rc::gen::arbitrary<std::uint8_t>();
    void Body(Rig& r) const { r.BootLoaderUpgrade(fill); }
};

TEST(SessionSequences, EverySequenceKeepsTheModuleAndTheToolInAgreement) {
    const std::string failure = test::CheckProperty(
        "SessionSequences",
        [] {
            Rig rig;
            rc::state::check(test::Model{}, rig, [](const test::Model& model) {
                return rc::state::gen::execOneOfWithArgs<
                    C::Connect, C::Disconnect, C::Unplug, C::Replug, OtherProgram, EditCell,
                    GridOperation, Preset, Selection, C::SetCanSpeed, C::Open, C::Save, C::Restore,
                    CompareCopy, C::Retrieve, C::Update, C::Undo, C::Redo, BootLoaderUpgrade>()(
                    model);
            });
        },
        300, 40);
    EXPECT_EQ(failure, "");
}

}  // namespace
}  // namespace vx42
