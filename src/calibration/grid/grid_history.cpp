// The undo and redo history of the output tables and of settings copied in.
#include "calibration/grid/grid_history.h"

#include <algorithm>

namespace vx42 {

std::vector<ByteChange> ImageChanges(const CalImage& before, const CalImage& after) {
    // Bytes alike between two changed ones join the run when there are at most this many:
    // fewer, longer runs are as cheap to keep and to write.
    constexpr int kJoin = 4;
    std::vector<ByteChange> runs;
    int first = -1, last = -1;
    auto close = [&] {
        if (first < 0) return;
        runs.push_back({kCalBaseAddress + first, before.CopyFromImage(first, last - first),
                        after.CopyFromImage(first, last - first)});
        first = -1;
    };
    for (int i = 0; i < CalImage::size(); ++i) {
        if (before[i] == after[i]) continue;
        if (first >= 0 && i - last > kJoin + 1) close();
        if (first < 0) first = i;
        last = i;
    }
    close();
    return runs;
}

std::string PresetStepName(const std::string& partNumber, const std::string& gaugeName) {
    return "Preset " + (partNumber.empty() ? gaugeName : partNumber);
}

std::string FunctionStepName(const std::string& functionCaption) {
    return "Function " + functionCaption;
}

std::string DriveStepName(bool offState, const std::string& driveCaption) {
    return std::string(offState ? "Off State " : "On State ") + driveCaption;
}

std::string RestoreStepName(const std::string& serial) {
    return "Restore Point " + serial;
}

std::string MessageStepName(int reference, const std::string& messageName) {
    return std::string(reference == 0 ? "Primary" : "Secondary") + " Message " + messageName;
}

std::string CanSpeedStepName(unsigned kbits) {
    return "CAN Speed " + std::to_string(kbits) + " kbit/s";
}

GridHistory::GridHistory(std::size_t maxSteps) : maxSteps_(std::max<std::size_t>(maxSteps, 1)) {}

void GridHistory::Push(Step step) {
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    steps_.push_back(std::move(step));
    if (steps_.size() > maxSteps_) steps_.pop_front();
    done_ = steps_.size();
}

void GridHistory::Record(const TableRef& table, std::vector<WordChange> cells, std::string name) {
    if (cells.empty()) return;
    Push({table, std::move(cells), {}, std::move(name)});
}

void GridHistory::RecordBytes(std::vector<ByteChange> runs, std::string name) {
    std::erase_if(runs, [](const ByteChange& run) { return run.before == run.after; });
    if (runs.empty()) return;
    Push({{}, {}, std::move(runs), std::move(name)});
}

namespace {

std::string Caption(const char* verb, const std::string& name) {
    return name.empty() ? verb : std::string(verb) + " " + name;
}

}  // namespace

std::string GridHistory::UndoCaption() const {
    return Caption("Undo", CanUndo() ? steps_[done_ - 1].name : std::string());
}

std::string GridHistory::RedoCaption() const {
    return Caption("Redo", CanRedo() ? steps_[done_].name : std::string());
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
