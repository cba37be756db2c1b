// The per-data-source settings of an output, its name and its formatted-data switch.
#include "calibration/outputs/output_settings.h"

#include <algorithm>

#include "calibration/converters.h"
#include "calibration/number_format.h"
#include "calibration/outputs/entry_filters.h"
#include "calibration/text_codec.h"

namespace vx42 {
namespace {

std::optional<int> TimeoutAddress(const OutputScope& out, int dataIndex) {
    const auto slot = out.MessageSlot(dataIndex);
    if (!slot) return std::nullopt;
    return CalAddresses().MessageSlot[*slot].Timeout;
}

// Stores a 1-byte setting of the data source from its box's text.
void StoreSourceByte(const OutputEdit& out, int address, std::string_view text, double lo,
                     double hi, std::uint8_t (*encode)(double)) {
    out.edit.StoreAndWriteByte(address, encode(Clamp(TypedNumber(text), lo, hi)));
}

}  // namespace

std::string StoreTimeout(const OutputEdit& out, int dataIndex, std::string_view text) {
    const OutputScope scope = out.Scope();
    if (const auto address = TimeoutAddress(scope, dataIndex))
        out.edit.StoreAndWriteWord(*address, Clamp(TypedNumber(text), 0, kTimeoutMax));
    return TimeoutText(scope, dataIndex);
}

std::string TimeoutText(const OutputScope& out, int dataIndex) {
    const auto address = TimeoutAddress(out, dataIndex);
    return address ? ShortestText(out.image.Word(*address)) : "0";
}

std::optional<TimeoutDataPlace> TimeoutDataPlaceOf(const OutputScope& out, int dataIndex) {
    const auto slot = out.MessageSlot(dataIndex);
    if (!slot) return std::nullopt;
    const int byteIndex = out.image.Byte(out.Source(dataIndex).ByteIndex);
    const int width = out.image.Byte(out.Source(dataIndex).BitLength) <= 8 ? 1 : 2;
    const int stored = std::clamp(width::TimeoutData - byteIndex, 0, width);
    return TimeoutDataPlace{CalAddresses().MessageSlot[*slot].TimeoutData + byteIndex, width,
                            stored};
}

std::string StoreDataOnTimeout(const OutputEdit& out, int dataIndex, std::string_view text) {
    const OutputScope scope = out.Scope();
    const auto place = TimeoutDataPlaceOf(scope, dataIndex);
    if (place && place->stored > 0) {
        const DataRange range = scope.Range(dataIndex);
        const double typed = Clamp(TypedNumber(text), range.minimum, range.maximum);
        const double raw =
            SetFormatedValueToWrite(typed, scope.image, scope.output, dataIndex, scope.ctx);
        Bytes bytes;
        if (place->width == 1)
            bytes = {static_cast<std::uint8_t>(Clamp(DropFraction(raw), 0, 255))};
        else
            bytes = {HighByte(raw), LowByte(raw)};
        bytes.resize(static_cast<std::size_t>(place->stored));
        out.edit.StoreAndWrite(place->address, bytes);
    }
    return DataOnTimeoutText(scope, dataIndex);
}

std::string DataOnTimeoutText(const OutputScope& out, int dataIndex) {
    const auto place = TimeoutDataPlaceOf(out, dataIndex);
    if (!place || place->stored == 0) return "0";
    unsigned raw = out.image.Byte(place->address);
    if (place->width == 2)
        raw = MakeWord(static_cast<std::uint8_t>(raw),
                       place->stored == 2 ? out.image.Byte(place->address + 1) : 0);
    return GetFormatedCalVal(raw, out.image, out.output, dataIndex, out.ctx);
}

std::string StoreSamplePeriod(const OutputEdit& out, int dataIndex, std::string_view text) {
    StoreSourceByte(
        out, out.Scope().Source(dataIndex).SamplePeriod, text, kSamplePeriodMin, kSamplePeriodMax,
        [](double ms) { return static_cast<std::uint8_t>(static_cast<int>(ms) & 0xFF); });
    return SamplePeriodText(out.Scope(), dataIndex);
}

std::string SamplePeriodText(const OutputScope& out, int dataIndex) {
    const int stored = out.image.Byte(out.Source(dataIndex).SamplePeriod);
    return ShortestText(stored == 0 ? 256 : stored);
}

std::string StoreFilterSize(const OutputEdit& out, int dataIndex, std::string_view text) {
    StoreSourceByte(out, out.Scope().Source(dataIndex).FilterSize, text, kFilterSizeMin,
                    kFilterSizeMax, [](double n) { return static_cast<std::uint8_t>(n); });
    return FilterSizeText(out.Scope(), dataIndex);
}

std::string FilterSizeText(const OutputScope& out, int dataIndex) {
    return ShortestText(out.image.Byte(out.Source(dataIndex).FilterSize));
}

std::string StoreOutputName(const OutputEdit& out, std::string_view text) {
    const int address = CalAddresses().OutputName.at(out.output);
    // The edit target writes a 24-byte field as bytes 1-16, then 17-24.
    out.edit.StoreAndWrite(address, ToFixedField(text, width::OutputName));
    return OutputNameText(out.Scope());
}

std::string OutputNameText(const OutputScope& out) {
    return out.image.Text(CalAddresses().OutputName.at(out.output), width::OutputName);
}

void StoreShowFormatted(const OutputEdit& out, bool formatted) {
    out.edit.StoreAndWriteByte(CalAddresses().ShowFormatted.at(out.output), formatted ? 1 : 0);
}

}  // namespace vx42
