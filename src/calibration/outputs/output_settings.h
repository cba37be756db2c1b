#pragma once
// The per-data-source settings of an output (timeout, data on timeout, input filter) and the
// output's name and "Show formatted CAN data" switch. Each store takes the box's text on
// Enter, clamps it to the box's range, stores and writes it, and returns the text shown.

#include <optional>
#include <string>
#include <string_view>

#include "calibration/outputs/output_scope.h"

namespace vx42 {

// Entry ranges.
constexpr double kTimeoutMax = 65535;
constexpr double kSamplePeriodMin = 1, kSamplePeriodMax = 256;
constexpr double kFilterSizeMin = 1, kFilterSizeMax = 32;

// `txtTimoutTimer(i)`: the timeout of the data source's message slot. Without a message
// nothing is stored and the box shows 0.
std::string StoreTimeout(const OutputEdit& out, int dataIndex, std::string_view text);
std::string TimeoutText(const OutputScope& out, int dataIndex);

// Where the data on timeout goes: `TimeoutData` + `ByteIndex` of the data source's slot,
// one byte for a bit length up to 8, two (most significant first) for 9 to 16. Bytes that
// would fall past the slot's eight data bytes are left out, so the next slot's identifier
// is never overwritten. Nothing without a message.
struct TimeoutDataPlace {
    int address;  // module address of the first byte
    int width;    // 1 or 2: the signal's width
    int stored;   // how many of those bytes lie inside the slot's data (0 to width)
};
std::optional<TimeoutDataPlace> TimeoutDataPlaceOf(const OutputScope& out, int dataIndex);

// `txtDataOnTimeout(i)`: clamped to the data range, through the data's formatting.
std::string StoreDataOnTimeout(const OutputEdit& out, int dataIndex, std::string_view text);
std::string DataOnTimeoutText(const OutputScope& out, int dataIndex);

// `txtSamplePeriod(i)`: 1 to 256 ms, 256 stored as 0.
std::string StoreSamplePeriod(const OutputEdit& out, int dataIndex, std::string_view text);
std::string SamplePeriodText(const OutputScope& out, int dataIndex);
// `txtAverageLength(i)`: 1 to 32 samples.
std::string StoreFilterSize(const OutputEdit& out, int dataIndex, std::string_view text);
std::string FilterSizeText(const OutputScope& out, int dataIndex);

// `txtOutputName`: up to 24 characters, written in two pieces (bytes 1-16, 17-24).
std::string StoreOutputName(const OutputEdit& out, std::string_view text);
std::string OutputNameText(const OutputScope& out);

// `chkFormatCAN`.
void StoreShowFormatted(const OutputEdit& out, bool formatted);

}  // namespace vx42
