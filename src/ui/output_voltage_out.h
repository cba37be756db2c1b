#pragma once
// The voltage output frame of an output tab: the two duty cycles and the data values they
// stand for, stored on Enter. The live gauge calibration sits beside them while shown.

#include <array>

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
    explicit OutputVoltageOut(OutputContext& ctx) : ctx_(ctx) {}

    // Builds fraVoltageOut in `parent`.
    QGroupBox* Build(QWidget* parent);
    void Connect();
    void Show(const OutputView& v);
    // The limits again from the image (after the tables or the period changed).
    void ShowLimits();

    QGroupBox* fraVoltageOut = nullptr;
    std::array<EntryBox*, 2> txtVoltOutDuty{};
    std::array<EntryBox*, 2> txtVoltOutData{};
    std::array<QLabel*, 2> lblDataUnit{};
    // Where the live calibration sits while this frame is shown.
    QHBoxLayout* side = nullptr;

  private:
    OutputContext& ctx_;
};

}  // namespace vx42
