#pragma once
// The undo and redo history of the output tables. Every change to a table, one cell or a
// bulk operation, is one step holding each changed cell's stored word before and after.
// Undo gives back the words that were there before, which the window stores into the
// image and, while online, the module exactly as they were; redo does the same with the
// words after the change.
//
// The history keeps at most a fixed number of steps, dropping the oldest. It must be
// cleared whenever the image is replaced whole (retrieval, opening a file), as its words
// then no longer describe the tables.

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>


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

// The words to store again after an undo or a redo.
struct TableRestore {
    TableRef table;
    std::vector<CellWord> cells;
};

class GridHistory {
  public:
    static constexpr std::size_t kDefaultSteps = 100;

    explicit GridHistory(std::size_t maxSteps = kDefaultSteps);

    // Records one change. A change without cells records nothing. Recording drops every
    // step that could have been redone.
    void Record(const TableRef& table, std::vector<WordChange> cells);

    // The words before the most recent step, which moves to the redo side; nothing when
    // there is nothing to undo.
    std::optional<TableRestore> Undo();
    // The words after the most recently undone step; nothing when there is nothing to redo.
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
        std::vector<WordChange> cells;
    };

    std::size_t maxSteps_;
    std::deque<Step> steps_;  // oldest first; the first done_ of them are done
    std::size_t done_ = 0;
};

}  // namespace vx42
