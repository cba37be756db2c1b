// One session with a module, shared by the window and vx42ctl.
#include "session/calibration_session.h"

#include <cctype>

namespace vx42 {

namespace {

const char* CommandName(SessionCommand command) {
    switch (command) {
        case SessionCommand::Connect:
            return "Connect";
        case SessionCommand::Retrieve:
            return "Retrieve Calibration";
        case SessionCommand::Update:
            return "Update";
        case SessionCommand::Open:
            return "Open";
        case SessionCommand::History:
            return "Module History";
        case SessionCommand::Compare:
            return "Compare With File";
        case SessionCommand::CompareRestore:
            return "Compare With Restore Point";
        case SessionCommand::SetCanSpeed:
            return "Set CAN Speed";
        case SessionCommand::FirmwareUpgrade:
            return "Firmware Upgrade";
        case SessionCommand::CanStatus:
            return "the CAN status read";
        case SessionCommand::EditOutputs:
            return "Editing";
    }
    return "";
}

std::string WaitText(const std::string& what, Transfer running) {
    return what + " waits until " + TransferName(running) + " has ended: try again then.";
}

}  // namespace

std::string TransferName(Transfer transfer) {
    switch (transfer) {
        case Transfer::None:
            return {};
        case Transfer::Connect:
            return "the connect";
        case Transfer::Disconnect:
            return "the disconnect";
        case Transfer::Retrieve:
            return "the retrieve";
        case Transfer::Write:
            return "the whole write";
        case Transfer::CanStatus:
            return "the CAN status read";
        case Transfer::Upgrade:
            return "the firmware upgrade";
    }
    return {};
}

std::string CommandRefusal(SessionCommand command, const SessionState& state) {
    const bool idle = state.transfer == Transfer::None;
    const std::string name = CommandName(command);
    switch (command) {
        case SessionCommand::Retrieve:
        case SessionCommand::CanStatus:
            if (!state.online) return "Connect to the module first: " + name + " reads it.";
            break;
        case SessionCommand::EditOutputs:
            // A status read leaves the calibration alone; every other transfer replaces it or
            // writes it whole.
            if (state.transfer == Transfer::CanStatus) return {};
            break;
        case SessionCommand::Connect:
        case SessionCommand::Update:
        case SessionCommand::Open:
        case SessionCommand::History:
        case SessionCommand::Compare:
        case SessionCommand::CompareRestore:
        case SessionCommand::SetCanSpeed:
        case SessionCommand::FirmwareUpgrade:
            break;
    }
    return idle ? std::string() : WaitText(name, state.transfer);
}

std::string AgreementText(ModuleAgreement agreement) {
    return agreement != ModuleAgreement::InStep
               ? "Module holds a different calibration: Update writes the one shown"
               : std::string();
}

std::string CheckErrorLines(const std::vector<Finding>& findings, std::size_t listed) {
    std::string text;
    std::size_t errors = 0;
    for (const Finding& f : findings) {
        if (f.severity != Severity::Error) continue;
        if (errors++ < listed) text += (text.empty() ? "" : "\n") + f.message;
    }
    if (errors > listed) text += "\n... and " + std::to_string(errors - listed) + " more.";
    return text;
}

CalibrationSession::CalibrationSession(CalImage& shown, FileState& files, std::string historyFolder,
                                       int limit)
    : shown_(shown), files_(files), keeper_(std::move(historyFolder), limit) {}

SessionState CalibrationSession::State() const {
    return {online_, transfer_, Agreement()};
}

std::string CalibrationSession::Refusal(SessionCommand command) const {
    std::string refused = CommandRefusal(command, State());
    const bool compare =
        command == SessionCommand::Compare || command == SessionCommand::CompareRestore;
    if (refused.empty() && compare && !files_.HasCalibration())
        refused =
            "Open or retrieve a calibration first: it is what the other calibration is "
            "compared with.";
    return refused;
}

ModuleAgreement CalibrationSession::Agreement() const {
    if (!online_ || !moduleImage_ || moduleKey_ != ModuleKey(serial_))
        return ModuleAgreement::Unknown;
    return *moduleImage_ == shown_ ? ModuleAgreement::InStep : ModuleAgreement::Differs;
}

bool CalibrationSession::ModuleMayDiffer() const {
    return online_ && Agreement() != ModuleAgreement::InStep;
}

bool CalibrationSession::NewModule() const {
    return serial_.empty() || ModuleKey(serial_) != retrievedKey_ || MustRetrieve();
}

bool CalibrationSession::Begin(Transfer transfer) {
    if (!BusyText(transfer).empty()) return false;
    transfer_ = transfer;
    // The whole write owed for the command's edits is this one: nothing more is owed.
    if (transfer == Transfer::Write && WholeWriteOwed()) editRoute_ = EditRoute::Send;
    return true;
}

std::string CalibrationSession::BusyText(Transfer transfer) const {
    if (transfer == Transfer::None) return "Nothing to run.";
    std::string what = TransferName(transfer);
    what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
    if (transfer_ != Transfer::None) return WaitText(what, transfer_);
    if (WholeWriteOwed() && transfer != Transfer::Write)
        return what + " waits until the whole calibration you chose to write has been written.";
    return {};
}

void CalibrationSession::End() {
    transfer_ = Transfer::None;
    NoteAgreement();
}

void CalibrationSession::Connected(ConnectionId id, const std::string& serial,
                                   const std::string& firmware) {
    ForgetHeldEdits();
    online_ = true;
    connection_ = id;
    serial_ = serial;
    firmware_ = firmware;
    // A bridge without a serial number may be any module: nothing is known of it.
    if (serial.empty() || ModuleKey(serial) != moduleKey_ || MustRetrieve()) {
        moduleKey_ = ModuleKey(serial);
        moduleImage_.reset();
    }
    NoteAgreement();
}

void CalibrationSession::Disconnected() {
    ForgetHeldEdits();
    online_ = false;
    NoteAgreement();
}

void CalibrationSession::ForgetModule() {
    retrievedKey_.clear();
    moduleImage_.reset();
    NoteAgreement();
}

bool CalibrationSession::ReplaceShown(const CalImage& image, ImageOrigin origin,
                                      const std::string& name) {
    if (transfer_ != Transfer::None) return false;
    shown_ = image;
    origin_ = origin;
    originName_ = name;
    ForgetHeldEdits();
    NoteAgreement();
    return true;
}

Result<void> CalibrationSession::Retrieved(const CalImage& image) {
    NoteRetrieveAfterUpgrade(image);
    moduleKey_ = ModuleKey(serial_);
    retrievedKey_ = serial_.empty() ? std::string() : moduleKey_;
    moduleImage_ = image;
    if (image.Blank()) {
        NoteAgreement();
        return {};
    }
    shown_ = image;
    ForgetHeldEdits();
    origin_ = ImageOrigin::Module;
    originName_ = serial_;
    files_.MarkAutoRetrieved();
    NoteAgreement();
    return Keep(image, restore_event::Retrieve);
}

bool CalibrationSession::ModuleBlank() const {
    return Agreement() != ModuleAgreement::Unknown && moduleImage_->Blank();
}

std::string CalibrationSession::AgreementLine() const {
    if (ModuleBlank()) return "Module holds no calibration: File > Open writes one to it";
    if (heldBack_) return HeldBackText();
    // A connect or a retrieve is finding out what the module holds.
    if (!online_ || transfer_ == Transfer::Connect || transfer_ == Transfer::Retrieve) return {};
    return AgreementText(Agreement());
}

std::vector<Finding> CalibrationSession::CheckBeforeWrite(const LibrarySet* libraries,
                                                          const UnitFlags& units) const {
    // A blank module holds no calibration whose errors it could keep.
    const bool held = Agreement() != ModuleAgreement::Unknown && !ModuleBlank();
    return ErrorsAdded(
        held ? CheckCalibration(*moduleImage_, libraries, units) : std::vector<Finding>{},
        CheckCalibration(shown_, libraries, units));
}

Result<void> CalibrationSession::WholeWriteEnded(bool written, const CalImage& image,
                                                 const std::string& event) {
    ForgetHeldEdits();  // the whole calibration went instead
    moduleKey_ = ModuleKey(serial_);
    if (!written) {
        // Part of the image may have landed, and the module may be left frozen.
        moduleImage_.reset();
        NoteAgreement();
        return {};
    }
    moduleImage_ = image;
    NoteAgreement();
    return Keep(image, event);
}

void CalibrationSession::ChangeHanded(ConnectionId stamp, int address,
                                      std::span<const std::uint8_t> bytes) {
    if (stamp == 0 || stamp != connection()) return;
    KeepChanged();
    if (!moduleImage_) return;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int at = address + static_cast<int>(i);
        if (ImageIndex(at) >= 0 && ImageIndex(at) < kCalImageSize)
            moduleImage_->SetByte(at, bytes[i]);
    }
}

void CalibrationSession::ChangeLost(ConnectionId stamp) {
    if (stamp == 0 || stamp != connection_) return;
    moduleImage_.reset();
    NoteAgreement();
}

NextStep CalibrationSession::AfterConnect(FileContext files) {
    // The module whose calibration was last retrieved whole keeps the program's copy, unless
    // something else may have changed the module since.
    if (!online_ || !NewModule()) return {};
    // Only unsaved edits would be lost: the question names another module's calibration when
    // that is what is shown. A save chosen that did not happen stops the retrieve.
    const bool another = serial_.empty() || ModuleKey(serial_) != retrievedKey_;
    if (!another || !files.state.AutoRetrieved) {
        if (!BeforeRetrieve(files)) return {};
    } else if (files.state.CalibrationChanged &&
               files.prompt.YesNo("Different VX42 module detected. would you like to save the "
                                  "current file before retrieving data from the new Dialvane") ==
                   Answer::Yes &&
               Save(files, true) != SaveOutcome::Saved) {
        return {};
    }
    return {NextStep::Kind::Retrieve, {}};
}

bool CalibrationSession::BeforeRetrieve(FileContext files) {
    return OfferSaveBeforeReplacing(files, [&] { return Save(files, true); });
}

bool CalibrationSession::ConfirmOpen(FileContext files, bool programChosen) {
    if (!BeforeRetrieve(files)) return false;
    return !online_ || programChosen ||
           files.prompt.YesNo(
               "Opening a file while you are connected will program it into the "
               "VX42 module do you still want to open the file?",
               "Open And Program File?") == Answer::Yes;
}

Result<std::optional<NextStep>> CalibrationSession::Open(FileContext files,
                                                         const std::string& path) {
    // The file is read against a copy of the file state: a refused open leaves the name and
    // the changed mark of the calibration shown.
    FileState read = files.state;
    const FileContext reading{read, files.prompt, files.settings, files.store};
    CalImage opened = shown_;
    if (path.empty()) {
        if (!OpenCalibrationFile(reading, opened)) return std::optional<NextStep>();
    } else {
        OpenCalibrationFileAt(reading, opened, path);
    }
    if (transfer_ != Transfer::None)
        return Failure{"The file was not opened: " + WaitText("Open", transfer_)};
    files.state = read;
    return std::optional<NextStep>(Opened(opened, read.CurrentFileName));
}

NextStep CalibrationSession::Opened(const CalImage& image, const std::string& fileName) {
    if (!ReplaceShown(image, ImageOrigin::File, fileName)) return {};
    if (!online_) return {};
    return {NextStep::Kind::WriteWhole,
            std::string(restore_event::ProgrammedFromFile) + " " + fileName};
}

bool CalibrationSession::Restored(const CalImage& image, const std::string& serial) {
    if (!ReplaceShown(image, ImageOrigin::RestorePoint, serial)) return false;
    files_.CalibrationChanged = true;
    if (!files_.HasCalibration()) files_.MarkAutoRetrieved();
    files_.UpdateTitle();
    return true;
}

NextStep CalibrationSession::AfterRestore(Prompt& prompt) {
    if (origin_ != ImageOrigin::RestorePoint || !online_ || transfer_ != Transfer::None ||
        ModuleKey(serial_) != originName_)
        return {};
    if (prompt.YesNo("The restore point is now the calibration shown. Write it to the module " +
                         originName_ + " now?",
                     "Restore", Icon::Question, Answer::No) != Answer::Yes)
        return {};
    return {NextStep::Kind::WriteWhole, restore_event::Update};
}

bool CalibrationSession::ConfirmWholeWrite(Prompt& prompt, const LibrarySet* libraries,
                                           const UnitFlags& units) {
    if (!online_) {
        prompt.Message("You must be connected to write the calibration");
        return false;
    }
    const auto findings = CheckBeforeWrite(libraries, units);
    if (findings.empty()) return true;
    return prompt.YesNo(
               "The calibration check found errors: the module cannot work as "
               "meant.\n\n" +
                   CheckErrorLines(findings) + "\n\nWrite the calibration to the module anyway?",
               "Check Calibration", Icon::Exclamation, Answer::No) == Answer::Yes;
}

std::string CalibrationSession::TellAgreement(bool changed) {
    mayDifferShown_ = ModuleMayDiffer();
    // While a command's edits are asked about, a Cancel puts back what was shown before it.
    if (!editRoute_) {
        shownBefore_ = shown_;
        changedBefore_ = changed;
    }
    return AgreementLine();
}

bool CalibrationSession::NextEditsAsked() const {
    return connection() != 0 && mayDifferShown_ && !editRoute_ && !heldBack_;
}

SaveOutcome CalibrationSession::Save(FileContext files, bool saveAs) const {
    return SaveCalibrationFile(files, shown_, saveAs);
}

void CalibrationSession::NoteAgreement() {
    mayDifferShown_ = ModuleMayDiffer();
}

EditStamp CalibrationSession::StampEdit(Prompt& prompt, int address, std::size_t count) {
    const ConnectionId stamp = connection();
    // Edits held back are all the module lacks: this one may mend them.
    if (stamp == 0 || !mayDifferShown_ || heldBack_) return {stamp, false};
    bool asked = false;
    if (!editRoute_) {
        const Answer answer = prompt.YesNoCancel(
            "The module holds a different calibration than the one shown, so this change alone "
            "would not make them equal.\n\nYes writes the whole calibration shown to the module "
            "(this change included). No keeps the change in the calibration shown only. Cancel "
            "drops the change.",
            "Module Holds A Different Calibration", Icon::Question, Answer::No);
        editRoute_ = answer == Answer::Yes  ? EditRoute::WriteWhole
                     : answer == Answer::No ? EditRoute::Offline
                                            : EditRoute::Drop;
        asked = true;
    }
    if (editRoute_ == EditRoute::Drop)
        for (std::size_t i = 0; i < count; ++i) {
            const int at = address + static_cast<int>(i);
            if (ImageIndex(at) >= 0 && ImageIndex(at) < kCalImageSize)
                shown_.SetByte(at, shownBefore_.Byte(at));
        }
    // Not sent: the whole write follows, or the module is not to have it.
    return {0, asked};
}

EditRoute CalibrationSession::EndEditCommand(bool& changed) {
    const EditRoute route = editRoute_.value_or(EditRoute::Send);
    editRoute_.reset();
    if (route == EditRoute::Drop) changed = changedBefore_;
    // What the next command's Cancel puts back.
    shownBefore_ = shown_;
    changedBefore_ = changed;
    NoteAgreement();
    return route;
}

namespace {

// Whether an edit changed what an output does or which data it reads: the settings it then
// takes into use are filled by the edits that follow.
bool UseChanged(const CalImage& before, const CalImage& after, int output) {
    const OutputCalAddresses& cal = CalAddresses().OutputCal[output];
    for (int address : {cal.FunctionFlags, cal.SecondaryMode, CalAddresses().OutputOptions[output]})
        if (before.Byte(address) != after.Byte(address)) return true;
    return false;
}

}  // namespace

bool CalibrationSession::StageEdits(const LibrarySet* libraries, const UnitFlags& units) {
    // Edits held back wait for the ones that mend them: judged together, from what was shown
    // before the first of them.
    const CalImage& base = heldBase_ ? *heldBase_ : shownBefore_;
    auto added = ErrorsAdded(CheckCalibration(base, libraries, units),
                             CheckCalibration(shown_, libraries, units));
    std::erase_if(added, [&](const Finding& f) { return UseChanged(base, shown_, f.output); });
    if (added.empty()) {
        ForgetHeldEdits();
        return true;
    }
    heldBack_ = added.front();
    if (!heldBase_) heldBase_ = base;
    return false;
}

void CalibrationSession::ForgetHeldEdits() {
    heldBack_.reset();
    heldBase_.reset();
}

std::string CalibrationSession::HeldBackText() const {
    return heldBack_ ? "Not written to the module: " + heldBack_->message : std::string();
}

}  // namespace vx42
