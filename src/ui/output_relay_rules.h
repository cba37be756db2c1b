#pragma once
// The relay rules frame of an output tab: whether the secondary data is used and how it
// combines with the primary, and for each data source its switch function, its picture and
// its switch points (the second pair only where the function has one).

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QWidget;

namespace vx42 {

class EntryBox;
class RelayPicture;
struct OutputContext;
struct OutputView;

class OutputRelayRules {
  public:
    explicit OutputRelayRules(OutputContext& ctx) : ctx_(ctx) {}

    // Builds fraRelay in `parent`. `useSecondary` is the secondary data source's own box for
    // the same setting, kept in step with this frame's.
    QGroupBox* Build(QWidget* parent, QCheckBox* useSecondary);
    void Connect();
    void Show(const OutputView& v);

    QGroupBox* fraRelay = nullptr;
    QCheckBox* chkUseSecondary1 = nullptr;
    QComboBox* cmbAndOr = nullptr;
    std::array<QComboBox*, 2> cmbOptions{};
    std::array<RelayPicture*, 2> picRelay{};
    std::array<EntryBox*, 2> txtOnA{}, txtOffA{}, txtOnB{}, txtOffB{};
    std::array<QLabel*, 2> lblOnB{}, lblOffB{};
    std::array<QLabel*, 2> lblRelayUnit{};

  private:
    void UseSecondaryClicked(bool ticked);
    void AndOrClicked(int index);
    void SwitchFunctionClicked(int i, int index);
    // The second pair of switch points with their captions.
    void ShowBPoints(int i, bool shown);
    void RecolourSwitchPoints(int i);

    OutputContext& ctx_;
    QCheckBox* chkUseSecondary = nullptr;
};

}  // namespace vx42
