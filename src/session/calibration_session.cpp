// One session with a module, shared by the window and vx42ctl.
#include "session/calibration_session.h"

namespace vx42 {

namespace {

constexpr const char* kSaveChangesText =
    "The file has been changed and not saved. Would you like to save now?";
constexpr const char* kSaveChangesTitle = "Save Changes?";

// Offers to save unsaved changes (Save As), before they are replaced.
void OfferSaveChanges(FileContext files, const CalImage& shown) {
    if (files.state.CalibrationChanged &&
        files.prompt.YesNo(kSaveChangesText, kSaveChangesTitle) == Answer::Yes)
        SaveCalibrationFile(files, shown, true);
}

}  // namespace

bool CommandEnabled(SessionCommand command, const SessionState& state) {
    const bool idle = state.transfer == Transfer::None;
    switch (command) {
        case SessionCommand::Retrieve:
        case SessionCommand::CanStatus:
            return idle && state.online;
        case SessionCommand::EditOutputs:
            // A status read leaves the calibration alone; every other transfer replaces it or
            // writes it whole.
            return idle || state.transfer == Transfer::CanStatus;
        case SessionCommand::Connect:
        case SessionCommand::Update:
        case SessionCommand::Open:
        case SessionCommand::History:
        case SessionCommand::Compare:
        case SessionCommand::CompareRestore:
        case SessionCommand::SetCanSpeed:
        case SessionCommand::FirmwareUpgrade:
            return idle;
    }
    return false;
}

std::string AgreementText(ModuleAgreement agreement) {
    return agreement == ModuleAgreement::Differs
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

CalibrationSession::CalibrationSession(CalImage& shown, std::string historyFolder, int limit)
    : shown_(shown), keeper_(std::move(historyFolder), limit) {}

SessionState CalibrationSession::State() const {
    return {online_, transfer_, Agreement()};
}

ModuleAgreement CalibrationSession::Agreement() const {
    if (!online_ || !moduleImage_ || moduleKey_ != ModuleKey(serial_))
        return ModuleAgreement::Unknown;
    return *moduleImage_ == shown_ ? ModuleAgreement::InStep : ModuleAgreement::Differs;
}

bool CalibrationSession::Begin(Transfer transfer) {
    if (transfer == Transfer::None || transfer_ != Transfer::None) return false;
    transfer_ = transfer;
    return true;
}

void CalibrationSession::End() {
    transfer_ = Transfer::None;
}

void CalibrationSession::Connected(ConnectionId id, const std::string& serial) {
    online_ = true;
    connection_ = id;
    serial_ = serial;
    // A bridge without a serial number may be any module: nothing is known of it.
    if (serial.empty() || ModuleKey(serial) != moduleKey_ || MustRetrieve()) {
        moduleKey_ = ModuleKey(serial);
        moduleImage_.reset();
    }
}

void CalibrationSession::Disconnected() {
    online_ = false;
}

bool CalibrationSession::ReplaceShown(const CalImage& image, ImageOrigin origin,
                                      const std::string& name) {
    if (transfer_ != Transfer::None) return false;
    shown_ = image;
    origin_ = origin;
    originName_ = name;
    return true;
}

Result<void> CalibrationSession::Retrieved(const CalImage& image) {
    NoteRetrieveAfterUpgrade(image);
    if (image.Blank()) {
        moduleKey_ = ModuleKey(serial_);
        moduleImage_ = image;
        return {};
    }
    shown_ = image;
    origin_ = ImageOrigin::Module;
    originName_ = serial_;
    moduleKey_ = ModuleKey(serial_);
    moduleImage_ = image;
    return Keep(image, restore_event::Retrieve);
}

bool CalibrationSession::ModuleBlank() const {
    return Agreement() != ModuleAgreement::Unknown && moduleImage_->Blank();
}

std::string CalibrationSession::AgreementLine() const {
    if (ModuleBlank()) return "Module holds no calibration: File > Open writes one to it";
    return AgreementText(Agreement());
}

std::vector<Finding> CalibrationSession::CheckBeforeWrite(const LibrarySet* libraries,
                                                          const UnitFlags& units) const {
    return CheckCalibration(shown_, libraries, units);
}

Result<void> CalibrationSession::WholeWriteEnded(bool written, const CalImage& image,
                                                 const std::string& event) {
    moduleKey_ = ModuleKey(serial_);
    if (!written) {
        // Part of the image may have landed, and the module may be left frozen.
        moduleImage_.reset();
        return {};
    }
    moduleImage_ = image;
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
    if (stamp != 0 && stamp == connection_) moduleImage_.reset();
}

NextStep CalibrationSession::AfterConnect(bool newModule, FileContext files) {
    if (!online_) return {};
    if (!newModule) {
        // The module whose calibration was last retrieved whole keeps the program's copy,
        // unless something else may have changed the module since.
        if (!MustRetrieve()) return {};
        OfferSaveChanges(files, shown_);
        return {NextStep::Kind::Retrieve, {}};
    }
    if (files.state.CalibrationChanged && !files.state.AutoRetrieved) {
        // The module's calibration is about to replace edits nobody saved.
        OfferSaveChanges(files, shown_);
    } else if (files.state.HasCalibration() &&
               files.prompt.YesNo("Different VX42 module detected. would you like to save the "
                                  "current file before retrieving data from the new Dialvane") ==
                   Answer::Yes) {
        // Whatever calibration is shown did not come from this module.
        SaveCalibrationFile(files, shown_, true);
    }
    return {NextStep::Kind::Retrieve, {}};
}

void CalibrationSession::BeforeRetrieve(FileContext files) {
    OfferSaveChanges(files, shown_);
}

bool CalibrationSession::ConfirmOpen(FileContext files, bool programChosen) {
    if (!OfferSaveBeforeReplacing(files, [&] { return SaveCalibrationFile(files, shown_, true); }))
        return false;
    return !online_ || programChosen ||
           files.prompt.YesNo(
               "Opening a file while you are connected will program it into the "
               "VX42 module do you still want to open the file?",
               "Open And Program File?") == Answer::Yes;
}

NextStep CalibrationSession::Opened(const CalImage& image, const std::string& fileName) {
    if (!ReplaceShown(image, ImageOrigin::File, fileName)) return {};
    if (!online_) return {};
    return {NextStep::Kind::WriteWhole,
            std::string(restore_event::ProgrammedFromFile) + " " + fileName};
}

bool CalibrationSession::Restored(const CalImage& image, const std::string& serial,
                                  FileState& files) {
    if (!ReplaceShown(image, ImageOrigin::RestorePoint, serial)) return false;
    files.CalibrationChanged = true;
    if (!files.HasCalibration()) files.MarkAutoRetrieved();
    files.UpdateTitle();
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
    if (!HasErrors(findings)) return true;
    return prompt.YesNo(
               "The calibration check found errors: the module cannot work as "
               "meant.\n\n" +
                   CheckErrorLines(findings) + "\n\nWrite the calibration to the module anyway?",
               "Check Calibration", Icon::Exclamation, Answer::No) == Answer::Yes;
}

void CalibrationSession::NoteShown() {
    agreementShown_ = Agreement();
    if (agreementShown_ == ModuleAgreement::Differs) shownBefore_ = shown_;
}

EditStamp CalibrationSession::StampEdit(Prompt& prompt, int address, std::size_t count) {
    const ConnectionId stamp = connection();
    if (stamp == 0 || agreementShown_ != ModuleAgreement::Differs) return {stamp, false};
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

EditRoute CalibrationSession::EndEditCommand() {
    const EditRoute route = editRoute_.value_or(EditRoute::Send);
    editRoute_.reset();
    return route;
}

}  // namespace vx42
