// The tables of an output tab.
#include "ui/output/output_tables_frame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "calibration/outputs/output_settings.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/calibration_assistant.h"
#include "ui/output/output_context.h"
#include "ui/output/output_frame_support.h"
#include "ui/output/output_live_calibration.h"
#include "ui/output/output_messages.h"
#include "ui/widgets/table_grid.h"
#include "ui/widgets/table_plot.h"

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
// Building

QGroupBox* OutputTables::Build(TableGrid grid, QWidget* parent, QGroupBox* gaugeCal) {
    const bool analog = grid == TableGrid::Analog;
    auto* frame =
        Named(new QGroupBox(analog ? "Analog Gauge Table" : "Speedo/Tach Gauge Table", parent),
              analog ? "fraTable" : "fraFreqTable");
    // The table with its commands below it, and its plot beside it.
    auto* beside = Tight(new QHBoxLayout(frame));
    auto* v = new QVBoxLayout;
    const int k = analog ? 0 : 1;
    c_.lblDataStat[k] = Named(Caption(kUnformattedCaption, frame), Indexed("lblDataStat", k));
    v->addWidget(c_.lblDataStat[k]);
    auto* table = new TableGridWidget(grid, ctx_.main.app().prompt, frame);
    NameControl(table, frame->title());
    NameControl(table->editor(), frame->title() + " Cell");
    v->addWidget(table);
    auto* side = new QHBoxLayout;
    auto* setButton =
        Named(new QPushButton(kSetBreakpointsCaption, frame), Indexed("cmdSetBreakpoints", k));
    setButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    cmdAssistant_[k] =
        Named(new QPushButton(kAssistantCaption, frame), Indexed("cmdCalibrateAssistant", k));
    cmdAssistant_[k]->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* commands = new QVBoxLayout;
    commands->addWidget(setButton);
    commands->addWidget(cmdAssistant_[k]);
    side->addLayout(commands);
    auto* plot = Named(new TablePlot(frame), analog ? "plotAnalogTable" : "plotFreqTable");
    if (analog) {
        c_.fraTable = frame;
        c_.mshAnalogTable = table;
        c_.plotAnalogTable = plot;
        c_.cmdSetBreakpoints = setButton;
        gaugeSide = side;
        side->addWidget(gaugeCal);
    } else {
        c_.fraFreqTable = frame;
        c_.mshFreqTable = table;
        c_.plotFreqTable = plot;
        c_.cmdSetBreakpointsFreq = setButton;
        side->addWidget(live_.Build(LiveGauge::Frequency, frame).frame);
    }
    side->addStretch(1);
    v->addLayout(side);
    v->addStretch(1);
    beside->addLayout(v, 3);
    beside->addWidget(plot, 2);
    return frame;
}

void OutputTables::BuildMenu() {
    c_.mEditFlexGrid = Named(new QMenu("EditFlexGrid", &ctx_.page), "mEditFlexGrid");
    auto entry = [this](const char* name, const char* caption, const char* shortcut,
                        std::function<void(TableGridWidget&)> run) {
        QAction* a = c_.mEditFlexGrid->addAction(caption);
        a->setObjectName(name);
        if (shortcut) {
            a->setShortcut(QKeySequence(shortcut));
            a->setShortcutVisibleInContextMenu(true);
            a->setShortcutContext(Qt::WidgetShortcut);  // the tables' own keys run it
        }
        QObject::connect(a, &QAction::triggered, &ctx_.page, [this, a, run] {
            ctx_.Handler(a, "Click", [this, run] {
                if (TableGridWidget* grid = MenuTarget()) run(*grid);
            });
        });
        return a;
    };
    auto key = [](GridKey k) { return [k](TableGridWidget& g) { g.runKey(k); }; };
    c_.mEditFlexCopy =
        entry("mEditFlexCopy", "Copy", nullptr, [](TableGridWidget& g) { g.copySelection(); });
    c_.mEditFlexPaste =
        entry("mEditFlexPaste", "Paste", nullptr, [](TableGridWidget& g) { g.pasteClipboard(); });
    c_.mEditFlexGrid->addSeparator();
    c_.mEditFlexLinearize =
        entry("mEditFlexLinearize", "Linearize", "Ctrl+L", key(GridKey::Ctrl('L')));
    c_.mEditFlexLinearInterpolation = entry("mEditFlexLinearInterpolation", "Linear In&terpolation",
                                            "Ctrl+T", key(GridKey::Ctrl('T')));
    c_.mEditFlexPercent =
        entry("mEditFlexPercent", "Percent add/subtract", "Ctrl+P", key(GridKey::Ctrl('P')));
    c_.mEditFlexGrid->addSeparator();
    c_.mEditFlexIncrease1 =
        entry("mEditFlexIncrease1", "Increase 1", nullptr, key(GridKey::Ctrl(keys::kPlus)));
    c_.mEditFlexDecrease1 =
        entry("mEditFlexDecrease1", "Decrease 1", nullptr, key(GridKey::Ctrl(keys::kMinus)));
    c_.mEditFlexIncreaseDecrease =
        entry("mEditFlexIncreaseDecrease", "&Increase/Decrease", "Ctrl+I", key(GridKey::Ctrl('I')));
    c_.mEditFlexSetTo = entry("mEditFlexSetTo", "Set to...", nullptr, key(GridKey::Ctrl('J')));

    // Undo and redo of the tables in the window's Edit menu, before Copy and Paste.
    QMenu* edit = ctx_.main.mEdit;
    c_.mEditUndo = new QAction("&Undo", edit);
    c_.mEditUndo->setObjectName("mEditUndo");
    c_.mEditUndo->setShortcut(QKeySequence("Ctrl+Z"));
    c_.mEditRedo = new QAction("&Redo", edit);
    c_.mEditRedo->setObjectName("mEditRedo");
    c_.mEditRedo->setShortcut(QKeySequence("Ctrl+Y"));
    if (edit) {
        QAction* first = edit->actions().isEmpty() ? nullptr : edit->actions().first();
        edit->insertAction(first, c_.mEditUndo);
        edit->insertAction(first, c_.mEditRedo);
        edit->insertSeparator(first);
    }
    QObject::connect(c_.mEditUndo, &QAction::triggered, &ctx_.page,
                     [this] { ctx_.Handler(c_.mEditUndo, "Click", [this] { Undo(); }); });
    QObject::connect(c_.mEditRedo, &QAction::triggered, &ctx_.page,
                     [this] { ctx_.Handler(c_.mEditRedo, "Click", [this] { Redo(); }); });
    if (ctx_.main.mEditCopy)
        QObject::connect(ctx_.main.mEditCopy, &QAction::triggered, &ctx_.page, [this] {
            ctx_.Handler(ctx_.main.mEditCopy, "Click", [this] { CopyFocused(); });
        });
    if (ctx_.main.mEditPaste)
        QObject::connect(ctx_.main.mEditPaste, &QAction::triggered, &ctx_.page, [this] {
            ctx_.Handler(ctx_.main.mEditPaste, "Click", [this] { PasteFocused(); });
        });
    UpdateEditActions();
}

void OutputTables::Connect() {
    for (QPushButton* button : {c_.cmdSetBreakpoints, c_.cmdSetBreakpointsFreq})
        QObject::connect(button, &QPushButton::clicked, &ctx_.page, [this, button] {
            ctx_.Handler(button, "Click", [this] {
                ctx_.main.SettleLink();
                bool stored = false;
                ctx_.EditStep(kSetBreakpointsStep, [&](const OutputEdit& out) {
                    stored = SetBreakpointsToMessageRange(out, messages_.PrimaryBitLength(),
                                                          ctx_.main.app().prompt);
                });
                if (!stored) return;
                ctx_.ShowTables();
                ctx_.ShowCaptions(CanDataCaptionsOf(ctx_.Scope()));
                ctx_.FollowPreset();
            });
        });

    for (QPushButton* button : cmdAssistant_)
        QObject::connect(button, &QPushButton::clicked, &ctx_.page, [this, button] {
            ctx_.Handler(button, "Click", [this, button] {
                OpenAssistant(button == cmdAssistant_[0] ? TableGrid::Analog : TableGrid::Freq);
            });
        });

    for (TableGridWidget* grid : {c_.mshAnalogTable, c_.mshFreqTable}) {
        const TableGrid kind = grid->grid();
        grid->setCommitCell([this, grid, kind](int row, int col, const std::string& text) {
            std::string shown = grid->cellText(row, col);
            ctx_.Handler(grid->editor(), "KeyDown",
                         [&] { shown = CommitCell(kind, row, col, text); });
            return shown;
        });
        grid->setCommitTable(
            [this, grid, kind](const std::vector<CellChange>& cells, const std::string& step) {
                ctx_.Handler(grid, "KeyDown", [&] { CommitTable(kind, cells, step); });
            });
        grid->setLimits([this, kind](const CellRange& cells) {
            const OutputScope out = ctx_.Scope();
            const DataRange range =
                TableLimits(out, kind, cells.top, cells.left, cells.bottom, cells.right);
            return GridLimits{range.minimum, range.maximum,
                              TableCellUnit(out, kind, cells.top, cells.left)};
        });
        grid->setNote([this](const std::string& text) { ctx_.main.ShowNote(text); });
        QObject::connect(grid, &TableGridWidget::undoRequested, &ctx_.page,
                         [this, grid] { ctx_.Handler(grid, "KeyDown", [this] { Undo(); }); });
        QObject::connect(grid, &TableGridWidget::redoRequested, &ctx_.page,
                         [this, grid] { ctx_.Handler(grid, "KeyDown", [this] { Redo(); }); });
        QObject::connect(grid, &TableGridWidget::menuRequested, &ctx_.page,
                         [this, grid](const QPoint& at) {
                             ctx_.Handler(grid, "MouseDown", [this, grid, at] {
                                 menuTarget_ = grid;
                                 c_.mEditFlexGrid->popup(at);
                             });
                         });
    }

    // A calibration replaced whole leaves nothing the steps could be taken back to.
    QObject::connect(&ctx_.main, &FrmMain::imageReplaced, &ctx_.page, [this] {
        const bool hadSteps = ctx_.history.CanUndo() || ctx_.history.CanRedo();
        ctx_.history.Clear();
        UpdateEditActions();
        if (hadSteps)
            ctx_.main.ShowNote(
                "A new calibration was loaded: earlier changes can no longer be "
                "undone.");
    });
}

// ---------------------------------------------------------------------------------------
// Showing

void OutputTables::Show(const OutputView& v) {
    c_.mshAnalogTable->setTable(v.analogTable, GetTableValues(ctx_.Scope(), TableGrid::Analog));
    c_.mshFreqTable->setTable(v.freqTable, GetTableValues(ctx_.Scope(), TableGrid::Freq));
    c_.plotAnalogTable->setTable(TablePlotOf(ctx_.Scope(), TableGrid::Analog));
    c_.plotFreqTable->setTable(TablePlotOf(ctx_.Scope(), TableGrid::Freq));
}

void OutputTables::ShowTables() {
    const OutputScope out = ctx_.Scope();
    const TableTexts analog = GetTableTexts(out, TableGrid::Analog);
    const TableTexts freq = GetTableTexts(out, TableGrid::Freq);
    c_.mshAnalogTable->setTable(analog, GetTableValues(out, TableGrid::Analog));
    c_.mshFreqTable->setTable(freq, GetTableValues(out, TableGrid::Freq));
    c_.plotAnalogTable->setTable(TablePlotOf(out, TableGrid::Analog));
    c_.plotFreqTable->setTable(TablePlotOf(out, TableGrid::Freq));
}

// ---------------------------------------------------------------------------------------
// Commits, undo and redo, copy and paste

TableGridWidget* OutputTables::GridOf(TableGrid grid) const {
    return grid == TableGrid::Analog ? c_.mshAnalogTable : c_.mshFreqTable;
}

std::string OutputTables::CommitCell(TableGrid grid, int row, int col, const std::string& text) {
    const auto before = TableCellWord(ctx_.Scope(), grid, row, col);
    std::optional<std::string> shown;
    ctx_.Edit([&](const OutputEdit& out) { shown = CommitTableCell(out, grid, row, col, text); });
    const auto after = TableCellWord(ctx_.Scope(), grid, row, col);
    if (before && after && *before != *after)
        ctx_.history.Record({ctx_.output, KindOf(grid)}, {{row, col, *before, *after}},
                            "Edit Cell");
    ctx_.ShowTables();
    UpdateEditActions();
    ctx_.FollowPreset();
    return shown.value_or(GridOf(grid)->cellText(row, col));
}

void OutputTables::CommitTable(TableGrid grid, const std::vector<CellChange>& cells,
                               const std::string& step) {
    std::vector<CellValue> values;
    for (const CellChange& cell : cells)
        if (cell.value) values.push_back({cell.row, cell.col, *cell.value});
    ctx_.main.SettleLink();
    std::vector<WordChange> changes;
    {
        WaitCursor wait;
        ctx_.Edit([&](const OutputEdit& out) { changes = StoreTableValues(out, grid, values); });
    }
    TableStored(grid, std::move(changes), step);
}

void OutputTables::TableStored(TableGrid grid, std::vector<WordChange> changes,
                               const std::string& step) {
    ctx_.history.Record({ctx_.output, KindOf(grid)}, std::move(changes), step);
    ctx_.ShowTables();
    UpdateEditActions();
    ctx_.FollowPreset();
}

void OutputTables::OpenAssistant(TableGrid grid) {
    CommitPendingEdit();
    Prompt& prompt = ctx_.main.app().prompt;
    if (!ctx_.main.online())
        return prompt.Message(kAssistantOfflineText, kAssistantTitle, Icon::Exclamation);
    CloseAssistant();
    live_.Stop();  // one drive at a time
    const auto store = [this, grid](CalibrationAssistant& assistant) {
        ctx_.main.SettleLink();
        std::optional<Result<std::vector<WordChange>>> stored;
        ctx_.Edit([&](const OutputEdit& out) { stored = assistant.Store(out); });
        if (!*stored) {
            ctx_.main.app().prompt.Message(stored->error().message, kAssistantTitle,
                                           Icon::Exclamation);
            return false;
        }
        TableStored(grid, std::move(**stored), kAssistantStep);
        return true;
    };
    assistant_ = new FrmCalibrationAssistant(prompt, ctx_.main.app().log, live_.link(),
                                             ctx_.Scope(), grid, store, &ctx_.main);
    assistant_->setAttribute(Qt::WA_DeleteOnClose);
    assistant_->open();
}

bool OutputTables::AssistantOpen() const {
    return assistant_ && assistant_->isVisible();  // a closed one lingers until deleted
}

void OutputTables::CloseAssistant() {
    if (assistant_) assistant_->reject();
}

void OutputTables::RestoreCells(const TableRestore& restore) {
    if (restore.table.output != ctx_.output) {
        // The change belongs to another output: show its tab first.
        ctx_.main.TabStrip->setCurrentIndex(restore.table.output);
        if (ctx_.output != restore.table.output) ctx_.SelectOutput(restore.table.output);
    }
    const TableGrid grid = GridOfKind(restore.table.kind);
    ctx_.main.SettleLink();
    ctx_.Edit([&](const OutputEdit& out) {
        TableCellBatch batch(out, grid);
        for (const CellWord& cell : restore.cells) batch.StoreWord(cell.row, cell.col, cell.word);
        batch.Finish();
    });
    ctx_.ShowTables();
    ctx_.FollowPreset();
    UpdateEditActions();
}

void OutputTables::RestoreBytes(const std::vector<BytesAt>& runs) {
    // The runs may change any output's function: a running live calibration stops first.
    live_.Stop();
    ctx_.main.SettleLink();
    ctx_.main.edit().StoreAndWriteRuns(runs);
    ctx_.main.UpdateTitle();
    ctx_.main.ShowStatus();
    ctx_.LoadScreen();
    UpdateEditActions();
}

void OutputTables::Restore(const TableRestore& restore) {
    if (restore.bytes.empty())
        RestoreCells(restore);
    else
        RestoreBytes(restore.bytes);
}

void OutputTables::RecordStep(std::vector<ByteChange> changes, const std::string& name) {
    ctx_.history.RecordBytes(std::move(changes), name);
    ctx_.LoadScreen();
    UpdateEditActions();
}

void OutputTables::Undo() {
    Step(true);
}

void OutputTables::Redo() {
    Step(false);
}

void OutputTables::Step(bool undo) {
    CommitPendingEdit();
    const OutputScope scope = ctx_.Scope();
    const auto holds = StepHolds(scope.image, scope.ctx);
    GridHistory::Refusal refusal{};
    const auto restore =
        undo ? ctx_.history.Undo(holds, &refusal) : ctx_.history.Redo(holds, &refusal);
    if (restore) return Restore(*restore);
    if (refusal == GridHistory::Refusal::ChangedSince)
        ctx_.main.app().prompt.Message(std::string("Nothing was ") + (undo ? "undone" : "redone") +
                                           ": the cells of that step were changed since by another "
                                           "command.",
                                       undo ? "Undo" : "Redo", Icon::Information);
}

void OutputTables::UpdateEditActions() {
    // The captions name the step ("Undo Preset SP-8000-E"); an ampersand in a name is shown
    // as itself, not as a mnemonic.
    auto caption = [](const std::string& text) {
        return "&" + QString::fromStdString(text).replace("&", "&&");
    };
    if (c_.mEditUndo) {
        c_.mEditUndo->setEnabled(ctx_.history.CanUndo());
        c_.mEditUndo->setText(caption(ctx_.history.UndoCaption()));
    }
    if (c_.mEditRedo) {
        c_.mEditRedo->setEnabled(ctx_.history.CanRedo());
        c_.mEditRedo->setText(caption(ctx_.history.RedoCaption()));
    }
}

TableGridWidget* OutputTables::MenuTarget() const {
    if (menuTarget_) return menuTarget_;
    for (TableGridWidget* grid : {c_.mshAnalogTable, c_.mshFreqTable})
        if (grid->hasFocus()) return grid;
    return nullptr;
}

void OutputTables::CopyFocused() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* grid = qobject_cast<TableGridWidget*>(focus)) return grid->copySelection();
    if (auto* box = qobject_cast<QLineEdit*>(focus)) {
        // Nothing selected copies nothing: the clipboard is cleared, not left holding
        // something older.
        if (box->hasSelectedText())
            box->copy();
        else
            QApplication::clipboard()->clear();
    }
}

void OutputTables::PasteFocused() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* grid = qobject_cast<TableGridWidget*>(focus)) return grid->pasteClipboard();
    if (auto* box = qobject_cast<QLineEdit*>(focus)) box->paste();
}

void OutputTables::CommitPendingEdit() {
    for (TableGridWidget* grid : {c_.mshAnalogTable, c_.mshFreqTable}) grid->commitEditor();
}

}  // namespace vx42
