#pragma once
// The function and drive frames of an output tab: the output's function, its drive when
// off and on, and its settings (name, period or frequency, CAN data shown formatted).

#include <array>

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
    explicit OutputFunctionFrame(OutputContext& ctx) : ctx_(ctx) {}

    // Builds the function over the state, and the settings beside the function, in `frames`.
    void Build(QGridLayout* frames, QWidget* row);
    void Connect();
    void Show(const OutputView& v);
    // What the controls show, for finding the matching preset.
    OutputDisplay Display() const;

    std::array<QRadioButton*, 5> optType{};
    std::array<QRadioButton*, 3> optOff{};
    std::array<QRadioButton*, 3> optOn{};
    QLabel* lblOutSetting = nullptr;
    EntryBox* txtPeriod = nullptr;
    EntryBox* txtOutputName = nullptr;
    QCheckBox* chkFormatCAN = nullptr;

  private:
    void FunctionClicked(int index);
    void DriveClicked(bool offGroup, int index);

    OutputContext& ctx_;
};

}  // namespace vx42
