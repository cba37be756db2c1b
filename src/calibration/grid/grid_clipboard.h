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

// Where clipboard text lands, one rule for every size of selection and of text. The text is
// a block of fields: tab-separated fields into successive columns, lines (ended by "\r",
// "\r\n" or "\n") into successive rows. The block starts at the selection's top-left cell:
// - one selected cell takes the whole block;
// - a selection that is a whole number of blocks high and wide takes the block repeated
//   until it is full (so one copied value fills every selected cell);
// - any other selection takes the block once, and what lies beyond the selection is left
//   out;
// and what lies beyond the table is always left out. Selected cells without a field, or
// whose field is empty, keep their value; the locked corner is never written.
struct PastePlan {
    CellRange selection;
    CellRange area;     // the cells the block covers, repeated or not
    int blockRows = 0;  // the block's size
    int blockCols = 0;
    int pasted = 0;            // fields written, counting each repetition
    int leftOut = 0;           // fields that found no cell
    bool beyondTable = false;  // they fell outside the table (else outside the selection)
    int keptSelected = 0;      // selected cells the block did not reach
};
PastePlan PlanPaste(const GridModel& grid, std::string_view text);

// What a paste did, when it did not fill exactly the selection: how many values were
// pasted where, and what was left out or kept. Empty when the block filled the selection.
std::string PasteReport(const PastePlan& plan);

// Pastes clipboard text as PlanPaste places it. A pasted number is written in its shortest
// form. A field that is not a number (such as "1,5") is refused with a message and nothing is
// pasted. When the block did not fill exactly the selection, the prompt says what was done
// (PasteReport). `changed` is set when any cell was written.
GridOutcome PasteSelectionText(GridModel& grid, std::string_view text, Prompt& prompt);

}  // namespace vx42
