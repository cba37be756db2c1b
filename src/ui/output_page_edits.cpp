// The output page's handlers: function and drive, data
// sources, the tables and their commands, live gauge calibration.
#include "ui/output_page.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "calibration/outputs/output_settings.h"
#include "files/gauge_presets.h"
#include "ui/entry_box.h"
#include "ui/frm_main.h"
#include "ui/output_frame_support.h"
#include "ui/output_live_calibration.h"
#include "ui/table_grid.h"

namespace vx42 {
namespace {

TableKind KindOf(TableGrid grid) {
    return grid == TableGrid::Analog ? TableKind::Analog : TableKind::Frequency;
}
TableGrid GridOfKind(TableKind kind) {
    return kind == TableKind::Analog ? TableGrid::Analog : TableGrid::Freq;
}

}  // namespace
using namespace output_frames;

// ---------------------------------------------------------------------------------------
// Function and drive

void OutputPage::FunctionClicked(int index) {
    if (!ctx_.screenLoaded) return;
    StopLiveCalibration();  // the gauge it drove is no longer this output's function
    main_.SettleLink();
    ctx_.Edit([index](const OutputEdit& out) { SelectFunction(out, static_cast<OutputFunction>(index)); });
    ctx_.history.Clear();
    UpdateEditActions();
    LoadScreen();
}

void OutputPage::DriveClicked(bool offGroup, int index) {
    if (!ctx_.screenLoaded) return;
    main_.SettleLink();
    auto checked = [](const std::array<QRadioButton*, 3>& group) {
        for (int k = 0; k < 3; ++k)
            if (group[k]->isChecked() && group[k]) return static_cast<Drive>(k);
        return Drive::Open;
    };
    DriveStates states{};
    ctx_.Edit([&](const OutputEdit& out) {
        states = offGroup ? StoreDriveOff(out, static_cast<Drive>(index), checked(optOn))
                          : StoreDriveOn(out, static_cast<Drive>(index), checked(optOff));
    });
    optOff[static_cast<int>(states.off)]->setChecked(true);
    optOn[static_cast<int>(states.on)]->setChecked(true);
    FollowPreset();
}

// ---------------------------------------------------------------------------------------
// Library and message lists

void OutputPage::LibraryClicked(int i, int position) {
    if (ctx_.listFilling) return;
    messages_.ChooseLibrary(i, position);
    FillMessageList(i);
    if (position == 0) MessageClicked(i, 0);
    main_.UpdateTitle();
}

void OutputPage::MessageClicked(int i, int position) {
    if (!ctx_.screenLoaded || ctx_.listFilling) return;
    WaitCursor wait;
    main_.SettleLink();
    messages_.ChooseMessage(i, position);
    ctx_.Edit([&](const OutputEdit& out) { messages_.StoreSelection(out.edit, ctx_.output, i); });
    main_.link().post([this] { main_.module().WriteMarkerCBE0(); });
    ctx_.history.Clear();  // the breakpoints may now be shown in another scale
    UpdateEditActions();
    LoadScreen();
}

// ---------------------------------------------------------------------------------------
// Tables

TableGridWidget* OutputPage::GridOf(TableGrid grid) const {
    return grid == TableGrid::Analog ? mshAnalogTable : mshFreqTable;
}

std::string OutputPage::CommitCell(TableGrid grid, int row, int col, const std::string& text) {
    const auto before = TableCellWord(ctx_.Scope(), grid, row, col);
    std::optional<std::string> shown;
    ctx_.Edit([&](const OutputEdit& out) { shown = CommitTableCell(out, grid, row, col, text); });
    const auto after = TableCellWord(ctx_.Scope(), grid, row, col);
    if (before && after && *before != *after)
        ctx_.history.Record({ctx_.output, KindOf(grid)}, {{row, col, *before, *after}});
    ShowTables();
    UpdateEditActions();
    FollowPreset();
    return shown.value_or(GridOf(grid)->cellText(row, col));
}

void OutputPage::CommitTable(TableGrid grid, const std::vector<CellChange>& cells) {
    std::vector<CellValue> values;
    for (const CellChange& cell : cells)
        if (cell.value) values.push_back({cell.row, cell.col, *cell.value});
    main_.SettleLink();
    std::vector<WordChange> changes;
    {
        WaitCursor wait;
        ctx_.Edit([&](const OutputEdit& out) { changes = StoreTableValues(out, grid, values); });
    }
    ctx_.history.Record({ctx_.output, KindOf(grid)}, std::move(changes));
    ShowTables();
    UpdateEditActions();
    FollowPreset();
}

void OutputPage::RestoreCells(const TableRestore& restore) {
    if (restore.table.output != ctx_.output) {
        // The change belongs to another output: show its tab first.
        main_.TabStrip->setCurrentIndex(restore.table.output);
        if (ctx_.output != restore.table.output) SelectOutput(restore.table.output);
    }
    const TableGrid grid = GridOfKind(restore.table.kind);
    main_.SettleLink();
    ctx_.Edit([&](const OutputEdit& out) {
        TableCellBatch batch(out, grid);
        for (const CellWord& cell : restore.cells) batch.StoreWord(cell.row, cell.col, cell.word);
        batch.Finish();
    });
    ShowTables();
    FollowPreset();
    UpdateEditActions();
}

void OutputPage::Undo() {
    CommitPendingEdit();
    if (auto restore = ctx_.history.Undo()) RestoreCells(*restore);
}

void OutputPage::Redo() {
    CommitPendingEdit();
    if (auto restore = ctx_.history.Redo()) RestoreCells(*restore);
}

void OutputPage::UpdateEditActions() {
    if (mEditUndo) mEditUndo->setEnabled(ctx_.history.CanUndo());
    if (mEditRedo) mEditRedo->setEnabled(ctx_.history.CanRedo());
}

TableGridWidget* OutputPage::MenuTarget() const {
    if (menuTarget_) return menuTarget_;
    for (TableGridWidget* grid : {mshAnalogTable, mshFreqTable})
        if (grid->hasFocus()) return grid;
    return nullptr;
}

void OutputPage::CopyFocused() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* grid = qobject_cast<TableGridWidget*>(focus)) return grid->copySelection();
    if (auto* box = qobject_cast<QLineEdit*>(focus)) {
        // Nothing selected copies nothing: the clipboard is cleared, not left holding
        // something older.
        if (box->hasSelectedText()) box->copy();
        else QApplication::clipboard()->clear();
    }
}

void OutputPage::PasteFocused() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* grid = qobject_cast<TableGridWidget*>(focus)) return grid->pasteClipboard();
    if (auto* box = qobject_cast<QLineEdit*>(focus)) box->paste();
}

// ---------------------------------------------------------------------------------------
// Pending edits and live gauge calibration

void OutputPage::StopLiveCalibration() { live_->Stop(); }

void OutputPage::CommitPendingEdit() {
    for (TableGridWidget* grid : {mshAnalogTable, mshFreqTable}) grid->commitEditor();
}

}  // namespace vx42
