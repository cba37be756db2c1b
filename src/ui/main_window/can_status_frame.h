#pragma once
// The "CAN Status" tab's frame: whether each of the eight message slots receives its
// message, as green or red indicators (grey for a slot its output does not use), each named
// by the message it listens for, the button that asks the module once, the "Watch" toggle
// that asks again about once a second, and the time of the last read.

#include <QGroupBox>
#include <array>
#include <string>

#include "calibration/cal_image.h"
#include "device/can_bus.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace vx42 {

class CanStatusFrame : public QGroupBox {
    Q_OBJECT
  public:
    explicit CanStatusFrame(QWidget* parent = nullptr);

    // Names each indicator by its message ("library / message") from the calibration;
    // a slot its output does not use turns grey, "not used", without a read.
    void ShowMessages(const CalImage& image);
    // Colours the indicators after a read at `time`; a slot whose read failed keeps its
    // colour.
    void Show(const std::array<SlotStatus, kMessageSlots>& status, const std::string& time);
    // The fill colour of an indicator as 0xRRGGBB (grey until the first check).
    unsigned Colour(int slot) const;

    std::array<QLabel*, kMessageSlots / 2> lblCanDesc{};
    std::array<QLabel*, kMessageSlots> shaOutCAN{};
    std::array<QLabel*, kMessageSlots> lblCanMessage{};
    QPushButton* cmdCheckCANStats = nullptr;
    QCheckBox* chkWatchCAN = nullptr;
    QLabel* lblCanLastRead = nullptr;

  private:
    void Fill(int slot, unsigned rgb);
    std::array<std::string, kMessageSlots> messages_;
};

}  // namespace vx42
