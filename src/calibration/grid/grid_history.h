#pragma once
// The undo and redo history of the output tables. Every change to a table, one cell or a
// bulk operation, is one step holding each changed cell's text before and after. Undo
// gives back the texts to show again, which the window then stores into the image and,
// while online, the module; redo does the same with the texts after the change.
//
// The history keeps at most a fixed number of steps, dropping the oldest. It must be
// cleared whenever the image is replaced whole (retrieval, opening a file), as its texts
// then no longer describe the tables.

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include "calibration/grid/grid_model.h"

namespace vx42 {

enum class TableKind { Analog, Frequency };

// Which table of which output a step belongs to.
struct TableRef {
    int output = 0;  // 0 to 3
    TableKind kind = TableKind::Analog;
    bool operator==(const TableRef&) const = default;
};

// The cells to show again, and to store, after an undo or a redo.
struct TableRestore {
    TableRef table;
    std::vector<CellText> cells;
};

class GridHistory {
  public:
    static constexpr std::size_t kDefaultSteps = 100;

    explicit GridHistory(std::size_t maxSteps = kDefaultSteps);

    // Records one change. A change without cells records nothing. Recording drops every
    // step that could have been redone.
    void Record(const TableRef& table, std::vector<CellChange> cells);

    // The texts before the most recent step, which moves to the redo side; nothing when
    // there is nothing to undo.
    std::optional<TableRestore> Undo();
    // The texts after the most recently undone step; nothing when there is nothing to redo.
    std::optional<TableRestore> Redo();

    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }
    std::size_t UndoCount() const { return done_; }
    std::size_t RedoCount() const { return steps_.size() - done_; }
    std::size_t MaxSteps() const { return maxSteps_; }
    void Clear();

  private:
    struct Step {
        TableRef table;
        std::vector<CellChange> cells;
    };

    std::size_t maxSteps_;
    std::deque<Step> steps_;  // oldest first; the first done_ of them are done
    std::size_t done_ = 0;
};

}  // namespace vx42
