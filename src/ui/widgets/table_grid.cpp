// An output table as a grid control.
#include "ui/widgets/table_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/qt/qt_text.h"
#include "calibration/grid/grid_clipboard.h"

namespace vx42 {

std::optional<GridKey> GridKeyOf(int qtKey, Qt::KeyboardModifiers modifiers) {
    GridKey key;
    key.ctrl = modifiers & Qt::ControlModifier;
    key.shift = modifiers & Qt::ShiftModifier;
    key.keypad = modifiers & Qt::KeypadModifier;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        key.code = 'A' + (qtKey - Qt::Key_A);
    else if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        key.code = '0' + (qtKey - Qt::Key_0);
    else {
        switch (qtKey) {
            case Qt::Key_Backspace:
                key.code = keys::kBackspace;
                break;
            case Qt::Key_Tab:
                key.code = keys::kTab;
                break;
            case Qt::Key_Backtab:
                key.code = keys::kTab;
                key.shift = true;
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                key.code = keys::kEnter;
                break;
            case Qt::Key_Shift:
                key.code = keys::kShift;
                break;
            case Qt::Key_Control:
                key.code = keys::kControl;
                break;
            case Qt::Key_Escape:
                key.code = keys::kEscape;
                break;
            case Qt::Key_Space:
                key.code = keys::kSpace;
                break;
            case Qt::Key_Up:
                key.code = keys::kUp;
                break;
            case Qt::Key_Down:
                key.code = keys::kDown;
                break;
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                key.code = keys::kPlus;
                break;
            case Qt::Key_Minus:
            case Qt::Key_Underscore:
                key.code = keys::kMinus;
                break;
            case Qt::Key_Period:
            case Qt::Key_Comma:
                if (qtKey == Qt::Key_Comma && !key.keypad) return std::nullopt;
                key.code = keys::kPeriod;
                break;
            default:
                return std::nullopt;
        }
    }
    return key;
}

TableGridWidget::TableGridWidget(TableGrid grid, Prompt& prompt, QWidget* parent)
    : QTableWidget(SizeOf(grid).rows, SizeOf(grid).cols, parent), grid_(grid), prompt_(prompt) {
    setObjectName(grid == TableGrid::Analog ? "mshAnalogTable" : "mshFreqTable");
    horizontalHeader()->setVisible(false);
    verticalHeader()->setVisible(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Tab leaves the table (arrow keys and Enter move inside it), so it never traps the focus.
    setTabKeyNavigation(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setMinimumSectionSize(8);

    const QBrush header = palette().button();
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            const bool fixed = r == 0 || (grid == TableGrid::Analog && c == 0);
            if (fixed) {
                item->setBackground(header);
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            }
            setItem(r, c, item);
        }
    }

    editor_ = new QLineEdit(viewport());
    editor_->setObjectName(grid == TableGrid::Analog ? "txtEdit" : "txtEditFreq");
    editor_->setAlignment(Qt::AlignCenter);
    editor_->setFrame(false);
    editor_->setStyleSheet("background: #fff8c0;");
    editor_->hide();
    editor_->installEventFilter(this);
    const int first = grid == TableGrid::Analog ? 1 : 0;
    setCurrentCell(1, first);
}

void TableGridWidget::setTable(const TableTexts& texts, const TableValues& values) {
    setTexts(texts);
    values_ = values;
}

void TableGridWidget::setTexts(const TableTexts& texts) {
    values_.clear();
    for (int r = 0; r < rowCount() && r < static_cast<int>(texts.size()); ++r)
        for (int c = 0; c < columnCount() && c < static_cast<int>(texts[r].size()); ++c)
            item(r, c)->setText(Q(texts[r][c]));
}

TableTexts TableGridWidget::texts() const {
    TableTexts out(rowCount(), std::vector<std::string>(columnCount()));
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c) out[r][c] = cellText(r, c);
    return out;
}

std::string TableGridWidget::cellText(int row, int col) const {
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text().toStdString() : std::string();
}

void TableGridWidget::setCellText(int row, int col, const std::string& text) {
    if (QTableWidgetItem* it = item(row, col)) it->setText(Q(text));
    if (row < static_cast<int>(values_.size()) && col < static_cast<int>(values_[row].size()))
        values_[row][col].reset();
}

void TableGridWidget::selectCells(int row, int col, int rowSel, int colSel) {
    clearSelection();
    setCurrentCell(row, col, QItemSelectionModel::NoUpdate);
    setRangeSelected(QTableWidgetSelectionRange(std::min(row, rowSel), std::min(col, colSel),
                                                std::max(row, rowSel), std::max(col, colSel)),
                     true);
}

GridModel TableGridWidget::model() const {
    GridModel m = grid_ == TableGrid::Analog ? GridModel::AnalogTable() : GridModel::FreqTable();
    const TableTexts t = texts();
    for (int r = 0; r < rowCount(); ++r) m.SetRow(r, t[r]);
    for (int r = 0; r < rowCount() && r < static_cast<int>(values_.size()); ++r)
        m.SetRowNumbers(r, values_[r]);
    const int row = std::max(0, currentRow());
    const int col = std::max(0, currentColumn());
    int rowSel = row, colSel = col;
    for (const QTableWidgetSelectionRange& range : selectedRanges()) {
        if (row < range.topRow() || row > range.bottomRow() || col < range.leftColumn() ||
            col > range.rightColumn())
            continue;
        // The active cell is one corner; the selection's other corner is opposite it.
        rowSel = row == range.topRow() ? range.bottomRow() : range.topRow();
        colSel = col == range.leftColumn() ? range.rightColumn() : range.leftColumn();
        break;
    }
    m.Select(row, col, rowSel, colSel);
    return m;
}

GridLimits TableGridWidget::limits(const CellRange& cells) const {
    if (limits_) return limits_(cells);
    return grid_ == TableGrid::Analog ? AnalogTableLimits() : FreqTableLimits(cells.top);
}

void TableGridWidget::showSelection(const GridModel& m) {
    selectCells(m.Row, m.Col, m.RowSel, m.ColSel);
}

void TableGridWidget::applyOutcome(const GridOutcome& outcome, const GridModel& m) {
    showSelection(m);
    if (outcome.changed && commitTable_) {
        commitTable_(outcome.cells, outcome.step);
        std::vector<std::string> notes;
        for (const CellChange& cell : outcome.cells) {
            if (!cell.value) continue;
            const GridLimits own = limits({cell.row, cell.col, cell.row, cell.col});
            if (auto note = LimitNote(*cell.value, own, cellText(cell.row, cell.col)))
                notes.push_back(std::move(*note));
        }
        if (!notes.empty() && note_) note_(LimitNotes(notes));
    }
    if (outcome.openEditor) openEditor(outcome.editorText);
}

void TableGridWidget::runKey(const GridKey& key) {
    commitEditor();
    GridModel m = model();
    const GridOutcome outcome = GridKeyDown(m, key, limits(m.Selection()), prompt_);
    applyOutcome(outcome, m);
}

void TableGridWidget::copySelection() {
    commitEditor();
    QApplication::clipboard()->setText(Q(CopySelectionText(model())));
}

void TableGridWidget::pasteClipboard() {
    commitEditor();
    GridModel m = model();
    const GridOutcome outcome =
        PasteSelectionText(m, QApplication::clipboard()->text().toStdString(), prompt_);
    applyOutcome(outcome, m);
}

void TableGridWidget::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    if (event->matches(QKeySequence::Copy)) return copySelection();
    if (event->matches(QKeySequence::Paste)) return pasteClipboard();
    if (ctrl && event->key() == Qt::Key_Z) return emit undoRequested();
    if (ctrl && event->key() == Qt::Key_Y) return emit redoRequested();
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (!ctrl) {
                QTableWidget::keyPressEvent(event);
                return;
            }
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            // Ctrl+Tab leaves the table as Tab does (plain Tab never reaches here).
            focusNextPrevChild(event->key() == Qt::Key_Tab && !(mods & Qt::ShiftModifier));
            return;
        default:
            break;
    }
    if (ctrl && event->key() == Qt::Key_A) {
        QTableWidget::keyPressEvent(event);
        return;
    }
    if (const auto key = GridKeyOf(event->key(), mods)) runKey(*key);
    event->accept();
}

void TableGridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) return;
    commitEditor();
    selectCells(index.row(), index.column());
    GridModel m = model();
    applyOutcome(GridDoubleClick(m, prompt_), m);
}

void TableGridWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        setFocus(Qt::MouseFocusReason);
        emit menuRequested(event->globalPosition().toPoint());
        return;
    }
    QTableWidget::mousePressEvent(event);
}

void TableGridWidget::openEditor(const std::string& text) {
    editRow_ = currentRow();
    editCol_ = currentColumn();
    editor_->setGeometry(visualRect(currentIndex()));
    editor_->setText(Q(text));
    editor_->show();
    editor_->setFocus();
    editor_->setCursorPosition(static_cast<int>(editor_->text().size()));
}

void TableGridWidget::closeEditor() {
    editRow_ = editCol_ = -1;
    committing_ = true;
    // The table takes the focus before the editor goes, so the focus does not move on.
    if (editor_->hasFocus()) setFocus();
    editor_->hide();
    committing_ = false;
}

void TableGridWidget::commitEditor() {
    if (!editor_->isVisible() || committing_ || editRow_ < 0) return;
    committing_ = true;
    const int row = editRow_, col = editCol_;
    const std::string typed = editor_->text().toStdString();
    editRow_ = editCol_ = -1;
    if (editor_->hasFocus()) setFocus();
    editor_->hide();
    // Enter and leaving the cell read the text the same way; a text that is no number is
    // refused and the cell keeps what it stored.
    const GridLimits own = limits({row, col, row, col});
    const auto text = NormaliseEditorText(typed, own);
    if (!text)
        RefuseNotANumber(prompt_, typed);
    else if (commitCell_) {
        // The page shows the table again with exact values; a text it did not show is set.
        const std::string shown = commitCell_(row, col, *text);
        if (shown != cellText(row, col)) setCellText(row, col, shown);
        if (const auto value = ReadCellNumber(typed); value && note_)
            if (const auto note = LimitNote(*value, own, shown)) note_(*note);
    }
    committing_ = false;
}

bool TableGridWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_) return QTableWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // Leaving the cell commits it; another window or a pop-up taking the focus does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) commitEditor();
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int code = 0;
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            code = keys::kEnter;
            break;
        case Qt::Key_Escape:
            code = keys::kEscape;
            break;
        case Qt::Key_Up:
            code = keys::kUp;
            break;
        case Qt::Key_Down:
            code = keys::kDown;
            break;
        default:
            return false;
    }
    GridModel m = model();
    m.Select(editRow_, editCol_);
    std::string text = editor_->text().toStdString();
    switch (EditorKeyDown(m, code, text, limits({editRow_, editCol_, editRow_, editCol_}))) {
        case EditorAction::Store:  // the commit normalises the text as typed, and notes a limit
            commitEditor();
            setFocus();
            break;
        case EditorAction::Refuse:  // the commit shows why and keeps the stored value
            commitEditor();
            setFocus();
            break;
        case EditorAction::Cancel:
            closeEditor();
            setFocus();
            break;
        case EditorAction::ToTable:
            commitEditor();
            setFocus();
            selectCells(m.Row, m.Col);
            break;
        case EditorAction::None:
            return false;
    }
    return true;
}

int TableGridWidget::fixedHeight() const {
    return rowCount() * verticalHeader()->defaultSectionSize() + 2 * frameWidth();
}

QSize TableGridWidget::sizeHint() const {
    return {columnCount() * fontMetrics().horizontalAdvance("00000.0"), fixedHeight()};
}

QSize TableGridWidget::minimumSizeHint() const {
    return {columnCount() * fontMetrics().horizontalAdvance("0000.0"), fixedHeight()};
}

void TableGridWidget::sizeColumns() {
    const int first =
        grid_ == TableGrid::Analog ? fontMetrics().horizontalAdvance("00.00") + 16 : 0;
    const std::vector<int> widths = SizeGridColumns(viewport()->width(), columnCount(), first);
    for (int c = 0; c < columnCount() && c < static_cast<int>(widths.size()); ++c)
        setColumnWidth(c, widths[c]);
}

void TableGridWidget::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    setFixedHeight(fixedHeight());
    sizeColumns();
    if (editor_->isVisible() && editRow_ >= 0)
        editor_->setGeometry(visualRect(indexFromItem(item(editRow_, editCol_))));
}

}  // namespace vx42
