#pragma once
// The voltage output frame of an output tab: the two duty cycles and the data values they
// stand for, stored on Enter. The live gauge calibration sits beside them while shown.

#include <array>

#include "ui/output/output_controls.h"

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QWidget;

namespace vx42 {

class EntryBox;
struct OutputContext;
struct OutputView;

class OutputVoltageOut {
  public:
    OutputVoltageOut(OutputContext& ctx, OutputVoltageControls& controls)
        : ctx_(ctx), c_(controls) {}

    // Builds fraVoltageOut in `parent`.
    QGroupBox* Build(QWidget* parent);
    void Connect();
    void Show(const OutputView& v);
    // The limits again from the image (after the tables or the period changed).
    void ShowLimits();

    // Where the live calibration sits while this frame is shown.
    QHBoxLayout* side = nullptr;

  private:
    OutputContext& ctx_;
    OutputVoltageControls& c_;  // the page's
};

}  // namespace vx42
