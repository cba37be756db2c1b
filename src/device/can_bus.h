#pragma once
// The CAN bus itself: the bit rate the module listens at (a calibration setting chosen in the
// "Set CAN Speed" window) and the live reception status of the eight message slots.

#include <array>
#include <optional>
#include <string>

#include "calibration/cal_image.h"
#include "calibration/edit_target.h"
#include "device/module_link.h"

namespace vx42 {

struct CanSpeedOption {
    const char* caption;  // the option button's caption
    unsigned kbits;       // the value stored at CanSpeed, in kbit/s
};

// The options optSpeedCAN(0) to optSpeedCAN(8), in order.
inline constexpr std::array<CanSpeedOption, 9> kCanSpeeds{{
    {"1M", 1000},
    {"500K", 500},
    {"250K", 250},
    {"125K", 125},
    {"100K", 100},
    {"50K", 50},
    {"20K", 20},
    {"10K", 10},
    {"5K", 5},
}};

// The option whose stored value is `kbits`; none for a value not in the table.
std::optional<int> CanSpeedOptionIndex(unsigned kbits);

// The "Set CAN Speed" window's choice: the index of the option last clicked, kept for as long
// as the window object lives (0 until an option was ever clicked).
class CanSpeedChoice {
  public:
    // Opening the window: the option matching the image's CanSpeed is selected and recorded;
    // any other value selects nothing and leaves the recorded index as it was.
    std::optional<int> Load(const CalImage& image);
    // An option clicked (an index outside the table is ignored).
    void Click(int index);
    int Recorded() const { return recorded_; }
    // OK: the recorded option's value into the image at CanSpeed, high byte first, and to the
    // module with one single-change write. Offline a new speed marks the calibration
    // changed, as it then lives only in the image; online the module already holds it.
    void Ok(EditTarget& target, bool online) const;

  private:
    int recorded_ = 0;
};

// What one status indicator shows after a check.
enum class SlotStatus {
    Receiving,     // green
    NotReceiving,  // red
    NotUsed,       // grey: the output does not use this data, so nothing is read
    Unchanged,     // the read failed: the indicator keeps its colour
};

// "receiving", "not receiving", "not used", "not read".
const char* SlotStatusText(SlotStatus status);

// Module address of message slot k's status word.
constexpr int CanStatusAddress(int slot) {
    return address::CanStatus + 10 * slot;
}

// Slots 0 to 7 in order (output k / 2; primary when k is even): a secondary slot whose
// output's SecondaryMode is 0 is not used and not read (shown apart from a slot that fails
// to receive); every other slot reads its status word with Read2BytesRetry, non-zero meaning
// receiving.
std::array<SlotStatus, kMessageSlots> CanSlotStatus(ModuleLink& link, const CalImage& image);

// "Check CAN Status": offline nothing changes; online the link settles first.
std::array<SlotStatus, kMessageSlots> CheckCanStatus(ModuleLink& link, const CalImage& image);

// One round of a watch as a line: the time, then each slot's number and status
// ("12:00:01  1 receiving  2 not used  ...").
std::string CanStatusLine(const std::string& time,
                          const std::array<SlotStatus, kMessageSlots>& status);

}  // namespace vx42
