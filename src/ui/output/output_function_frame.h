#pragma once
// The function and drive frames of an output tab: the output's function, its drive when
// off and on, and its settings (name, period or frequency, CAN data shown formatted).

#include <array>

#include "ui/output/output_controls.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QRadioButton;
class QWidget;

namespace vx42 {

class EntryBox;
struct OutputContext;
struct OutputDisplay;
struct OutputView;

class OutputFunctionFrame {
  public:
    OutputFunctionFrame(OutputContext& ctx, OutputFunctionControls& controls)
        : ctx_(ctx), c_(controls) {}

    // Builds the function over the state, and the settings beside the function, in `frames`.
    void Build(QGridLayout* frames, QWidget* row);
    void Connect();
    void Show(const OutputView& v);
    // What the controls show, for finding the matching preset.
    OutputDisplay Display() const;

  private:
    void FunctionClicked(int index);
    void DriveClicked(bool offGroup, int index);

    OutputContext& ctx_;
    OutputFunctionControls& c_;  // the page's
};

}  // namespace vx42
