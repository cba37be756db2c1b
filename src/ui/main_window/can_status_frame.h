#pragma once
// The "CAN Status" tab's frame: whether each of the eight message slots receives its
// message, as green or red indicators, and the button that asks the module.

#include <QGroupBox>
#include <array>

#include "device/can_bus.h"

class QLabel;
class QPushButton;

namespace vx42 {

class CanStatusFrame : public QGroupBox {
    Q_OBJECT
  public:
    explicit CanStatusFrame(QWidget* parent = nullptr);

    // Colours the indicators; a slot whose read failed keeps its colour.
    void Show(const std::array<SlotStatus, kMessageSlots>& status);
    // The fill colour of an indicator as 0xRRGGBB (grey until the first check).
    unsigned Colour(int slot) const;

    std::array<QLabel*, kMessageSlots / 2> lblCanDesc{};
    std::array<QLabel*, kMessageSlots> shaOutCAN{};
    QPushButton* cmdCheckCANStats = nullptr;

  private:
    void Fill(int slot, unsigned rgb);
};

}  // namespace vx42
