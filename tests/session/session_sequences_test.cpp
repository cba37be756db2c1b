// Random sequences of what a user does with a module (connect, disconnect, unplug, edits of
// one cell or many, presets, open, save, restore, a compared copy, retrieve, update, undo,
// redo), with link faults injected, run through the session and the module link against two
// simulated modules. After every step: the module's memory equals what the tool believes it
// wrote; in step, the module equals the calibration shown; no edit reaches a connection it was
// not made for; every whole write and retrieve left a restore point.
//
// Each sequence has its own seed and is replayable: VX42_SESSION_SEED=N runs that one alone,
// VX42_SESSION_SEQUENCES=N runs N of them (scripts/session-sequences.sh).

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

#include "base/silent_prompt.h"
#include "calibration/edit_target.h"
#include "calibration/grid/grid_history.h"
#include "device/module_link.h"
#include "device/sim/sim_bridge.h"
#include "device/sim/simulator.h"
#include "files/calibration_file.h"
#include "session/calibration_session.h"
#include "support/session_checks.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

constexpr int kDefaultSequences = 150;
constexpr int kStepsEach = 40;

std::uint64_t EnvNumber(const char* name, std::uint64_t otherwise) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : otherwise;
}

// The module side of the edits as the window sends them: stamped with the connection when
// confirmed, sent only over that connection.
class StampedSink : public ChangeSink {
  public:
    StampedSink(CalibrationSession& session, ModuleLink& link) : session_(session), link_(link) {}
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        const ConnectionId stamp = session_.connection();
        if (stamp == 0) return;
        session_.ChangeHanded(stamp, address, bytes);
        if (link_.Connection() != stamp) {
            ++notSent;
            session_.ChangeLost(stamp);
            return;
        }
        if (!link_.WriteChange(address, bytes)) session_.ChangeLost(stamp);
    }
    int notSent = 0;

  private:
    CalibrationSession& session_;
    ModuleLink& link_;
};

class Rig {
  public:
    explicit Rig(std::uint32_t seed)
        : rng_(seed),
          sim_(std::make_shared<sim::Simulator>(Config(seed))),
          link_(std::make_unique<sim::SimBridge>(sim_), prompt_),
          session_(shown_, files_, dir_.str(), 1000),
          sink_(session_, link_) {
        LinkTiming t;
        t.replyAllowanceSeconds = 0.0005;
        t.retryPauseMs = 0;
        t.commandPauseMs = 0;
        t.stillFailedSeconds = 0;
        link_.SetTiming(t);
        // Each module starts with a calibration of its own.
        for (int b = 0; b < 2; ++b) {
            auto& memory = sim_->Module(b).Memory();
            for (int i = 0; i < kCalImageSize; ++i)
                memory[kCalBaseAddress + i] = static_cast<std::uint8_t>(b * 50 + i);
        }
    }

    // One random step; its name goes to the log.
    void Step() {
        MaybeFault();
        switch (Pick(15)) {
            case 0:
                Log("connect");
                return Connect();
            case 1:
                Log("disconnect");
                return Disconnect();
            case 2:
                Log("unplug");
                return Unplug();
            case 3:
                Log("edit");
                return Edit(1);
            case 4:
                Log("grid");
                return Edit(1 + Pick(6));
            case 5:
                Log("preset");
                return Preset();
            case 6:
                Log("open");
                return Open();
            case 7:
                Log("save");
                return Save();
            case 8:
                Log("restore");
                return Restore();
            case 9:
                Log("copy");
                return Copy();
            case 10:
                Log("retrieve");
                return Retrieve();
            case 11:
                Log("update");
                return Update();
            case 12:
                Log("undo");
                return UndoRedo(true);
            case 13:
                Log("redo");
                return UndoRedo(false);
            default:
                Log("replug");
                return Replug();
        }
    }

    // The rules every step must keep; an empty text when they hold.
    std::string Broken() const {
        const std::string broken = test::BrokenSessionRule(
            session_, [this](const std::string& key) -> std::optional<CalImage> {
                const int bridge = BridgeOf(key);
                if (bridge < 0) return std::nullopt;
                return ModuleImage(bridge);
            });
        return broken.empty() ? unkept_ : broken;
    }

    const std::string& log() const { return log_; }
    int notSent() const { return sink_.notSent; }

  private:
    static sim::SimConfig Config(std::uint32_t seed) {
        sim::SimConfig config;
        config.bridges = {{"Dialvane VX42 USB", "DV42A001"}, {"Dialvane VX42 USB", "DV42B002"}};
        config.seed = seed;
        config.rates.drop = 0.002;
        config.rates.corrupt = 0.002;
        config.rates.cutShort = 0.001;
        return config;
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    void Log(const char* what) { log_ += std::string(log_.empty() ? "" : " ") + what; }

    int BridgeOf(const std::string& serial) const {
        return serial == "DV42A001" ? 0 : serial == "DV42B002" ? 1 : -1;
    }
    CalImage ModuleImage(int bridge) const {
        CalImage image;
        if (bridge < 0) return image;
        const auto& memory = sim_->Module(bridge).Memory();
        image.CopyIntoImage(std::span(memory.data() + kCalBaseAddress, kCalImageSize), 0);
        return image;
    }

    // Now and then a burst of faults long enough to make an exchange fail for good.
    void MaybeFault() {
        if (Pick(6) != 0) return;
        const int at = sim_->Exchanges() + 1 + Pick(200);
        const sim::Fault kinds[] = {sim::Fault::Drop, sim::Fault::CorruptChecksum,
                                    sim::Fault::CutShort};
        const sim::Fault fault = kinds[Pick(3)];
        for (int i = 0; i < 5; ++i) sim_->InjectAt(at + i, fault);
    }

    EditTarget Target() { return {shown_, changed_, sink_}; }

    // The steps of the window's commands.
    void Connect() {
        if (session_.online() || !session_.Begin(Transfer::Connect)) return;
        link_.ConnectIfOffline();
        if (link_.Online()) {
            session_.Connected(link_.Connection(), link_.DeviceSerial());
            if (session_.NewModule()) RetrieveNow();
        }
        session_.End();
    }
    void Disconnect() {
        if (!session_.online() || !session_.Begin(Transfer::Disconnect)) return;
        link_.Disconnect();
        if (!link_.Online()) session_.Disconnected();
        session_.End();
    }
    void Unplug() { sim_->Unplug(Pick(2)); }
    void Replug() {
        for (int b = 0; b < 2; ++b) sim_->Replug(b);
    }
    void Edit(int cells) {
        if (!session_.Allows(SessionCommand::EditOutputs)) return;
        std::vector<ByteChange> step;
        std::vector<BytesAt> runs;
        for (int c = 0; c < cells; ++c) {
            const int address = kCalBaseAddress + Pick(kCalImageSize - 2);
            const Bytes after = {static_cast<std::uint8_t>(Pick(256)),
                                 static_cast<std::uint8_t>(Pick(256))};
            runs.push_back({address, after});
        }
        Store(runs);
    }
    void Preset() {
        if (!session_.Allows(SessionCommand::EditOutputs)) return;
        const int address = kCalBaseAddress + Pick(kCalImageSize - 40);
        Bytes bytes(40);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(Pick(256));
        Store({{address, bytes}});
    }
    // Runs stored and written as one undo step.
    void Store(const std::vector<BytesAt>& runs) {
        std::vector<ByteChange> step;
        for (const BytesAt& run : runs) {
            ByteChange change{run.address,
                              shown_.CopyFromImage(ImageIndex(run.address),
                                                   static_cast<int>(run.bytes.size()) - 1),
                              run.bytes};
            step.push_back(change);
        }
        Target().StoreAndWriteRuns(runs);
        // What is in the image now is what the step left (later runs over earlier ones).
        for (ByteChange& change : step)
            change.after = shown_.CopyFromImage(ImageIndex(change.address),
                                                static_cast<int>(change.after.size()) - 1);
        history_.RecordBytes(std::move(step), "Edit");
    }
    void Open() {
        if (!session_.Allows(SessionCommand::Open)) return;
        CalImage opened = shown_;
        for (int i = 0; i < 20; ++i)
            opened[Pick(kCalImageSize)] = static_cast<std::uint8_t>(Pick(256));
        if (!session_.ReplaceShown(opened, ImageOrigin::File, "f.DVF")) return;
        history_.Clear();
        if (session_.online() && Pick(2)) WholeWrite("Programmed from file f.DVF");
    }
    void Save() {
        WriteCalibrationFile(dir_.file("saved.DVF"), shown_);
        changed_ = false;
    }
    void Restore() {
        if (!session_.Allows(SessionCommand::History)) return;
        const auto modules = session_.keeper().store()->Modules();
        if (modules.empty()) return;
        const ModuleHistory& m = modules[Pick(static_cast<int>(modules.size()))];
        const RestoreEntry& e = m.entries[Pick(static_cast<int>(m.entries.size()))];
        if (!session_.ReplaceShown(session_.keeper().store()->Load(m, e), ImageOrigin::RestorePoint,
                                   m.serial))
            return;
        history_.Clear();
        if (session_.online() && ModuleKey(session_.serial()) == m.serial && Pick(2))
            WholeWrite(restore_event::Update);
    }
    void Copy() {
        if (!session_.Allows(SessionCommand::CompareRestore)) return;
        // A few runs of another calibration, the way a compared copy stores them.
        const CalImage other = ModuleImage(Pick(2));
        std::vector<BytesAt> runs;
        for (int r = 0; r < 1 + Pick(4); ++r) {
            const int index = Pick(kCalImageSize - 16);
            runs.push_back({kCalBaseAddress + index, other.CopyFromImage(index, 15)});
        }
        Store(runs);
    }
    void Retrieve() {
        if (!session_.Allows(SessionCommand::Retrieve) || !session_.Begin(Transfer::Retrieve))
            return;
        RetrieveNow();
        session_.End();
    }
    void RetrieveNow() {
        CalImage image;
        if (!link_.RetrieveCalibration(image, {})) return;
        Kept(session_.Retrieved(image), image);
        history_.Clear();
    }
    void Update() {
        if (!session_.online()) return;
        WholeWrite(restore_event::Update);
    }
    void WholeWrite(const std::string& event) {
        if (!session_.Begin(Transfer::Write)) return;
        const CalImage image = shown_;
        const bool written = link_.WriteWholeCalibration(image, {});
        const auto kept = session_.WholeWriteEnded(written, image, event);
        if (written) Kept(kept, image);
        session_.End();
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
        const auto restore = undo ? history_.Undo(holds) : history_.Redo(holds);
        if (restore) Target().StoreAndWriteRuns(restore->bytes);
    }

    // The restore point of a whole write or retrieve must be the module's newest entry.
    void Kept(const Result<void>& kept, const CalImage& image) {
        if (!kept) {
            unkept_ = "a restore point could not be kept: " + kept.error().message;
            return;
        }
        if (unkept_.empty())
            unkept_ = test::MissingRestorePoint(session_, session_.serial(), image);
    }

    std::mt19937 rng_;
    test::TempDir dir_;
    std::shared_ptr<sim::Simulator> sim_;
    SilentPrompt prompt_;
    ModuleLink link_;
    CalImage shown_;
    bool changed_ = false;
    FileState files_;
    CalibrationSession session_;
    StampedSink sink_;
    GridHistory history_;
    std::string log_;
    std::string unkept_;
};

// Runs one sequence; the text of the first broken rule, with the steps that led to it.
std::string RunSequence(std::uint32_t seed) {
    Rig rig(seed);
    for (int step = 0; step < kStepsEach; ++step) {
        rig.Step();
        if (const std::string broken = rig.Broken(); !broken.empty())
            return broken + " after: " + rig.log();
    }
    return {};
}

TEST(SessionSequences, RandomSequencesKeepTheModuleAndTheToolInAgreement) {
    const std::uint64_t only = EnvNumber("VX42_SESSION_SEED", 0);
    const std::uint64_t count = only ? 1 : EnvNumber("VX42_SESSION_SEQUENCES", kDefaultSequences);
    const std::uint64_t first = only ? only : EnvNumber("VX42_SESSION_FIRST_SEED", 1);
    for (std::uint64_t seed = first; seed < first + count; ++seed) {
        const std::string broken = RunSequence(static_cast<std::uint32_t>(seed));
        ASSERT_EQ(broken, "") << "replay with VX42_SESSION_SEED=" << seed;
    }
}

}  // namespace
}  // namespace vx42
