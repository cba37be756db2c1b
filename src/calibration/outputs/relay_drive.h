#pragma once
// The relay drive: what the output does in its Off and On states, kept in bits 3
// (drive to voltage), 4 (drive to ground) and 6 (which state gets which) of the function byte.

#include <array>
#include <cstdint>

#include "calibration/outputs/output_scope.h"

namespace vx42 {

// The `optOff` / `optOn` options, by index.
enum class Drive { Voltage = 0, Ground = 1, Open = 2 };
inline constexpr std::array<const char*, 3> kDriveCaptions = {"Voltage", "Ground", "Open"};

struct DriveStates {
    Drive off;
    Drive on;
    bool operator==(const DriveStates&) const = default;
};

// The states the stored bits show.
DriveStates DriveStatesOf(std::uint8_t functionFlags);

// A click of `optOff`: the new function byte from the chosen Off state and the On state
// the screen shows. The state just chosen always stays; an impossible pair moves the other.
std::uint8_t ClickOff(std::uint8_t functionFlags, Drive chosen, Drive currentOn);
// A click of `optOn`, with the Off state the screen shows.
std::uint8_t ClickOn(std::uint8_t functionFlags, Drive chosen, Drive currentOff);

// Stores and writes the function byte after a click; returns the states to show again.
DriveStates StoreDriveOff(const OutputEdit& out, Drive chosen, Drive currentOn);
DriveStates StoreDriveOn(const OutputEdit& out, Drive chosen, Drive currentOff);

}  // namespace vx42
