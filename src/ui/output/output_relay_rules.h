#pragma once
// The relay rules frame of an output tab: whether the secondary data is used and how it
// combines with the primary, and for each data source its switch function, its picture and
// its switch points (the second pair only where the function has one).

#include <array>

#include "ui/output/output_controls.h"

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
    OutputRelayRules(OutputContext& ctx, OutputRelayControls& controls) : ctx_(ctx), c_(controls) {}

    // Builds fraRelay in `parent`. `useSecondary` is the secondary data source's own box for
    // the same setting, kept in step with this frame's.
    QGroupBox* Build(QWidget* parent, QCheckBox* useSecondary);
    void Connect();
    void Show(const OutputView& v);

  private:
    void UseSecondaryClicked(bool ticked);
    void AndOrClicked(int index);
    void SwitchFunctionClicked(int i, int index);
    // The second pair of switch points with their captions.
    void ShowBPoints(int i, bool shown);
    void RecolourSwitchPoints(int i);

    OutputContext& ctx_;
    OutputRelayControls& c_;  // the page's
    QCheckBox* chkUseSecondary = nullptr;
};

}  // namespace vx42
