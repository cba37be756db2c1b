#pragma once
// The undo and redo history of the output tables and of settings copied from another
// calibration. Every change to a table, one cell or a bulk operation, is one step holding
// each changed cell's stored word before and after; a copy is one step holding runs of
// bytes before and after, across outputs and module-wide settings. Undo gives back the
// words or bytes that were there before, which the window stores into the image and,
// while online, the module exactly as they were; redo does the same with those after.
//
// The history keeps at most a fixed number of steps, dropping the oldest. It must be
// cleared whenever the image is replaced whole (retrieval, opening a file), as its words
// then no longer describe the tables.

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "calibration/edit_target.h"

namespace vx42 {

enum class TableKind { Analog, Frequency };

// Which table of which output a step belongs to.
struct TableRef {
    int output = 0;  // 0 to 3
    TableKind kind = TableKind::Analog;
    bool operator==(const TableRef&) const = default;
};

// One cell's stored word before and after a change.
struct WordChange {
    int row = 0;
    int col = 0;
    unsigned before = 0;
    unsigned after = 0;
    bool operator==(const WordChange&) const = default;
};

// One cell's stored word.
struct CellWord {
    int row = 0;
    int col = 0;
    unsigned word = 0;
    bool operator==(const CellWord&) const = default;
};

// The words to store again after an undo or a redo; for a step of byte runs, the runs to
// store instead (no cells then).
struct TableRestore {
    TableRef table;
    std::vector<CellWord> cells;
    std::vector<BytesAt> bytes;
};

class GridHistory {
  public:
    static constexpr std::size_t kDefaultSteps = 100;

    explicit GridHistory(std::size_t maxSteps = kDefaultSteps);

    // Records one change. A change without cells records nothing. Recording drops every
    // step that could have been redone.
    void Record(const TableRef& table, std::vector<WordChange> cells);
    // Records one change of byte runs the same way; runs without a change are left out.
    void RecordBytes(std::vector<ByteChange> runs);

    // Whether the image holds the words or bytes given (for an undo, what the step left; for
    // a redo, what it found).
    using Holds = std::function<bool(const TableRestore& expected)>;
    // Why an undo or redo did nothing.
    enum class Refusal { None, NothingToDo, ChangedSince };

    // The words before the most recent step, which moves to the redo side. Nothing when there
    // is nothing to undo, or when the step's cells no longer hold what the step left (they
    // were changed since by another path; `refusal` says which).
    // Without `holds` nothing is checked (the history alone, in its own tests).
    std::optional<TableRestore> Undo(const Holds& holds = {}, Refusal* refusal = nullptr);
    // The words after the most recently undone step, only while its cells hold what the undo
    // put back.
    std::optional<TableRestore> Redo(const Holds& holds = {}, Refusal* refusal = nullptr);

    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }
    std::size_t UndoCount() const { return done_; }
    std::size_t RedoCount() const { return steps_.size() - done_; }
    std::size_t MaxSteps() const { return maxSteps_; }
    void Clear();

  private:
    struct Step {
        TableRef table;
        std::vector<WordChange> cells;
        std::vector<ByteChange> runs;
    };
    void Push(Step step);
    std::optional<TableRestore> Move(bool undo, const Holds& holds, Refusal* refusal);
    static TableRestore RestoreOf(const Step& step, bool after);

    std::size_t maxSteps_;
    std::deque<Step> steps_;  // oldest first; the first done_ of them are done
    std::size_t done_ = 0;
};

}  // namespace vx42
