// The module's calibration kept as a restore point before an upgrade.
#include "firmware/upgrade_restore_point.h"

#include "base/prompt.h"

namespace vx42 {

bool KeepRestorePointBeforeUpgrade(ModuleLink& link, RestoreKeeper& keeper, Prompt& prompt,
                                   const Progress& progress) {
    CalImage image;
    std::string problem;
    if (link.RetrieveCalibration(image, progress)) {
        const auto kept = keeper.KeepBeforeUpgrade(link.DeviceSerial(), image);
        if (kept) return true;
        problem = "The restore point could not be kept: " + kept.error().message +
                  "\n\nUpgrade without a restore point?";
    }
    const std::string question = problem.empty() ? kNoRestorePointQuestion : problem;
    // Upgrading is what writes: the question defaults to not upgrading.
    return prompt.YesNo(question, kRestorePointTitle, Icon::Exclamation, Answer::No) == Answer::Yes;
}

}  // namespace vx42
