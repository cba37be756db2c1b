#pragma once
// The command-sequence tests' one way into the session: the steps of the window's commands run
// headless over a session and a module link (as the window runs them on its link thread), and
// the rules every sequence keeps after every step, read from the session. Only this file knows
// how the session is driven and what it is asked, so a change in who owns the session's state
// changes this file alone.

#include <functional>
#include <optional>
#include <string>

#include "calibration/edit_target.h"
#include "device/module_link.h"
#include "files/calibration_file.h"
#include "session/calibration_session.h"

namespace vx42::test {

// The calibration the module of a key holds in its memory; nothing when there is no such module.
using ModuleMemory = std::function<std::optional<CalImage>(const std::string& moduleKey)>;

// What the tool believes of the module it last knew, to compare with the module's memory.
struct Belief {
    std::string moduleKey;
    std::optional<CalImage> image;  // nothing: not known
    bool inStep = false;
};

inline Belief BeliefOf(const CalibrationSession& session) {
    return {session.moduleKey(), session.moduleImage(),
            session.Agreement() == ModuleAgreement::InStep};
}

// The module holds what the tool believes it wrote; in step, it holds the calibration shown (so
// no edit reached a module it was not made for); no transfer was left running.
inline std::string BrokenSessionRule(const CalibrationSession& session,
                                     const ModuleMemory& memoryOf) {
    const Belief belief = BeliefOf(session);
    if (belief.image) {
        const auto held = memoryOf(belief.moduleKey);
        if (!held) return "a module is believed known that does not exist";
        if (*held != *belief.image)
            return "module " + belief.moduleKey + " holds other bytes than the tool wrote";
        if (belief.inStep && *held != session.shown())
            return "in step, but the module differs from the calibration shown";
    }
    if (session.transfer() != Transfer::None) return "a transfer was left running";
    return {};
}

// A whole write or retrieve of `image` with module `serial` left it as the module's newest
// restore point.
inline std::string MissingRestorePoint(CalibrationSession& session, const std::string& serial,
                                       const CalImage& image) {
    RestorePoints* store = session.keeper().store();
    if (!store) return "no restore points are kept";
    const auto m = store->Module(serial);
    if (!m || m->entries.empty() || store->Load(*m, m->entries.back()) != image)
        return "a whole write or retrieve left no restore point";
    return {};
}

// The module side of the edits as the window sends them: stamped with the connection when
// confirmed, held until the command has stored them all, judged, then sent only over that
// connection.
class HeadlessSink : public ChangeSink {
  public:
    HeadlessSink(CalibrationSession& session, ModuleLink& link, Prompt& prompt)
        : session_(session), link_(link), prompt_(prompt) {}
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        const ConnectionId stamp = session_.StampEdit(prompt_, address, bytes.size()).stamp;
        if (stamp != 0) pending_.push_back({stamp, address, Bytes(bytes.begin(), bytes.end())});
    }
    void MessagesChanged() override { marker_ = marker_ || !pending_.empty(); }

    // The command ended: its edits are judged and sent (with those held back before), and the
    // session is told what the question made of them (true: the whole calibration is to be
    // written instead).
    bool EndCommand(FileState& files) {
        if (!session_.EditsHeld()) held_.clear();
        held_.insert(held_.end(), pending_.begin(), pending_.end());
        pending_.clear();
        const bool marker = std::exchange(marker_, false);
        if (!held_.empty() && session_.StageEdits(nullptr, UnitFlags{})) {
            for (const Pending& change : std::exchange(held_, {})) Send(change);
            if (marker && link_.Connection() == session_.connection()) link_.WriteMarkerCBE0();
        }
        const EditRoute route = session_.EndEditCommand(files.CalibrationChanged);
        session_.TellAgreement(files.CalibrationChanged);
        return route == EditRoute::WriteWhole;
    }

  private:
    struct Pending {
        ConnectionId stamp = 0;
        int address = 0;
        Bytes bytes;
    };
    void Send(const Pending& change) {
        session_.ChangeHanded(change.stamp, change.address, change.bytes);
        if (link_.Connection() != change.stamp || !link_.WriteChange(change.address, change.bytes))
            session_.ChangeLost(change.stamp);
    }

    CalibrationSession& session_;
    ModuleLink& link_;
    Prompt& prompt_;
    std::vector<Pending> pending_, held_;
    bool marker_ = false;
};

// The window's module commands, headless: each runs to its end before the next.
class HeadlessCommands {
  public:
    HeadlessCommands(CalibrationSession& session, ModuleLink& link, FileContext files)
        : session_(session), link_(link), files_(files) {}

    void Connect() {
        if (session_.online() || !session_.Begin(Transfer::Connect)) return;
        link_.ConnectIfOffline();
        if (link_.Online()) {
            session_.Connected(link_.Connection(), link_.DeviceSerial());
            if (link_.WrittenElsewhere()) session_.WrittenElsewhere();
            session_.End();
            if (session_.AfterConnect(files_).kind == NextStep::Kind::Retrieve &&
                session_.Begin(Transfer::Retrieve))
                RetrieveNow();
        }
        session_.End();
    }
    void Disconnect() {
        if (!session_.online() || !session_.Begin(Transfer::Disconnect)) return;
        link_.Disconnect();
        if (!link_.Online()) session_.Disconnected();
        session_.End();
    }
    // The link found the module gone (an unplugged cable shows at the next exchange).
    void FollowLink() {
        if (session_.online() && !link_.Online()) session_.Disconnected();
    }
    void Retrieve() {
        if (!session_.Allows(SessionCommand::Retrieve)) return;
        if (!session_.BeforeRetrieve(files_) || !session_.Begin(Transfer::Retrieve)) return;
        RetrieveNow();
        session_.End();
    }
    // A whole write of the calibration shown, under `event`, once confirmed.
    void WriteWhole(const std::string& event) {
        if (!session_.ConfirmWholeWrite(files_.prompt, nullptr, UnitFlags{}) ||
            !session_.Begin(Transfer::Write))
            return;
        const CalImage image = session_.shown();
        const bool written = link_.WriteWholeCalibration(image, {});
        Kept(session_.WholeWriteEnded(written, image, event), written);
        session_.End();
    }
    // Open `path`: the save and program questions, then the file shown and, online, written.
    void Open(const std::string& path) {
        if (!session_.Allows(SessionCommand::Open) || !session_.ConfirmOpen(files_)) return;
        CalImage opened = session_.shown();
        OpenCalibrationFileAt(files_, opened, path);
        const NextStep next = session_.Opened(opened, files_.state.CurrentFileName);
        if (next.kind == NextStep::Kind::WriteWhole) WriteWhole(next.event);
    }
    // The restore point `pick` (of all kept) shown, and written when the user says so.
    bool Restore(int pick) {
        RestorePoints* store = session_.keeper().store();
        if (!store || !session_.Allows(SessionCommand::History)) return false;
        for (const ModuleHistory& m : store->Modules())
            for (const RestoreEntry& e : m.entries)
                if (pick-- == 0) {
                    if (!session_.Restored(store->Load(m, e), m.serial)) return false;
                    const NextStep next = session_.AfterRestore(files_.prompt);
                    if (next.kind == NextStep::Kind::WriteWhole) WriteWhole(next.event);
                    return true;
                }
        return false;
    }
    // An upgrade ended: when it reached the module, what the module holds is not known.
    void UpgradeEnded(bool reachedModule) {
        if (reachedModule) session_.UpgradeEnded();
        if (!link_.Online()) session_.Disconnected();
    }
    // What a whole transfer failed to keep as a restore point (empty when nothing failed).
    const std::string& unkept() const { return unkept_; }

  private:
    void RetrieveNow() {
        CalImage image;
        if (!link_.RetrieveCalibration(image, {})) return;
        const auto kept = session_.Retrieved(image);
        Kept(kept, !image.Blank());
    }
    void Kept(const Result<void>& kept, bool expected) {
        if (!kept && unkept_.empty())
            unkept_ = "a restore point could not be kept: " + kept.error().message;
        if (expected && unkept_.empty() && session_.moduleImage())
            unkept_ = MissingRestorePoint(session_, session_.serial(), *session_.moduleImage());
    }

    CalibrationSession& session_;
    ModuleLink& link_;
    FileContext files_;
    std::string unkept_;
};

}  // namespace vx42::test
