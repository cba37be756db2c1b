#pragma once
// "Unit Settings": metric or standard display units for six families of values.

#include <array>
#include <functional>

#include "files/settings.h"
#include "ui/widgets/dialog_support.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace vx42 {

class FrmUnitSettings : public TrappedDialog {
    Q_OBJECT
  public:
    // refresh: the main window shows every value again from the image (after Apply and OK).
    FrmUnitSettings(Settings& settings, SettingsStore& store, Prompt& prompt, const ErrorLog& log,
                    std::function<void()> refresh, QWidget* parent = nullptr);

    // Option 0 (metric) selected where the family's flag is set, option 1 otherwise.
    void ShowUnitChoices();
    // The flags from the options, in the order temperature, speed, pressure, flow, torque,
    // volume.
    void TakeUnitChoices();

    // Families in that order; [family][0] metric, [family][1] standard.
    std::array<std::array<QRadioButton*, 2>, 6> groups{};
    std::array<QRadioButton*, 2>& optTemp = groups[0];
    std::array<QRadioButton*, 2>& optSpeed = groups[1];
    std::array<QRadioButton*, 2>& optMap = groups[2];
    std::array<QRadioButton*, 2>& optFlow = groups[3];
    std::array<QRadioButton*, 2>& optTorque = groups[4];
    std::array<QRadioButton*, 2>& optVolume = groups[5];
    QPushButton* cmdMetric = nullptr;
    QPushButton* cmdStandard = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

  private:
    void SelectAll(int option);
    void Apply();

    Settings& settings_;
    SettingsStore& store_;
    std::function<void()> refresh_;
};

}  // namespace vx42
