#include "calibration/grid/grid_history.h"

#include <algorithm>

namespace vx42 {

GridHistory::GridHistory(std::size_t maxSteps) : maxSteps_(std::max<std::size_t>(maxSteps, 1)) {}

void GridHistory::Record(const TableRef& table, std::vector<WordChange> cells) {
    if (cells.empty()) return;
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    steps_.push_back({table, std::move(cells)});
    if (steps_.size() > maxSteps_) steps_.pop_front();
    done_ = steps_.size();
}

std::optional<TableRestore> GridHistory::Undo() {
    if (!CanUndo()) return std::nullopt;
    const Step& step = steps_[--done_];
    TableRestore restore{step.table, {}};
    restore.cells.reserve(step.cells.size());
    for (const WordChange& cell : step.cells) restore.cells.push_back({cell.row, cell.col, cell.before});
    return restore;
}

std::optional<TableRestore> GridHistory::Redo() {
    if (!CanRedo()) return std::nullopt;
    const Step& step = steps_[done_++];
    TableRestore restore{step.table, {}};
    restore.cells.reserve(step.cells.size());
    for (const WordChange& cell : step.cells) restore.cells.push_back({cell.row, cell.col, cell.after});
    return restore;
}

void GridHistory::Clear() {
    steps_.clear();
    done_ = 0;
}

}  // namespace vx42
