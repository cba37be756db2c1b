#pragma once
// An output table as a grid control: every cell (the header row and column included) shows
// text; the keyboard and mouse run the table editing operations on a plain grid model, and
// the in-place editor commits one cell on Enter, on leaving the cell or on Up/Down. What a
// cell's text stores is the page's business, reached through the two callbacks.

#include <QLineEdit>
#include <QTableWidget>
#include <functional>
#include <string>

#include "base/prompt.h"
#include "calibration/grid/grid_model.h"
#include "calibration/grid/grid_ops.h"
#include "calibration/outputs/output_tables.h"

namespace vx42 {

// The code and modifiers of a Qt key as the table operations know them; nothing when the
// operations do not know the key.
std::optional<GridKey> GridKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);

class TableGridWidget : public QTableWidget {
    Q_OBJECT
  public:
    // A committed cell: the text typed for (row, col); returns the text the cell shows now.
    using CommitCell = std::function<std::string(int row, int col, const std::string& text)>;
    // An operation changed cells: exactly these, each with the number the operation left in
    // it; the page stores them and shows the table again.
    // `step` names the operation for its undo step.
    using CommitTable =
        std::function<void(const std::vector<CellChange>& cells, const std::string& step)>;
    // The limits of an operation on the selected cells.
    using Limits = std::function<GridLimits(const CellRange& cells)>;
    // What was stored where a typed, pasted or set value was brought to a cell's limit.
    using Note = std::function<void(const std::string& text)>;

    TableGridWidget(TableGrid grid, Prompt& prompt, QWidget* parent = nullptr);

    TableGrid grid() const { return grid_; }
    QLineEdit* editor() const { return editor_; }

    void setCommitCell(CommitCell commit) { commitCell_ = std::move(commit); }
    void setCommitTable(CommitTable commit) { commitTable_ = std::move(commit); }
    void setLimits(Limits limits) { limits_ = std::move(limits); }
    void setNote(Note note) { note_ = std::move(note); }

    // Shows the cells' texts and keeps their exact values, which operations compute from.
    void setTable(const TableTexts& texts, const TableValues& values);
    void setTexts(const TableTexts& texts);
    TableTexts texts() const;
    std::string cellText(int row, int col) const;
    void setCellText(int row, int col, const std::string& text);

    // The active cell (row, col) and the opposite corner of the selection.
    void selectCells(int row, int col, int rowSel, int colSel);
    void selectCells(int row, int col) { selectCells(row, col, row, col); }
    // The table as a grid model: texts, active cell and selection.
    GridModel model() const;

    // The limits of an operation on the given cells: the page's, or else the analog table's
    // or the frequency table's by the first cell's row.
    GridLimits limits(const CellRange& cells) const;

    // The operations, as the keys and the right-click menu run them.
    void runKey(const GridKey& key);
    void copySelection();
    void pasteClipboard();
    // Commits an open editor (as leaving the cell does); nothing when none is open.
    void commitEditor();
    bool editorOpen() const { return editor_->isVisible(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    void undoRequested();
    void redoRequested();
    // The right mouse button went down on the table (after it took the focus).
    void menuRequested(const QPoint& globalPos);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void openEditor(const std::string& text);
    void closeEditor();
    void applyOutcome(const GridOutcome& outcome, const GridModel& m);
    void showSelection(const GridModel& m);
    void sizeColumns();
    int fixedHeight() const;

    TableGrid grid_;
    Prompt& prompt_;
    QLineEdit* editor_;
    int editRow_ = -1;
    int editCol_ = -1;
    bool committing_ = false;
    CommitCell commitCell_;
    CommitTable commitTable_;
    Limits limits_;
    Note note_;
    TableValues values_;
};

}  // namespace vx42
