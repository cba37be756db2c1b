#pragma once
// The page of the four output tabs: function, relay drive, CAN data sources, settings,
// tables and live calibration of the selected output.

#include <QWidget>

namespace vx42 {

class FrmMain;

class OutputPage : public QWidget {
    Q_OBJECT
public:
    OutputPage(FrmMain& main, QWidget* parent);

    // A tab of an output was chosen (in relay mode this forces the function to relay control).
    void SelectOutput(int output);
    // Shows the selected output again from the image (after a retrieve, an open, a change
    // of units or of the libraries).
    void Reload();

private:
    FrmMain& main_;
};

}  // namespace vx42
