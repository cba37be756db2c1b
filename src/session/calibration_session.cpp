#include "session/calibration_session.h"

namespace vx42 {

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
    if (serial.empty() || ModuleKey(serial) != moduleKey_) {
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

std::optional<std::string> CalibrationSession::Retrieved(const CalImage& image) {
    shown_ = image;
    origin_ = ImageOrigin::Module;
    originName_ = serial_;
    moduleKey_ = ModuleKey(serial_);
    moduleImage_ = image;
    return keeper_.Keep(serial_, image, restore_event::Retrieve);
}

std::vector<Finding> CalibrationSession::CheckBeforeWrite(const LibrarySet* libraries,
                                                          const UnitFlags& units) const {
    return CheckCalibration(shown_, libraries, units);
}

std::optional<std::string> CalibrationSession::WholeWriteEnded(bool written, const CalImage& image,
                                                               const std::string& event) {
    moduleKey_ = ModuleKey(serial_);
    if (!written) {
        // Part of the image may have landed, and the module may be left frozen.
        moduleImage_.reset();
        return std::nullopt;
    }
    moduleImage_ = image;
    return keeper_.Keep(serial_, image, event);
}

void CalibrationSession::ChangeHanded(ConnectionId stamp, int address,
                                      std::span<const std::uint8_t> bytes) {
    if (stamp == 0 || stamp != connection()) return;
    keeper_.Changed();
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

}  // namespace vx42
