#pragma once
// The tables of an output tab: the analog gauge table and the speedo/tach table, each with
// its cell editor, plot and "set breakpoints" command, the tables' menu, their undo and
// redo in the window's Edit menu, and copy and paste of the focused control.

#include <QPointer>
#include <array>
#include <string>
#include <vector>

#include "calibration/grid/grid_history.h"
#include "calibration/grid/grid_model.h"
#include "calibration/outputs/output_view.h"
#include "ui/output/output_controls.h"

class QAction;
class QBoxLayout;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QWidget;

namespace vx42 {

class FrmCalibrationAssistant;
class OutputLiveCalibration;
class OutputMessages;
class TableGridWidget;
class TablePlot;
struct OutputContext;

class OutputTables {
  public:
    OutputTables(OutputContext& ctx, OutputTableControls& controls, const OutputMessages& messages,
                 OutputLiveCalibration& live)
        : ctx_(ctx), c_(controls), messages_(messages), live_(live) {}

    // Builds fraTable (with `gaugeCal`, the live calibration, beside its command) or
    // fraFreqTable (with the speedo/tach's live calibration) in `parent`.
    QGroupBox* Build(TableGrid grid, QWidget* parent, QGroupBox* gaugeCal);
    // The tables' menu and the Edit menu's undo and redo.
    void BuildMenu();
    void Connect();

    void Show(const OutputView& v);
    // The tables and plots again from the image.
    void ShowTables();
    void UpdateEditActions();

    void CommitPendingEdit();
    void Undo();
    void Redo();
    // Undo or redo, only while the step's cells hold what it expects; says so otherwise.
    void Step(bool undo);
    // A change of byte runs was stored: it becomes one undo step named `name` and the page
    // shows the stored values again, the history kept.
    void RecordStep(std::vector<ByteChange> changes, const std::string& name);
    void CopyFocused();
    void PasteFocused();
    // Closes the calibration assistant, which stops its live calibration.
    void CloseAssistant();
    bool AssistantOpen() const;

    // Where the live calibration of an analog gauge sits while the table is shown.
    QBoxLayout* gaugeSide = nullptr;

  private:
    std::string CommitCell(TableGrid grid, int row, int col, const std::string& text);
    void CommitTable(TableGrid grid, const std::vector<CellChange>& cells, const std::string& step);
    // Cells of a table were stored as one batch: one undo step, and the page shows them.
    void TableStored(TableGrid grid, std::vector<WordChange> changes, const std::string& step);
    void OpenAssistant(TableGrid grid);
    void Restore(const TableRestore& restore);
    void RestoreCells(const TableRestore& restore);
    void RestoreBytes(const std::vector<BytesAt>& runs);
    TableGridWidget* GridOf(TableGrid grid) const;
    TableGridWidget* MenuTarget() const;

    OutputContext& ctx_;
    OutputTableControls& c_;  // the page's
    const OutputMessages& messages_;
    OutputLiveCalibration& live_;
    TableGridWidget* menuTarget_ = nullptr;
    // "Calibrate Gauge..." of the analog and the frequency table, and its window while open.
    std::array<QPushButton*, 2> cmdAssistant_{};
    QPointer<FrmCalibrationAssistant> assistant_;
};

}  // namespace vx42
