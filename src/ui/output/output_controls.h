#pragma once
// The controls of an output tab, frame by frame, named as their objectNames (arrays carry
// their index). The page holds them; each frame builds and drives its own through a reference.

#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vx42 {

class EntryBox;
class RelayPicture;
class TableGridWidget;
class TablePlot;

// The function, state and settings frames.
struct OutputFunctionControls {
    std::array<QRadioButton*, 5> optType{};
    std::array<QRadioButton*, 3> optOff{};
    std::array<QRadioButton*, 3> optOn{};
    QLabel* lblOutSetting = nullptr;
    EntryBox* txtPeriod = nullptr;
    EntryBox* txtOutputName = nullptr;
    QCheckBox* chkFormatCAN = nullptr;
};

// The CAN data sources (fraMessages).
struct OutputDataControls {
    QWidget* fraMessages = nullptr;
    std::array<QGroupBox*, 2> fraData{};
    std::array<QComboBox*, 2> cmbLibrary{};
    std::array<QComboBox*, 2> cmbMessage{};
    std::array<EntryBox*, 2> txtTimoutTimer{};
    std::array<EntryBox*, 2> txtDataOnTimeout{};
    std::array<QLabel*, 2> lblMessUnit{};
    std::array<EntryBox*, 2> txtSamplePeriod{};
    std::array<EntryBox*, 2> txtAverageLength{};
    QCheckBox* chkUseSecondary = nullptr;
};

// The relay rules (fraRelay).
struct OutputRelayControls {
    QGroupBox* fraRelay = nullptr;
    QCheckBox* chkUseSecondary1 = nullptr;
    QComboBox* cmbAndOr = nullptr;
    std::array<QComboBox*, 2> cmbOptions{};
    std::array<RelayPicture*, 2> picRelay{};
    std::array<EntryBox*, 2> txtOnA{}, txtOffA{}, txtOnB{}, txtOffB{};
    std::array<QLabel*, 2> lblOnB{}, lblOffB{};
    std::array<QLabel*, 2> lblRelayUnit{};
};

// The voltage output (fraVoltageOut).
struct OutputVoltageControls {
    QGroupBox* fraVoltageOut = nullptr;
    std::array<EntryBox*, 2> txtVoltOutDuty{};
    std::array<EntryBox*, 2> txtVoltOutData{};
    std::array<QLabel*, 2> lblDataUnit{};
};

// The two tables, their plots and menus.
struct OutputTableControls {
    std::array<QLabel*, 2> lblDataStat{};
    QGroupBox* fraTable = nullptr;
    TableGridWidget* mshAnalogTable = nullptr;
    TablePlot* plotAnalogTable = nullptr;
    QPushButton* cmdSetBreakpoints = nullptr;  // objectName cmdSetBreakpoints_0
    QGroupBox* fraFreqTable = nullptr;
    TableGridWidget* mshFreqTable = nullptr;
    TablePlot* plotFreqTable = nullptr;
    QPushButton* cmdSetBreakpointsFreq = nullptr;  // objectName cmdSetBreakpoints_1

    QMenu* mEditFlexGrid = nullptr;
    QAction* mEditFlexCopy = nullptr;
    QAction* mEditFlexPaste = nullptr;
    QAction* mEditFlexLinearize = nullptr;
    QAction* mEditFlexLinearInterpolation = nullptr;
    QAction* mEditFlexPercent = nullptr;
    QAction* mEditFlexIncrease1 = nullptr;
    QAction* mEditFlexDecrease1 = nullptr;
    QAction* mEditFlexIncreaseDecrease = nullptr;
    QAction* mEditFlexSetTo = nullptr;
    QAction* mEditUndo = nullptr;
    QAction* mEditRedo = nullptr;
};

// The gauge presets (fraPresets).
struct OutputPresetControls {
    QGroupBox* fraPresets = nullptr;
    QComboBox* cmbPresets = nullptr;
};

}  // namespace vx42
