#pragma once
// A module's restore points as the history shows them: each entry with the number of
// settings changed from the entry before, and the differences between an entry and another
// calibration, setting by setting in display units.

#include <string>
#include <vector>

#include "calibration/units.h"
#include "files/restore_points.h"

namespace vx42 {

struct EntrySummary {
    RestoreEntry entry;
    // Settings changed from the entry before (0 for the first entry); -1 when one of the
    // two files could not be read.
    int changed = 0;
};

// Every entry of the module, oldest first.
std::vector<EntrySummary> SummariseEntries(const RestorePoints& store, const ModuleHistory& module,
                                           const UnitFlags& units);

// "setting: entry value -> shown value", one line per setting that differs.
std::vector<std::string> DescribeDifferences(const CalImage& entry, const CalImage& shown,
                                             const UnitFlags& units);

}  // namespace vx42
