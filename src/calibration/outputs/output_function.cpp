// The output's function: the function and options bytes, and storing a chosen function.
#include "calibration/outputs/output_function.h"

#include "calibration/converters.h"
#include "calibration/outputs/entry_filters.h"
#include "calibration/outputs/output_tables.h"

namespace vx42 {

OutputFunction FunctionOf(std::uint8_t functionFlags, std::uint8_t outputOptions) {
    if (IsBitSet(functionFlags, fbit::Speedo)) return OutputFunction::SpeedoTach;
    if (IsBitSet(functionFlags, fbit::Relay)) return OutputFunction::RelayControl;
    if (IsBitSet(functionFlags, fbit::Gauge))
        return IsBitSet(outputOptions, obit::VoltageOut) ? OutputFunction::VoltageOut
                                                         : OutputFunction::AnalogGauge;
    return OutputFunction::Off;
}

FunctionBytes WithFunction(FunctionBytes bytes, OutputFunction function) {
    int bit = fbit::Off;
    switch (function) {
        case OutputFunction::Off:
            bit = fbit::Off;
            break;
        case OutputFunction::VoltageOut:
            bit = fbit::Gauge;
            bytes.outputOptions = SetBit(bytes.outputOptions, obit::VoltageOut);
            break;
        case OutputFunction::AnalogGauge:
            bit = fbit::Gauge;
            bytes.outputOptions = ClearBit(bytes.outputOptions, obit::VoltageOut);
            break;
        case OutputFunction::RelayControl:
            bit = fbit::Relay;
            break;
        case OutputFunction::SpeedoTach:
            bit = fbit::Speedo;
            break;
    }
    for (int b : {fbit::Off, fbit::Gauge, fbit::Relay, fbit::Speedo})
        bytes.functionFlags = ClearBit(bytes.functionFlags, b);
    bytes.functionFlags = SetBit(bytes.functionFlags, bit);
    return bytes;
}

FunctionFrame FrameOf(std::uint8_t functionFlags, std::uint8_t outputOptions) {
    switch (FunctionOf(functionFlags, outputOptions)) {
        case OutputFunction::SpeedoTach:
            return FunctionFrame::FreqTable;
        case OutputFunction::RelayControl:
            return FunctionFrame::Relay;
        case OutputFunction::VoltageOut:
            return FunctionFrame::VoltageOut;
        case OutputFunction::AnalogGauge:
            return FunctionFrame::Table;
        case OutputFunction::Off:
            break;
    }
    return FunctionFrame::None;
}

std::string UseSecondaryCaption(std::uint8_t functionFlags) {
    return IsBitSet(functionFlags, fbit::Relay) ? "Use primary and secondary data"
                                                : "Use secondary data on timeout";
}

bool WantsDefaultBatteries(FunctionBytes bytes) {
    return IsBitSet(bytes.functionFlags, fbit::Gauge) &&
           IsBitSet(bytes.outputOptions, obit::DefaultBatteries);
}

PeriodRule PeriodRuleOf(std::uint8_t functionFlags) {
    if (IsBitSet(functionFlags, fbit::Speedo))
        return {PeriodKind::DutyCycle, "Duty Cycle (%)", 0, 100};
    if (IsBitSet(functionFlags, fbit::Relay))
        return {PeriodKind::TimeDelay, "Time Delay (ms)", 0, 65535};
    // Gauges, "Off" and a byte with no function bit at all.
    return {PeriodKind::Frequency, "Frequency (hz)", 15.25, 1000};
}

double PeriodToStored(double entered, PeriodKind kind) {
    switch (kind) {
        case PeriodKind::DutyCycle:
            return Clamp(DropFraction(entered * 36), 0, 65535);
        case PeriodKind::TimeDelay:
            return Clamp(DropFraction(entered), 0, 65535);
        case PeriodKind::Frequency:
            if (entered <= 0) return 65535;
            return Clamp(DropFraction(1'000'000 / entered), 0, 65535);
    }
    return 0;
}

std::string PeriodText(unsigned stored, PeriodKind kind) {
    switch (kind) {
        case PeriodKind::DutyCycle:
            return FormatNumber(stored / 36.0, Pattern::Whole);
        case PeriodKind::TimeDelay:
            return ShortestText(stored);
        case PeriodKind::Frequency:
            // A period of 0 scales as 1, as everywhere else.
            return FormatNumber(1'000'000.0 / (stored == 0 ? 1 : stored), Pattern::TwoDecimals);
    }
    return {};
}

void SelectFunction(const OutputEdit& out, OutputFunction function) {
    const OutputScope scope = out.Scope();
    const FunctionBytes now =
        WithFunction({scope.FunctionFlags(), scope.OutputOptions()}, function);
    out.edit.StoreAndWriteByte(scope.Cal().FunctionFlags, now.functionFlags);
    out.edit.StoreAndWriteByte(CalAddresses().OutputOptions.at(out.output), now.outputOptions);
    if (WantsDefaultBatteries(now)) SetDefaultBatteryBreakpoints(out);
}

std::string StorePeriod(const OutputEdit& out, std::string_view text) {
    const OutputScope scope = out.Scope();
    const PeriodRule rule = PeriodRuleOf(scope.FunctionFlags());
    const double entered = Clamp(TypedNumber(text), rule.minimum, rule.maximum);
    out.edit.StoreAndWriteWord(scope.Cal().Period, PeriodToStored(entered, rule.kind));
    return PeriodTextOf(scope);
}

std::string PeriodTextOf(const OutputScope& out) {
    return PeriodText(out.image.Word(out.Cal().Period), PeriodRuleOf(out.FunctionFlags()).kind);
}

}  // namespace vx42
