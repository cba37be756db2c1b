#pragma once
// One session with a module, shared by the window and vx42ctl: the calibration shown and where
// it came from, what the tool believes the connected module holds (so whether the module is in
// step with the calibration shown, differs from it, or is not known), the one transfer that may
// run at a time, and the steps of a whole write (check, ask, write, keep a restore point) and
// of a retrieve (keep a restore point).
//
// The session decides; it does not talk to the module itself. The window runs each transfer on
// the link's thread and reports its end here; vx42ctl runs the same steps one after the other.
// The commands of the window take their enabled state from CommandEnabled over State().

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/prompt.h"
#include "calibration/cal_image.h"
#include "files/calibration_file.h"
#include "files/restore_points.h"
#include "review/calibration_check.h"

namespace vx42 {

// Where the calibration shown came from.
enum class ImageOrigin { None, New, File, Module, RestorePoint };

// Whether the connected module holds exactly the calibration shown.
enum class ModuleAgreement { Unknown, InStep, Differs };

// The transfers with the module, of which one runs at a time.
enum class Transfer { None, Connect, Disconnect, Retrieve, Write, CanStatus, Upgrade };

// The window's commands whose use depends on the session.
enum class SessionCommand {
    Connect,
    Retrieve,
    Update,
    Open,
    History,
    Compare,
    CompareRestore,
    SetCanSpeed,
    FirmwareUpgrade,
    CanStatus,
    EditOutputs,  // the output page: typing, tables, presets
};

struct SessionState {
    bool online = false;
    Transfer transfer = Transfer::None;
    ModuleAgreement agreement = ModuleAgreement::Unknown;
    bool operator==(const SessionState&) const = default;
};

// The one rule for every command: whether it may be used in the state.
bool CommandEnabled(SessionCommand command, const SessionState& state);

// The connection an edit was made for: 0 when it was made offline.
using ConnectionId = std::uint64_t;

// "Module holds a different calibration: Update writes the one shown" while the module
// differs; empty otherwise.
std::string AgreementText(ModuleAgreement agreement);

// The errors of a calibration check, one a line (at most `listed`, then "... and N more.").
std::string CheckErrorLines(const std::vector<Finding>& findings, std::size_t listed = 12);

// What runs next on the link once a command's questions are answered.
struct NextStep {
    enum class Kind { None, Retrieve, WriteWhole };
    Kind kind = Kind::None;
    std::string event;  // of a whole write: the event its restore point is kept under
    bool operator==(const NextStep&) const = default;
};

// What becomes of the confirmed edits of one command while the module differs from the
// calibration shown: sent (the module did not differ), the whole calibration written instead,
// kept in the calibration shown only, or dropped from it.
enum class EditRoute { Send, WriteWhole, Offline, Drop };

// The connection a confirmed edit goes to (0: not sent) and whether the question was asked
// for it (the first edit of the command: what the command's edits become follows it).
struct EditStamp {
    ConnectionId stamp = 0;
    bool asked = false;
};

class CalibrationSession {
  public:
    // shown: the calibration shown, owned by the caller for the whole session. historyFolder:
    // where restore points are kept (empty keeps none); limit: entries kept a module.
    CalibrationSession(CalImage& shown, std::string historyFolder, int limit);

    // The calibration shown and its origin (the file's name, the module's serial).
    const CalImage& shown() const { return shown_; }
    ImageOrigin origin() const { return origin_; }
    const std::string& originName() const { return originName_; }

    SessionState State() const;
    bool Allows(SessionCommand command) const { return CommandEnabled(command, State()); }
    bool online() const { return online_; }
    Transfer transfer() const { return transfer_; }
    const std::string& serial() const { return serial_; }
    ConnectionId connection() const { return online_ ? connection_ : 0; }
    ModuleAgreement Agreement() const;
    // What the tool believes the module `moduleKey()` holds, when it knows.
    const std::optional<CalImage>& moduleImage() const { return moduleImage_; }
    const std::string& moduleKey() const { return moduleKey_; }
    RestoreKeeper& keeper() { return keeper_; }

    // The one transfer: false when another is running (nothing changes then).
    bool Begin(Transfer transfer);
    void End();

    // The module `serial` is connected as connection `id` (from the link; a new one every
    // connect). What the tool knew of the module stays known when it is the same module.
    void Connected(ConnectionId id, const std::string& serial);
    // The connection ended (disconnect, unplug, upgrade). The module keeps its memory.
    void Disconnected();

    // The calibration shown is replaced whole (open, restore, new); false while a transfer
    // runs. Nothing is written to the module.
    bool ReplaceShown(const CalImage& image, ImageOrigin origin, const std::string& name);

    // A whole retrieve from the connected module arrived: it becomes the calibration shown and
    // what the module is known to hold, and is kept as a restore point. Fails when it could
    // not be kept. A blank module (ModuleBlank) holds no calibration: what it holds is known,
    // the calibration shown stays, and nothing is kept.
    Result<void> Retrieved(const CalImage& image);
    // The connected module is known to hold no calibration: its memory is erased.
    bool ModuleBlank() const;
    // What the status bar says of the module: that it is blank, or AgreementText.
    std::string AgreementLine() const;

    // The check before a whole write of the calibration shown: its findings.
    std::vector<Finding> CheckBeforeWrite(const LibrarySet* libraries,
                                          const UnitFlags& units) const;
    // A whole write of `image` ended: written, the module holds it and it is kept as a
    // restore point under `event`; failed, what the module holds is no longer known. Fails
    // when the restore point could not be kept.
    Result<void> WholeWriteEnded(bool written, const CalImage& image, const std::string& event);

    // A confirmed edit of the calibration shown goes to the module of connection `stamp`:
    // the tool now believes the module holds the bytes too.
    void ChangeHanded(ConnectionId stamp, int address, std::span<const std::uint8_t> bytes);
    // The edit did not land (not sent: another connection, or the apply step failed): what the
    // module holds is no longer known.
    void ChangeLost(ConnectionId stamp);

    // --- The commands' steps: the questions they ask and what runs next.

    // Connect found the module `serial()` (newModule: its calibration was not retrieved whole
    // on this link before). A new module's calibration replaces the one shown: unsaved changes,
    // or a calibration from elsewhere, are offered for saving first; then it is retrieved.
    NextStep AfterConnect(bool newModule, FileContext files);
    // Retrieve replaces the calibration shown: unsaved changes are offered for saving first.
    void BeforeRetrieve(FileContext files);
    // Open: unsaved changes are offered for saving and, online, the user confirms that the
    // file is to be programmed into the module (unless `programChosen`: they already chose to
    // write what they open). False: nothing is opened.
    bool ConfirmOpen(FileContext files, bool programChosen = false);
    // The file opened becomes the calibration shown; online it is written whole next.
    NextStep Opened(const CalImage& image, const std::string& fileName);
    // A restore point of module `serial` becomes the calibration shown, unsaved. False (and
    // nothing changes) while a transfer runs.
    bool Restored(const CalImage& image, const std::string& serial, FileState& files);
    // Once the restored calibration is shown: connected to its module and idle, the user is
    // asked whether to write it now.
    NextStep AfterRestore(Prompt& prompt);
    // Before a whole write of the calibration shown: connected, and the check finds no errors
    // or the user writes anyway. False: nothing is written (said through the prompt).
    bool ConfirmWholeWrite(Prompt& prompt, const LibrarySet* libraries, const UnitFlags& units);

    // The window shows the session now: the agreement its status bar shows is the one an edit
    // is judged by (the edit is in the calibration shown already when it is confirmed).
    void NoteShown();
    // A confirmed edit of `count` bytes at `address`: the connection it is sent over. While
    // the module was shown to differ, the user is asked once for the edits of the command:
    // Yes writes the whole calibration instead, No keeps the edit offline, Cancel drops it
    // (the bytes shown go back to what they were).
    EditStamp StampEdit(Prompt& prompt, int address, std::size_t count);
    // The command whose edits were stamped ended: what becomes of them (Send when nobody was
    // asked); the next command's edits are asked for again.
    EditRoute EndEditCommand();

    // Where the keeper's file work runs (session_keeping.cpp): at once, or handed to `run`
    // (the window's link thread, so a history lock held by another program never stops the
    // window) in the order given; a failure there is handed to `report`.
    using KeepRunner = std::function<void(std::function<void()> work)>;
    void KeepElsewhere(KeepRunner run, std::function<void(const Result<void>&)> report);

    // --- What an upgrade or another program may have changed (upgrade_check.cpp).

    // An upgrade reached the connected module (UpgradeReachedModule): what it holds is no
    // longer known, and the next connect retrieves it.
    void UpgradeEnded();
    // The link says another program had the connected module since (its state file): what
    // it holds is no longer known, and the next connect retrieves it.
    void WrittenElsewhere();
    // Whether module `serial()`, although it is the one last retrieved, is retrieved at the
    // next connect: an upgrade, another program that had it, or one that kept a restore point
    // of it since, may have changed what it holds.
    bool MustRetrieve() const;
    // The check after an upgrade, once the retrieve that follows it arrived: the calibration
    // the module held before the upgrade when it now holds another, handed out once.
    std::optional<CalImage> TakeUpgradeChange();
    // Says that the upgrade changed the module's calibration in `differences` settings and
    // offers to write the one from before back. Yes: it becomes the calibration shown,
    // unsaved (one step the caller records), and is written whole next.
    NextStep OfferWriteBack(Prompt& prompt, const CalImage& before, std::size_t differences,
                            FileState& files);

  private:
    // Keeps the image for the connected module, at once or where KeepElsewhere says.
    Result<void> Keep(const CalImage& image, const std::string& event);
    void KeepChanged();
    // A whole retrieve arrived: after an upgrade, what it changed is noted for the check.
    void NoteRetrieveAfterUpgrade(const CalImage& image);

    CalImage& shown_;
    ModuleAgreement agreementShown_ = ModuleAgreement::Unknown;
    CalImage shownBefore_;  // the calibration shown when the module was last shown to differ
    std::optional<EditRoute> editRoute_;  // of the command running now
    ImageOrigin origin_ = ImageOrigin::None;
    std::string originName_;
    RestoreKeeper keeper_;
    Transfer transfer_ = Transfer::None;
    bool online_ = false;
    ConnectionId connection_ = 0;
    std::string serial_;
    // What the module `moduleKey_` holds as far as the tool knows.
    std::string moduleKey_;
    std::optional<CalImage> moduleImage_;
    std::string upgradedKey_;   // the module an upgrade reached, until it is retrieved
    std::string elsewhereKey_;  // the module another program had, until it is retrieved
    std::optional<CalImage> upgradeChange_;
    KeepRunner keepRun_;
    std::function<void(const Result<void>&)> keepReport_;
};

}  // namespace vx42
