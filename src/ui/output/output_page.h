#pragma once
// The page of the four output tabs: function, relay drive, CAN data sources, settings,
// switching rules, tables with their plots, live gauge calibration and gauge presets of the
// selected output. Every control commits through the output rules (store into the image,
// write to the module) and the window title follows.
//
// Each frame or concern is a class of its own, sharing the output's OutputContext: the
// function and drive (OutputFunctionFrame), the CAN data sources (OutputDataSources), the
// relay rules (OutputRelayRules), the voltage output (OutputVoltageOut), the tables with
// their menu, undo and redo (OutputTables), the live gauge calibration
// (OutputLiveCalibration) and the presets (OutputPresets). The page arranges them
// (output_page_build.cpp), routes the tab's output index, loads the screen by asking each
// to show the output (output_page.cpp) and holds their controls, which each frame reaches
// through a reference.

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "calibration/grid/grid_history.h"
#include "calibration/grid/grid_model.h"
#include "calibration/outputs/output_view.h"
#include "ui/output/output_context.h"
#include "ui/output/output_controls.h"

class QAction;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;

namespace vx42 {

class EntryBox;
class FrmMain;
class OutputDataSources;
class OutputFunctionFrame;
class OutputLiveCalibration;
class OutputPresets;
class OutputRelayRules;
class OutputTables;
class OutputVoltageOut;
class RelayPicture;
class TableGridWidget;
class TablePlot;

class OutputPage : public QWidget,
                   public OutputFunctionControls,
                   public OutputDataControls,
                   public OutputRelayControls,
                   public OutputVoltageControls,
                   public OutputTableControls,
                   public OutputPresetControls {
    Q_OBJECT
  public:
    OutputPage(FrmMain& main, QWidget* parent);
    ~OutputPage() override;

    // A tab of an output was chosen (in relay mode this forces the function to relay control).
    void SelectOutput(int output);
    // Shows the selected output again from the image (after a retrieve, an open, a change
    // of units or of the libraries).
    void Reload();

    int output() const { return ctx_.output; }
    // The page's size with its largest function frame, whichever is shown: the window keeps
    // its size from tab to tab.
    QSize sizeHint() const override;
    bool screenLoaded() const { return ctx_.screenLoaded; }
    const GridHistory& history() const { return ctx_.history; }

    // Commits an open cell editor into the output it was typed for (a text that is no number
    // is dropped with a message), before anything else changes what the page shows.
    void CommitPendingEdit();
    // Stops a running live gauge calibration with the stop button's writes, and closes the
    // calibration assistant, which stops its own.
    void StopLiveCalibration();
    // A gauge is driven live (the live box or the calibration assistant).
    bool LiveCalibrationRunning() const;

    // The table commands of the Edit menu and the tables' keys.
    void Undo();
    void Redo();
    // A change made outside the page (settings copied from another calibration, a restore
    // point taken back) was stored: it becomes one undo step named `name` and the page
    // shows the stored values again, the history kept.
    void RecordStep(std::vector<ByteChange> changes, const std::string& name);
    // The undo history as it is now is kept, for a command whose edits may be dropped; they
    // were: the history goes back to what was kept (the dropped step goes, nothing else).
    void KeepHistory();
    void PutHistoryBack();
    void CopyFocused();
    void PasteFocused();

    // The live gauge calibration's controls, named as their objectNames; the frames' controls
    // are the Output...Controls this page is made of.
    QGroupBox* fraGaugeCal = nullptr;
    QPushButton* cmdCalibrate = nullptr;
    QPushButton* cmdUp = nullptr;
    QPushButton* cmdDown = nullptr;
    EntryBox* txtDutyCycle = nullptr;
    QPushButton* cmdCalibrateSpeed = nullptr;
    QPushButton* cmdUpSpeed = nullptr;
    QPushButton* cmdDownSpeed = nullptr;
    EntryBox* txtDutyCycleSpeed = nullptr;

  private:
    void Build();
    QWidget* BuildTopRow();
    void KeepSizesSteady();
    void Connect();

    // GetCalValues: the controls from the image, nothing stored meanwhile.
    void LoadScreen();
    void ShowView(const OutputView& v);
    void Arrange(const OutputView& v);
    void ShowTables();
    void ShowCaptions(const CanDataCaptions& captions);
    void FollowPreset();

    FrmMain& main_;
    OutputContext ctx_;
    std::unique_ptr<OutputFunctionFrame> function_;
    std::unique_ptr<OutputDataSources> data_;
    std::unique_ptr<OutputLiveCalibration> live_;
    std::unique_ptr<OutputPresets> presets_;
    std::unique_ptr<OutputRelayRules> relay_;
    std::unique_ptr<OutputVoltageOut> voltage_;
    std::unique_ptr<OutputTables> tables_;
    std::optional<GridHistory> keptHistory_;
};

}  // namespace vx42
