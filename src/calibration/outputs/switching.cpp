// The relay's switching rules.
#include "calibration/outputs/switching.h"

#include <algorithm>

#include "calibration/converters.h"
#include "calibration/number_format.h"

namespace vx42 {

void StoreUseSecondary(const OutputEdit& out, bool ticked) {
    out.edit.StoreAndWriteByte(out.Scope().Cal().SecondaryMode, ticked ? 1 : 0);
}

void StoreAndOr(const OutputEdit& out, AndOr choice) {
    out.edit.StoreAndWriteByte(out.Scope().Cal().SecondaryMode, choice == AndOr::Or ? 2 : 1);
}

bool UseSecondaryShown(std::uint8_t secondaryMode) {
    return secondaryMode != 0;
}

std::optional<AndOr> AndOrShown(std::uint8_t secondaryMode) {
    if (secondaryMode == 1) return AndOr::And;
    if (secondaryMode == 2) return AndOr::Or;
    return std::nullopt;
}

namespace {
// The bit of a function in data i's nibble: primary 7..4, secondary 3..0, in list order.
int SwitchBit(int dataIndex, SwitchFunction function) {
    return (dataIndex == 0 ? 7 : 3) - static_cast<int>(function);
}
int SwitchByteAddress(const OutputScope& out) {
    return out.Cal().PrimaryBlock + kSwitchFunctionOffset;
}
}  // namespace

SwitchFunction SwitchFunctionOf(std::uint8_t switchByte, int dataIndex) {
    for (int f = 0; f < 4; ++f) {
        const auto function = static_cast<SwitchFunction>(f);
        if (IsBitSet(switchByte, SwitchBit(dataIndex, function))) return function;
    }
    return SwitchFunction::SimpleOffToOn;
}

std::uint8_t WithSwitchFunction(std::uint8_t switchByte, int dataIndex, SwitchFunction function) {
    const std::uint8_t keep = dataIndex == 0 ? 0x0F : 0xF0;
    return static_cast<std::uint8_t>((switchByte & keep) | (1u << SwitchBit(dataIndex, function)));
}

bool IsRising(SwitchFunction function) {
    return function == SwitchFunction::SimpleOffToOn || function == SwitchFunction::WindowSwitchOn;
}

bool ShowsBPoints(SwitchFunction function) {
    return function == SwitchFunction::WindowSwitchOn ||
           function == SwitchFunction::WindowSwitchOff;
}

void StoreSwitchFunction(const OutputEdit& out, int dataIndex, SwitchFunction function) {
    const int address = SwitchByteAddress(out.Scope());
    out.edit.StoreAndWriteByte(
        address, WithSwitchFunction(out.edit.image.Byte(address), dataIndex, function));
}

SwitchFunction SwitchFunctionShown(const OutputScope& out, int dataIndex) {
    return SwitchFunctionOf(out.image.Byte(SwitchByteAddress(out)), dataIndex);
}

int SwitchPointAddress(const OutputScope& out, int dataIndex, SwitchPoint point) {
    const int block = dataIndex == 0 ? out.Cal().PrimaryBlock : out.Cal().SecondaryBlock;
    return block + 2 * static_cast<int>(point);
}

std::string StoreSwitchPoint(const OutputEdit& out, int dataIndex, SwitchPoint point,
                             std::string_view text) {
    const OutputScope scope = out.Scope();
    const double raw =
        SetFormatedValueToWrite(TypedNumber(text), scope.image, scope.output, dataIndex, scope.ctx);
    out.edit.StoreAndWriteWord(SwitchPointAddress(scope, dataIndex, point), raw);
    return SwitchPointText(scope, dataIndex, point);
}

std::string SwitchPointText(const OutputScope& out, int dataIndex, SwitchPoint point) {
    const unsigned raw = out.image.Word(SwitchPointAddress(out, dataIndex, point));
    const double shown = GetFormatedValue(raw, out.image, out.output, dataIndex, out.ctx);
    return FormatNumber(shown, out.ShowFormatted() ? Pattern::OneDecimal : Pattern::Whole);
}

DataRange SwitchPointRange(const OutputScope& out, int dataIndex, SwitchPoint point,
                           double partnerValue) {
    DataRange range = out.Range(dataIndex);
    // Rising: Off A <= On A and On B <= Off B; falling reverses both.
    const bool rising = IsRising(SwitchFunctionShown(out, dataIndex));
    const bool atLeastPartner = (point == SwitchPoint::OnA || point == SwitchPoint::OffB) == rising;
    if (atLeastPartner)
        range.minimum = std::max(range.minimum, partnerValue);
    else
        range.maximum = std::min(range.maximum, partnerValue);
    return range;
}

std::array<TextColour, 4> SwitchPointColours(const OutputScope& out, int dataIndex,
                                             const std::array<std::string, 4>& texts) {
    std::array<TextColour, 4> colours{};
    for (int p = 0; p < 4; ++p) {
        const int partner = p ^ 1;  // On A <-> Off A, On B <-> Off B
        const DataRange range = SwitchPointRange(out, dataIndex, static_cast<SwitchPoint>(p),
                                                 TypedNumber(texts[partner]));
        colours[p] = ColourTextBox(texts[p], range.minimum, range.maximum);
    }
    return colours;
}

}  // namespace vx42
