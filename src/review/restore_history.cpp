// A module's restore points as the history shows them.
#include "review/restore_history.h"

#include <optional>

#include "files/file_io.h"
#include "review/calibration_diff.h"

namespace vx42 {

std::vector<EntrySummary> SummariseEntries(const RestorePoints& store, const ModuleHistory& module,
                                           const UnitFlags& units) {
    std::vector<EntrySummary> result;
    std::optional<CalImage> before;
    bool first = true;
    for (const RestoreEntry& entry : module.entries) {
        std::optional<CalImage> image;
        try {
            image = store.Load(module, entry);
        } catch (const FileError&) {
            image.reset();
        }
        int changed = -1;
        if (first && image)
            changed = 0;
        else if (image && before)
            changed = static_cast<int>(DiffCalibrations(*before, *image, units).size());
        result.push_back({entry, changed});
        before = image;
        first = false;
    }
    return result;
}

std::vector<std::string> DescribeDifferences(const CalImage& entry, const CalImage& shown,
                                             const UnitFlags& units) {
    std::vector<std::string> lines;
    for (const SettingDifference& d : DiffCalibrations(entry, shown, units))
        lines.push_back(DifferenceLine(d));
    return lines;
}

}  // namespace vx42
