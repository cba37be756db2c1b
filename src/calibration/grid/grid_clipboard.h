#pragma once
// Copy and paste of table cells as clipboard text: fields separated by a tab, lines by a
// carriage return.

#include <string>
#include <string_view>

#include "base/prompt.h"
#include "calibration/grid/grid_model.h"
#include "calibration/grid/grid_ops.h"

namespace vx42 {

// The selected cells, row by row: columns separated by a tab, rows by a carriage return
// (none after the last row).
std::string CopySelectionText(const GridModel& grid);

// Spreads clipboard text over the selection from its top-left cell: tab-separated fields
// into successive columns, lines (ended by "\r", "\r\n" or "\n") into successive rows.
// Fields beyond the selection are dropped; selected cells without a field, or whose field
// is empty, keep their value; the locked corner is never written. A pasted number is
// written in its shortest form. A field that is not a number (such as "1,5") is refused
// with a message and nothing is pasted. `changed` is set when any cell was written.
GridOutcome PasteSelectionText(GridModel& grid, std::string_view text, Prompt& prompt);

}  // namespace vx42
