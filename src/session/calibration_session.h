#pragma once
// One session with a module, shared by the window and vx42ctl, and the one owner of its state:
// the calibration shown, where it came from and its file (name, changed mark); the connection
// (the module's serial number, its firmware, the connection an edit is stamped with); what the
// connected module is known to hold (exactly the calibration shown, something else, or not
// known, which counts as something else); the one transfer that may run, by name; and the
// edits not yet written (a whole write the user chose for them).
//
// The session decides; it does not talk to the module itself. The window runs each transfer on
// the link's thread and reports its end here; vx42ctl runs the same steps one after the other.
// Every command has a precondition (Refusal says in words why it may not run, CommandEnabled
// gives the control's state) and returns what to ask, show and run next.
//
//   Offline --Connect--> Online --Disconnect / unplug / upgrade--> Offline
//
//   Online, what the module holds:
//     Unknown --Retrieved / whole write ended--> InStep
//     InStep --an edit handed over--> InStep
//     InStep --an edit lost, a failed whole write--> Unknown
//     InStep --the calibration shown replaced (open, restore, an edit kept offline)--> Differs
//     Differs, Unknown --an edit: asked first (Yes: the whole write is owed)--> ...
//   Unknown shows and asks as Differs does. Connect retrieves when the module's calibration was
//   not retrieved in this session, or an upgrade or another program may have changed it since
//   (NewModule); otherwise the same module keeps the program's copy.
//
//   Transfer: None --Begin(t)--> t --End--> None; while one runs every other Begin is refused,
//   and an owed whole write runs before any other transfer begins.

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

// The transfer's name in the user's words ("the whole write"); empty for None.
std::string TransferName(Transfer transfer);

// The one rule for every command: why it may not be used in the state, in the user's words
// (empty: it may).
std::string CommandRefusal(SessionCommand command, const SessionState& state);
inline bool CommandEnabled(SessionCommand command, const SessionState& state) {
    return CommandRefusal(command, state).empty();
}

// The connection an edit was made for: 0 when it was made offline.
using ConnectionId = std::uint64_t;

// "Module holds a different calibration: Update writes the one shown" while the module
// differs or what it holds is not known; empty while it holds the calibration shown.
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
    // shown, files: the calibration shown and its file state, owned by the caller for the whole
    // session; the commands change them through the session, the edits in place (an edit sets
    // the changed mark). historyFolder: where restore points are
    // kept (empty keeps none); limit: entries kept a module.
    CalibrationSession(CalImage& shown, FileState& files, std::string historyFolder, int limit);

    // The calibration shown, its origin (the file's name, the module's serial) and its file.
    const CalImage& shown() const { return shown_; }
    ImageOrigin origin() const { return origin_; }
    const std::string& originName() const { return originName_; }
    const FileState& files() const { return files_; }

    SessionState State() const;
    bool Allows(SessionCommand command) const { return CommandEnabled(command, State()); }
    // Why `command` may not run now (empty: it may), with what the command itself needs
    // beyond the rule of the controls (a calibration to compare with).
    std::string Refusal(SessionCommand command) const;
    bool online() const { return online_; }
    Transfer transfer() const { return transfer_; }
    const std::string& serial() const { return serial_; }
    const std::string& firmware() const { return firmware_; }
    ConnectionId connection() const { return online_ ? connection_ : 0; }
    ModuleAgreement Agreement() const;
    // Online and the module is not known to hold the calibration shown: the status bar says
    // so and a single edit asks first.
    bool ModuleMayDiffer() const;
    // The connected module's calibration was not retrieved whole in this session (a bridge
    // without a serial number may be any module): Connect retrieves it.
    bool NewModule() const;
    // What the tool believes the module `moduleKey()` holds, when it knows.
    const std::optional<CalImage>& moduleImage() const { return moduleImage_; }
    const std::string& moduleKey() const { return moduleKey_; }
    RestoreKeeper& keeper() { return keeper_; }

    // The one transfer: false when another is running, or when a whole write is owed and this
    // is not it (nothing changes then; BusyText says why).
    [[nodiscard]] bool Begin(Transfer transfer);
    void End();
    // Why `transfer` cannot begin now, in the user's words; empty when it can.
    std::string BusyText(Transfer transfer) const;

    // The module `serial` with firmware `firmware` is connected as connection `id` (from the
    // link; a new one every connect). What the tool knew of the module stays known when it is
    // the same module.
    void Connected(ConnectionId id, const std::string& serial, const std::string& firmware = {});
    // The connection ended (disconnect, unplug, upgrade). The module keeps its memory.
    void Disconnected();
    // Nothing is known of the module any more (a connect that failed half way): the next
    // connect retrieves its calibration.
    void ForgetModule();

    // The calibration shown is replaced whole (open, restore, new); false while a transfer
    // runs. Nothing is written to the module.
    [[nodiscard]] bool ReplaceShown(const CalImage& image, ImageOrigin origin,
                                    const std::string& name);

    // A whole retrieve from the connected module arrived: it becomes the calibration shown
    // (the file state: retrieved) and what the module is known to hold, and is kept as a
    // restore point. Fails when it could not be kept. A blank module (ModuleBlank) holds no
    // calibration: what it holds is known, the calibration shown stays, and nothing is kept.
    Result<void> Retrieved(const CalImage& image);
    // The connected module is known to hold no calibration: its memory is erased.
    bool ModuleBlank() const;
    // What the status bar says of the module: that it is blank, that edits are held back from
    // it (HeldBackText), or that it may hold another calibration (nothing while a connect or
    // retrieve is finding out).
    std::string AgreementLine() const;

    // The check before a whole write of the calibration shown: the errors the write would
    // bring to the module, so none that the module is known to hold already.
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

    // Connect or Disconnect, as the menu entry's one command does now.
    Transfer ConnectTransfer() const { return online_ ? Transfer::Disconnect : Transfer::Connect; }
    // Connect found the module `serial()`. A new module's calibration replaces the one shown:
    // unsaved changes are offered for saving first; then it is retrieved. Nothing follows when
    // the save was chosen but did not happen (cancelled or failed): the edits stay shown.
    [[nodiscard]] NextStep AfterConnect(FileContext files);
    // Retrieve replaces the calibration shown: unsaved changes are offered for saving first.
    // False (nothing is retrieved) when the save was chosen but did not happen.
    [[nodiscard]] bool BeforeRetrieve(FileContext files);
    // Open: unsaved changes are offered for saving and, online, the user confirms that the
    // file is to be programmed into the module (unless `programChosen`: they already chose to
    // write what they open). False: nothing is opened.
    [[nodiscard]] bool ConfirmOpen(FileContext files, bool programChosen = false);
    // The open itself, after ConfirmOpen: the dialog (or `path`, chosen already) and the read.
    // The file opened becomes the calibration shown and names the file state; online it is
    // written whole next. Nothing (and nothing changed) when the dialog was cancelled; refused
    // in words, with nothing changed, while a transfer runs.
    [[nodiscard]] Result<std::optional<NextStep>> Open(FileContext files, const std::string& path);
    // The file `fileName`, read already, becomes the calibration shown; online it is written
    // whole next.
    [[nodiscard]] NextStep Opened(const CalImage& image, const std::string& fileName);
    // A restore point of module `serial` becomes the calibration shown, unsaved. False (and
    // nothing changes) while a transfer runs.
    [[nodiscard]] bool Restored(const CalImage& image, const std::string& serial);
    // Once the restored calibration is shown: connected to its module and idle, the user is
    // asked whether to write it now.
    [[nodiscard]] NextStep AfterRestore(Prompt& prompt);
    // Before a whole write of the calibration shown: connected, and the check finds no errors
    // or the user writes anyway. False: nothing is written (said through the prompt).
    [[nodiscard]] bool ConfirmWholeWrite(Prompt& prompt, const LibrarySet* libraries,
                                         const UnitFlags& units);

    // Save (saveAs false: to the current file when there is one) and Save As.
    SaveOutcome Save(FileContext files, bool saveAs) const;

    // The line of agreement the window's status bar shows at the end of a command, with the
    // calibration marked changed or not. Told to the user, it is the agreement an edit is
    // judged by (the edit is in the calibration shown already when it is confirmed), and the
    // calibration and its mark are what a Cancel of the next command's edits puts back.
    std::string TellAgreement(bool changed);
    // The next confirmed edit asks what becomes of its command's edits (the module was shown
    // as possibly differing, and no command's edits are being asked about now).
    bool NextEditsAsked() const;
    // A confirmed edit of `count` bytes at `address`: the connection it is sent over. While
    // the module may differ, the user is asked once for the edits of the command: Yes writes
    // the whole calibration instead, No keeps the edit offline, Cancel drops it (the bytes
    // shown go back to what they were).
    EditStamp StampEdit(Prompt& prompt, int address, std::size_t count);
    // A whole write was chosen for the edits of the command running now and has not begun:
    // it runs before any other transfer.
    bool WholeWriteOwed() const { return editRoute_ == EditRoute::WriteWhole; }
    // The command whose edits were stamped ended: what becomes of them (Send when nobody was
    // asked); dropped, the changed mark goes back to what it was shown. The next command's
    // edits are asked for again.
    EditRoute EndEditCommand(bool& changed);
    // The edits of a command that were sent are about to be staged in the module, all of them
    // in the calibration shown now: false when they make the check fail (an error the
    // calibration shown before them did not have, on an output whose function and data in
    // use they left as they were). They are then held back, and the first such error is said
    // in the status bar (AgreementLine), until later edits mend it (then all are staged) or
    // the connection or the calibration is replaced, or written whole (then they are
    // forgotten: EditsHeld is false).
    [[nodiscard]] bool StageEdits(const LibrarySet* libraries, const UnitFlags& units);
    bool EditsHeld() const { return heldBack_.has_value(); }
    std::string HeldBackText() const;

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
    [[nodiscard]] NextStep OfferWriteBack(Prompt& prompt, const CalImage& before,
                                          std::size_t differences);

  private:
    // The agreement an edit is judged by, taken whenever what the module holds or the
    // calibration shown changes as a whole (an edit is in the calibration shown already when
    // it is confirmed).
    void NoteAgreement();
    // Keeps the image for the connected module, at once or where KeepElsewhere says.
    Result<void> Keep(const CalImage& image, const std::string& event);
    void KeepChanged();
    // A whole retrieve arrived: after an upgrade, what it changed is noted for the check.
    void NoteRetrieveAfterUpgrade(const CalImage& image);

    CalImage& shown_;
    FileState& files_;
    bool mayDifferShown_ = false;  // whether the module may differ, as last shown
    CalImage shownBefore_;         // the calibration shown when the window last showed the session
    bool changedBefore_ = false;   // and its changed mark
    std::optional<Finding> heldBack_;   // the error that holds edits back from the module
    std::optional<CalImage> heldBase_;  // the calibration shown before the first held edit
    void ForgetHeldEdits();
    std::optional<EditRoute> editRoute_;  // of the command running now
    ImageOrigin origin_ = ImageOrigin::None;
    std::string originName_;
    RestoreKeeper keeper_;
    Transfer transfer_ = Transfer::None;
    bool online_ = false;
    ConnectionId connection_ = 0;
    std::string serial_;
    std::string firmware_;
    // The module whose calibration was last retrieved whole (empty: none).
    std::string retrievedKey_;
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
