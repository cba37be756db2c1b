// The undo and redo history of the output tables and of settings copied in.
#include "calibration/grid/grid_history.h"

#include <algorithm>

namespace vx42 {

GridHistory::GridHistory(std::size_t maxSteps) : maxSteps_(std::max<std::size_t>(maxSteps, 1)) {}

void GridHistory::Push(Step step) {
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    steps_.push_back(std::move(step));
    if (steps_.size() > maxSteps_) steps_.pop_front();
    done_ = steps_.size();
}

void GridHistory::Record(const TableRef& table, std::vector<WordChange> cells) {
    if (cells.empty()) return;
    Push({table, std::move(cells), {}});
}

void GridHistory::RecordBytes(std::vector<ByteChange> runs) {
    std::erase_if(runs, [](const ByteChange& run) { return run.before == run.after; });
    if (runs.empty()) return;
    Push({{}, {}, std::move(runs)});
}

TableRestore GridHistory::RestoreOf(const Step& step, bool after) {
    TableRestore restore{step.table, {}, {}};
    restore.cells.reserve(step.cells.size());
    for (const WordChange& cell : step.cells)
        restore.cells.push_back({cell.row, cell.col, after ? cell.after : cell.before});
    // Undone in the reverse order, so a run written twice ends as it first was.
    if (after)
        for (const ByteChange& run : step.runs) restore.bytes.push_back({run.address, run.after});
    else
        for (auto run = step.runs.rbegin(); run != step.runs.rend(); ++run)
            restore.bytes.push_back({run->address, run->before});
    return restore;
}

std::optional<TableRestore> GridHistory::Move(bool undo, const Holds& holds, Refusal* refusal) {
    if (refusal) *refusal = Refusal::NothingToDo;
    if (undo ? !CanUndo() : !CanRedo()) return std::nullopt;
    const Step& step = steps_[undo ? done_ - 1 : done_];
    // The state the step must find: an undo what the step left, a redo what it undid to.
    if (holds && !holds(RestoreOf(step, undo))) {
        if (refusal) *refusal = Refusal::ChangedSince;
        return std::nullopt;
    }
    if (refusal) *refusal = Refusal::None;
    undo ? --done_ : ++done_;
    return RestoreOf(step, !undo);
}

std::optional<TableRestore> GridHistory::Undo(const Holds& holds, Refusal* refusal) {
    return Move(true, holds, refusal);
}

std::optional<TableRestore> GridHistory::Redo(const Holds& holds, Refusal* refusal) {
    return Move(false, holds, refusal);
}

void GridHistory::Clear() {
    steps_.clear();
    done_ = 0;
}

}  // namespace vx42
