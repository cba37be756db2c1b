#pragma once
// "Set CAN Speed": the bit rate the module listens at. The window keeps the option last
// clicked for as long as it lives; the main window stores the choice after OK.

#include <array>

#include "device/can_bus.h"
#include "ui/widgets/dialog_support.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace vx42 {

class FrmCanSpeed : public TrappedDialog {
    Q_OBJECT
  public:
    FrmCanSpeed(Prompt& prompt, const ErrorLog& log, QWidget* parent = nullptr);

    // Opening: selects the option of the image's CanSpeed (none for another value).
    void Load(const CalImage& image);
    const CanSpeedChoice& choice() const { return choice_; }

    QGroupBox* fraSpeed = nullptr;
    std::array<QRadioButton*, kCanSpeeds.size()> optSpeedCAN{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

  private:
    CanSpeedChoice choice_;
    QButtonGroup* group_ = nullptr;
};

}  // namespace vx42
