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
#include <rapidcheck/state.h>

#include <array>

#include "calibration/grid/grid_history.h"
#include "can/message_selection.h"
#include "device/can_bus.h"
#include "device/sim/sim_bridge.h"
#include "device/sim/simulator.h"
#include "files/paths.h"
#include "files/settings.h"
#include "firmware/upgrade.h"
#include "support/plan_prompt.h"
#include "support/property_check.h"
#include "support/sequence_support.h"
#include "support/session_adapter.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

constexpr int kFiles = 3;

// What the commands know in advance.
struct Model {
    std::array<bool, 2> plugged{true, true};
    std::array<bool, kFiles> saved{true, false, false};
};

class Rig {
  public:
    Rig()
        : sim_(std::make_shared<sim::Simulator>(Shared())),
          link_(std::make_unique<sim::SimBridge>(sim_), prompt_),
          session_(shown_, state_, history_.str(), 1000),
          sink_(session_, link_, prompt_),
          commands_(session_, link_, files()) {
        settings_ = LoadSettings(store_, files_.str(), files_.str() + "/");
        LinkTiming t;
        t.replyAllowanceSeconds = 0.0005;
        t.retryPauseMs = 0;
        t.commandPauseMs = 0;
        t.stillFailedSeconds = 0;
        link_.SetTiming(t);
        prompt_.saveTo = files_.file("saved-as.DVF");
        for (int b = 0; b < 2; ++b) {  // each module with a calibration of its own
            CalImage image;
            for (int i = 0; i < kCalImageSize; ++i)
                image[i] = static_cast<std::uint8_t>(b * 50 + i);
            sim_->Module(b).Write(kCalBaseAddress, image.bytes());
        }
        sim_->SaveState();
        libraries_.MessageLibraries.push_back(test::EngineLibrary());
        // The tool starts with the first file open, a calibration of neither module.
        CalImage first;
        for (int i = 0; i < kCalImageSize; ++i) first[i] = static_cast<std::uint8_t>(7 * i);
        WriteCalibrationFile(File(0), first);
        commands_.Open(File(0));
        clean_ = shown_;
    }

    FileContext files() { return {state_, prompt_, settings_, store_}; }
    // The two modules as every program on this computer sees them: through one state file.
    sim::SimConfig Shared() const {
        sim::SimConfig config = test::TwoModules();
        config.statePath = files_.file("modules.state");
        return config;
    }
    std::string File(int n) const { return files_.file("s" + std::to_string(n) + ".DVF"); }

    // Runs one command's body with its plan and fault, then checks every rule.
    // `replaces`: the command may replace the calibration shown whole.
    template <typename Body>
    void Run(const test::Plan& plan, int faultAt, int faultKind, bool replaces, Body&& body) {
        prompt_.plan = plan;
        prompt_.declinedSave = false;
        test::InjectFaultBurst(*sim_, faultAt, faultKind);
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
        const auto markerBefore = Marker(bridge);
        const int applied = bridge < 0 ? 0 : sim_->Module(bridge).AppliedChanges();
        const CanLibrary& lib = libraries_.MessageLibraries[0];
        EditCommand("Message", [&](EditTarget& t) {
            StoreMessageSelection(t, libraries_, output, reference, &lib,
                                  &lib.Messages[static_cast<std::size_t>(message)]);
            t.module.MessagesChanged();
        });
        // The marker tells the module to take up its messages: only after it received them.
        if (bridge >= 0 && prompt_.plan.differs != Answer::Yes &&
            sim_->Module(bridge).AppliedChanges() == applied && Marker(bridge) != markerBefore)
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
    void Connect() {
        commands_.Connect();
        if (session_.online()) outsideWrite_ = false;  // a failed connect learnt nothing
    }
    void Disconnect() { commands_.Disconnect(); }
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
    int BridgeOf(const std::string& key) const {
        for (int b = 0; b < 2; ++b)
            if (ModuleKey(test::kSequenceSerials[b]) == key) return b;
        return -1;
    }
    int Connected() const {
        return session_.online() ? BridgeOf(ModuleKey(session_.serial())) : -1;
    }
    CalImage Memory(int b) const {
        CalImage image;
        image.CopyIntoImage(sim_->Module(b).Read(kCalBaseAddress, kCalImageSize), 0);
        return image;
    }
    Bytes Marker(int b) const { return b < 0 ? Bytes{} : sim_->Module(b).Read(0x38F4, 2); }

    // What the tool knows of each module, while it knows it: a module it is not connected to
    // keeps its memory.
    void Follow() {
        if (outsideWrite_ && !session_.online()) return;  // what it believed may be gone
        for (int b = 0; b < 2; ++b)
            if (test::BeliefOf(session_).moduleKey == ModuleKey(test::kSequenceSerials[b]))
                known_[b] = test::BeliefOf(session_).image;
    }

    std::string Broken(const CalImage& shownBefore, bool changedBefore, bool replaces) {
        if (!broken_.empty()) return broken_;
        if (outsideWrite_ && !session_.online()) return {};
        std::string broken = test::BrokenSessionRule(
            session_, [this](const std::string& key) -> std::optional<CalImage> {
                const int b = BridgeOf(key);
                if (b < 0) return std::nullopt;
                return Memory(b);
            });
        if (!broken.empty()) return broken;
        if (!commands_.unkept().empty()) return commands_.unkept();
        for (int b = 0; b < 2; ++b)
            if (b != Connected() && known_[b] && Memory(b) != *known_[b] &&
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

using Command = rc::state::Command<Model, Rig>;

// A command's link fault: a burst of five that makes an exchange fail for good, `at` exchanges
// on (0: none).
struct Faulted : Command {
    int at = *rc::gen::weightedOneOf<int>({{3, rc::gen::just(0)}, {1, rc::gen::inRange(1, 400)}});
    int kind = *rc::gen::inRange(0, 3);
};

// A command: a name, what it needs of the model, what it does to it, and its run.
template <typename Derived>
struct Step : Faulted {
    test::Plan plan = test::AnyPlan();
    static constexpr bool kReplaces = false;  // the calibration shown whole
    void run(const Model&, Rig& rig) const override {
        rig.Run(plan, at, kind, Derived::kReplaces,
                [&] { static_cast<const Derived*>(this)->Body(rig); });
    }
    void show(std::ostream& os) const override {
        os << Derived::kName << (at ? " (fault " + std::to_string(at) + ")" : "") << " ["
           << test::PlanText(plan) << "]";
    }
};

struct Connect : Step<Connect> {
    static constexpr const char* kName = "connect";
    static constexpr bool kReplaces = true;
    void Body(Rig& r) const { r.Connect(); }
};
struct Disconnect : Step<Disconnect> {
    static constexpr const char* kName = "disconnect";
    void Body(Rig& r) const { r.Disconnect(); }
};
struct Unplug : Step<Unplug> {
    static constexpr const char* kName = "unplug";
    int bridge = *rc::gen::inRange(0, 2);
    void checkPreconditions(const Model& m) const override { RC_PRE(m.plugged[bridge]); }
    void apply(Model& m) const override { m.plugged[bridge] = false; }
    void Body(Rig& r) const { r.Unplug(bridge); }
};
struct Replug : Step<Replug> {
    static constexpr const char* kName = "replug";
    int bridge = *rc::gen::inRange(0, 2);
    void checkPreconditions(const Model& m) const override { RC_PRE(!m.plugged[bridge]); }
    void apply(Model& m) const override { m.plugged[bridge] = true; }
    void Body(Rig& r) const { r.Replug(bridge); }
};
struct OtherProgram : Step<OtherProgram> {
    static constexpr const char* kName = "another program writes the module";
    int bridge = *rc::gen::inRange(0, 2);
    int index = *rc::gen::inRange(0, kCalImageSize);
    std::uint8_t value = *rc::gen::arbitrary<std::uint8_t>();
    void Body(Rig& r) const { r.OtherProgram(bridge, index, value); }
};
std::vector<BytesAt> AnyRuns(int count, int width) {
    std::vector<BytesAt> runs;
    for (int i = 0; i < count; ++i) {
        const int index = *rc::gen::inRange(0, kCalImageSize - width);
        runs.push_back({kCalBaseAddress + index,
                        *rc::gen::container<Bytes>(static_cast<std::size_t>(width),
                                                   rc::gen::arbitrary<std::uint8_t>())});
    }
    return runs;
}
struct EditCell : Step<EditCell> {
    static constexpr const char* kName = "edit a cell";
    std::vector<BytesAt> runs = AnyRuns(1, 2);
    void Body(Rig& r) const { r.Edit(runs); }
};
struct GridOperation : Step<GridOperation> {
    static constexpr const char* kName = "a grid operation";
    std::vector<BytesAt> runs = AnyRuns(*rc::gen::inRange(2, 7), 2);
    void Body(Rig& r) const { r.Edit(runs); }
};
struct Preset : Step<Preset> {
    static constexpr const char* kName = "a preset";
    std::vector<BytesAt> runs = AnyRuns(1, 40);
    void Body(Rig& r) const { r.Edit(runs); }
};
struct Selection : Step<Selection> {
    static constexpr const char* kName = "a message selection";
    int output = *rc::gen::inRange(0, kOutputs);
    int reference = *rc::gen::inRange(0, 2);
    int message = *rc::gen::inRange(0, 2);
    void Body(Rig& r) const { r.Selection(output, reference, message); }
};
struct SetCanSpeed : Step<SetCanSpeed> {
    static constexpr const char* kName = "CAN speed";
    int option = *rc::gen::inRange(0, static_cast<int>(kCanSpeeds.size()));
    void Body(Rig& r) const { r.CanSpeed(option); }
};
struct Open : Step<Open> {
    static constexpr const char* kName = "open";
    static constexpr bool kReplaces = true;
    int file = *rc::gen::inRange(0, kFiles);
    void checkPreconditions(const Model& m) const override { RC_PRE(m.saved[file]); }
    void Body(Rig& r) const { r.Open(file); }
};
struct Save : Step<Save> {
    static constexpr const char* kName = "save";
    int file = *rc::gen::inRange(0, kFiles);
    void apply(Model& m) const override { m.saved[file] = true; }
    void Body(Rig& r) const { r.Save(file); }
};
struct Restore : Step<Restore> {
    static constexpr const char* kName = "restore";
    int pick = *rc::gen::inRange(0, 20);
    void Body(Rig& r) const { r.Restore(pick); }
};
struct CompareCopy : Step<CompareCopy> {
    static constexpr const char* kName = "compare-copy";
    int file = *rc::gen::inRange(0, kFiles);
    std::vector<int> at = *rc::gen::container<std::vector<int>>(
        static_cast<std::size_t>(*rc::gen::inRange(1, 5)), rc::gen::inRange(0, kCalImageSize - 16));
    void checkPreconditions(const Model& m) const override { RC_PRE(m.saved[file]); }
    void Body(Rig& r) const { r.Copy(file, at); }
};
struct Retrieve : Step<Retrieve> {
    static constexpr const char* kName = "retrieve";
    static constexpr bool kReplaces = true;
    void Body(Rig& r) const { r.Retrieve(); }
};
struct Update : Step<Update> {
    static constexpr const char* kName = "update";
    void Body(Rig& r) const { r.Update(); }
};
struct Undo : Step<Undo> {
    static constexpr const char* kName = "undo";
    void Body(Rig& r) const { r.UndoRedo(true); }
};
struct Redo : Step<Redo> {
    static constexpr const char* kName = "redo";
    void Body(Rig& r) const { r.UndoRedo(false); }
};
struct BootLoaderUpgrade : Step<BootLoaderUpgrade> {
    static constexpr const char* kName = "a BLU upgrade";
    std::uint8_t fill = *rc::gen::arbitrary<std::uint8_t>();
    void Body(Rig& r) const { r.BootLoaderUpgrade(fill); }
};

TEST(SessionSequences, EverySequenceKeepsTheModuleAndTheToolInAgreement) {
    const std::string failure = test::CheckProperty(
        "SessionSequences",
        [] {
            Rig rig;
            rc::state::check(Model{}, rig, [](const Model& model) {
                return rc::state::gen::execOneOfWithArgs<
                    Connect, Disconnect, Unplug, Replug, OtherProgram, EditCell, GridOperation,
                    Preset, Selection, SetCanSpeed, Open, Save, Restore, CompareCopy, Retrieve,
                    Update, Undo, Redo, BootLoaderUpgrade>()(model);
            });
        },
        300, 40);
    EXPECT_EQ(failure, "");
}

}  // namespace
}  // namespace vx42
