#pragma once
// The relay's switching rules: how the secondary data is used, the switch function of each
// data source, its switch points and the check of their order.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "calibration/outputs/entry_filters.h"
#include "calibration/outputs/output_scope.h"

namespace vx42 {

// ---- Secondary data use (`SecondaryMode`: 0 not used, 1 used / "And", 2 "Or").

enum class AndOr { And = 0, Or = 1 };  // `cmbAndOr` index
inline constexpr std::array<const char*, 2> kAndOrCaptions = {"And", "Or"};

// Ticking either check box stores 1 whatever `cmbAndOr` shows; clearing stores 0.
void StoreUseSecondary(const OutputEdit& out, bool ticked);
// Choosing in `cmbAndOr` stores 1 or 2, which also turns the secondary data on.
void StoreAndOr(const OutputEdit& out, AndOr choice);
bool UseSecondaryShown(std::uint8_t secondaryMode);
// What `cmbAndOr` shows: nothing (left as it is) for a mode other than 1 or 2.
std::optional<AndOr> AndOrShown(std::uint8_t secondaryMode);

// ---- Switch functions (`cmbOptions(i)`), one nibble each of `PrimaryBlock` + 8.

enum class SwitchFunction {
    SimpleOffToOn = 0,
    SimpleOnToOff = 1,
    WindowSwitchOn = 2,
    WindowSwitchOff = 3
};
inline constexpr std::array<const char*, 4> kSwitchFunctionCaptions = {
    "Simple Off to On", "Simple On to Off", "Window Switch On", "Window Switch Off"};
constexpr int kSwitchFunctionOffset = 8;

// The function a data source's nibble selects, bits tested in list order; an empty nibble
// shows "Simple Off to On".
SwitchFunction SwitchFunctionOf(std::uint8_t switchByte, int dataIndex);
// The byte with data i's nibble set to the chosen function; the other nibble kept.
std::uint8_t WithSwitchFunction(std::uint8_t switchByte, int dataIndex, SwitchFunction function);
// Rising functions switch on as the data rises ("Simple Off to On", "Window Switch On").
bool IsRising(SwitchFunction function);
// The B points are shown for window functions only.
bool ShowsBPoints(SwitchFunction function);

void StoreSwitchFunction(const OutputEdit& out, int dataIndex, SwitchFunction function);
SwitchFunction SwitchFunctionShown(const OutputScope& out, int dataIndex);

// ---- Switch points.

enum class SwitchPoint { OnA = 0, OffA = 1, OnB = 2, OffB = 3 };
inline constexpr std::array<const char*, 4> kSwitchPointCaptions = {"On A", "Off A", "On B",
                                                                    "Off B"};

int SwitchPointAddress(const OutputScope& out, int dataIndex, SwitchPoint point);

// Enter in a switch-point box: the typed value through the data's formatting, stored as a
// word and written; returns the text shown.
std::string StoreSwitchPoint(const OutputEdit& out, int dataIndex, SwitchPoint point,
                             std::string_view text);
// The stored point as shown: "###0.0" while the output shows formatted data, "###0" otherwise.
std::string SwitchPointText(const OutputScope& out, int dataIndex, SwitchPoint point);

// The range a point may take: the data range narrowed by its partner's value, by the order
// the data's switch function asks for.
DataRange SwitchPointRange(const OutputScope& out, int dataIndex, SwitchPoint point,
                           double partnerValue);
// The colours of the four boxes of data i from their texts (On A, Off A, On B, Off B).
std::array<TextColour, 4> SwitchPointColours(const OutputScope& out, int dataIndex,
                                             const std::array<std::string, 4>& texts);

}  // namespace vx42
