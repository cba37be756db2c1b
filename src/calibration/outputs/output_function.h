#pragma once
// The output's function: what the function byte and the options byte say, what storing a
// chosen function does to them, and how the tab is arranged for it.

#include <array>
#include <cstdint>
#include <string>

#include "calibration/number_format.h"
#include "calibration/outputs/output_scope.h"

namespace vx42 {

// The `optType` options, by index.
enum class OutputFunction {
    Off = 0,
    VoltageOut = 1,
    AnalogGauge = 2,
    RelayControl = 3,
    SpeedoTach = 4
};

inline constexpr std::array<const char*, 5> kFunctionCaptions = {
    "Off", "Voltage Out", "Analog Gauge", "Relay Control", "Speedo/Tach Gauge"};

// Function byte bits.
namespace fbit {
constexpr int Off = 0, Gauge = 1, Relay = 2, DriveVoltage = 3, DriveGround = 4, Speedo = 5,
              DriveSwap = 6;
}
// Options byte bits.
namespace obit {
constexpr int VoltageOut = 0, DefaultBatteries = 1;
}

// The option shown for the stored bytes: bits tested 5, 2, 1, 0; bit 1 is "Voltage Out"
// when the options byte's bit 0 is set; none of them shows "Off".
OutputFunction FunctionOf(std::uint8_t functionFlags, std::uint8_t outputOptions);

struct FunctionBytes {
    std::uint8_t functionFlags;
    std::uint8_t outputOptions;
    bool operator==(const FunctionBytes&) const = default;
};
// Both bytes with the chosen function; every other bit kept.
FunctionBytes WithFunction(FunctionBytes bytes, OutputFunction function);

// The function frame shown, tested in the order bit 5, bit 2, bit 1.
enum class FunctionFrame { None, FreqTable, Relay, VoltageOut, Table };
FunctionFrame FrameOf(std::uint8_t functionFlags, std::uint8_t outputOptions);

// The caption of `chkUseSecondary`.
std::string UseSecondaryCaption(std::uint8_t functionFlags);

// Whether a function change fills the default battery breakpoints.
bool WantsDefaultBatteries(FunctionBytes bytes);

// What `txtPeriod` means for the function byte (bits tested 5, 2, 1, 0).
enum class PeriodKind { DutyCycle, TimeDelay, Frequency };
struct PeriodRule {
    PeriodKind kind;
    const char* label;  // `lblOutSetting`
    double minimum;
    double maximum;
};
PeriodRule PeriodRuleOf(std::uint8_t functionFlags);
// The entered value (already within the rule's range) as the stored value.
double PeriodToStored(double entered, PeriodKind kind);
// The stored value as shown.
std::string PeriodText(unsigned stored, PeriodKind kind);

// Stores the chosen function (function byte, then options byte, each written), then the
// default battery breakpoints when the bytes ask for them.
void SelectFunction(const OutputEdit& out, OutputFunction function);

// Stores `txtPeriod` on Enter (clamped by the function's range); returns the text shown.
std::string StorePeriod(const OutputEdit& out, std::string_view text);
std::string PeriodTextOf(const OutputScope& out);

}  // namespace vx42
