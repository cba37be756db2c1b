#pragma once
// Before a firmware or bootloader upgrade, the module's calibration is read and kept as a
// restore point, so nothing the module held is lost to the upgrade.

#include "device/module_link.h"
#include "files/restore_points.h"

namespace vx42 {

class Prompt;

inline constexpr const char* kNoRestorePointQuestion =
    "The calibration could not be read from the module, so no restore point was kept.\n\n"
    "Upgrade without a restore point?";
inline constexpr const char* kRestorePointTitle = "Restore Point";

// Retrieves the calibration over the open link and keeps it ("Before upgrade"; the keeper also
// remembers it for the check after the upgrade). When the retrieve fails or the restore point
// cannot be written, asks whether to upgrade without one. True to go on with the upgrade.
bool KeepRestorePointBeforeUpgrade(ModuleLink& link, RestoreKeeper& keeper, Prompt& prompt,
                                   const Progress& progress);

}  // namespace vx42
