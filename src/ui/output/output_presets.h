#pragma once
// The gauge presets frame of an output tab: the list of presets, the chosen one applied to
// the output, and the list following the output's settings to the preset they match.

#include "ui/output/output_controls.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QWidget;

namespace vx42 {

struct OutputContext;
struct OutputDisplay;

class OutputPresets {
  public:
    OutputPresets(OutputContext& ctx, OutputPresetControls& controls) : ctx_(ctx), c_(controls) {}

    // Builds fraPresets in `parent`; a preset is applied with the output's CAN data shown
    // formatted or not as `showFormatted` says.
    QGroupBox* Build(QWidget* parent, const QCheckBox* showFormatted);
    void Connect();
    // Shows the preset the output's shown settings match.
    void Follow(const OutputDisplay& display);

  private:
    void ApplyPresetEntry(int entry);

    OutputContext& ctx_;
    OutputPresetControls& c_;  // the page's
    const QCheckBox* showFormatted_ = nullptr;
    bool presetsChanging_ = false;
};

}  // namespace vx42
