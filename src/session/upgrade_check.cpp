// The session after an upgrade, or after another program may have written the module: what
// the module holds is not known until it is retrieved again, and a calibration the upgrade
// changed is offered to be written back.
#include "session/calibration_session.h"

namespace vx42 {

void CalibrationSession::UpgradeEnded() {
    upgradedKey_ = ModuleKey(serial_);
    moduleImage_.reset();
    NoteAgreement();
}

void CalibrationSession::WrittenElsewhere() {
    elsewhereKey_ = ModuleKey(serial_);
    moduleImage_.reset();
    NoteAgreement();
}

bool CalibrationSession::MustRetrieve() const {
    const std::string key = ModuleKey(serial_);
    return upgradedKey_ == key || elsewhereKey_ == key || keeper_.KeptElsewhere(serial_);
}

void CalibrationSession::NoteRetrieveAfterUpgrade(const CalImage& image) {
    if (elsewhereKey_ == ModuleKey(serial_)) elsewhereKey_.clear();
    if (upgradedKey_.empty() || upgradedKey_ != ModuleKey(serial_)) return;
    upgradedKey_.clear();
    const auto before = keeper_.TakeBeforeUpgrade(serial_);
    if (before && *before != image) upgradeChange_ = before;
}

std::optional<CalImage> CalibrationSession::TakeUpgradeChange() {
    auto change = std::move(upgradeChange_);
    upgradeChange_.reset();
    return change;
}

NextStep CalibrationSession::OfferWriteBack(Prompt& prompt, const CalImage& before,
                                            std::size_t differences) {
    const std::string settings =
        std::to_string(differences) + (differences == 1 ? " setting" : " settings");
    if (prompt.YesNo("The upgrade changed the calibration of module " + ModuleKey(serial_) +
                         ": it differs in " + settings +
                         " from the one it held before (the restore point \"" +
                         restore_event::BeforeUpgrade +
                         "\").\n\nWrite the calibration from before the upgrade back to the "
                         "module?",
                     "After Upgrade", Icon::Question, Answer::No) != Answer::Yes)
        return {};
    if (!online_ || !Restored(before, ModuleKey(serial_))) return {};
    return {NextStep::Kind::WriteWhole, restore_event::Update};
}

}  // namespace vx42
