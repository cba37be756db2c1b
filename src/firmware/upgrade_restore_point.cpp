// The module's calibration kept as a restore point before an upgrade.
#include "firmware/upgrade_restore_point.h"

#include "base/prompt.h"
#include "files/file_io.h"

namespace vx42 {

bool KeepRestorePointBeforeUpgrade(ModuleLink& link, RestorePoints& store, Prompt& prompt,
                                   const Progress& progress) {
    CalImage image;
    std::string problem;
    if (link.RetrieveCalibration(image, progress)) {
        try {
            store.Record(link.DeviceSerial(), image, restore_event::BeforeUpgrade, NowSeconds());
            return true;
        } catch (const FileError& e) {
            problem = std::string("The restore point could not be kept: ") + e.what() +
                      "\n\nUpgrade without a restore point?";
        }
    }
    const std::string question = problem.empty() ? kNoRestorePointQuestion : problem;
    // Upgrading is what writes: the question defaults to not upgrading.
    return prompt.YesNo(question, kRestorePointTitle, Icon::Exclamation, Answer::No) == Answer::Yes;
}

}  // namespace vx42
