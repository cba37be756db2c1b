#pragma once
// The one undo and redo history of everything the user changes on the calibration shown.
// Every change to a table, one cell or a bulk operation, is one step holding each changed
// cell's stored word before and after; every other change (a gauge preset, an output's
// function or drive, settings copied from another calibration, a restore point taken back)
// is one step holding runs of bytes before and after. Undo gives back the words or bytes
// that were there before, which the window stores into the image and, while online, the
// module exactly as they were; redo does the same with those after. Every step carries the
// name of what it did, which the Edit menu shows ("Undo Preset SP-8000-E").
//
// The history keeps at most a fixed number of steps, dropping the oldest. It is cleared only
// when the image is replaced whole (retrieval, opening a file, a restore point), as its words
// then no longer describe the tables; a change of scaling or units leaves it, as its steps
// hold stored words and bytes, not shown values.

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
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

// The runs of bytes in which two images differ, as module addresses, each with its bytes
// in `before` and in `after`; runs closer than a few bytes are joined into one.
std::vector<ByteChange> ImageChanges(const CalImage& before, const CalImage& after);

// The names of the steps that are not table operations.
// A preset by its part number, or by its gauge name when it has none.
std::string PresetStepName(const std::string& partNumber, const std::string& gaugeName);
std::string FunctionStepName(const std::string& functionCaption);
std::string DriveStepName(bool offState, const std::string& driveCaption);
std::string RestoreStepName(const std::string& serial);
// A primary (reference 0) or secondary message chosen, by the name its list shows.
std::string MessageStepName(int reference, const std::string& messageName);
std::string CanSpeedStepName(unsigned kbits);
inline constexpr const char* kSetBreakpointsStep = "Set Breakpoints";

class GridHistory {
  public:
    static constexpr std::size_t kDefaultSteps = 100;

    explicit GridHistory(std::size_t maxSteps = kDefaultSteps);

    // Records one change named `name`. A change without cells records nothing. Recording
    // drops every step that could have been redone.
    void Record(const TableRef& table, std::vector<WordChange> cells, std::string name);
    // Records one change of byte runs the same way; runs without a change are left out.
    void RecordBytes(std::vector<ByteChange> runs, std::string name);

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
    // The Edit menu's captions: "Undo" or "Redo" followed by the name of the step they would
    // take back or do again; the bare word when there is none.
    std::string UndoCaption() const;
    std::string RedoCaption() const;
    void Clear();

  private:
    struct Step {
        TableRef table;
        std::vector<WordChange> cells;
        std::vector<ByteChange> runs;
        std::string name;
    };
    void Push(Step step);
    std::optional<TableRestore> Move(bool undo, const Holds& holds, Refusal* refusal);
    static TableRestore RestoreOf(const Step& step, bool after);

    std::size_t maxSteps_;
    std::deque<Step> steps_;  // oldest first; the first done_ of them are done
    std::size_t done_ = 0;
};

}  // namespace vx42
