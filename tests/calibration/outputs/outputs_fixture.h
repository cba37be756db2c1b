#pragma once
// A calibration image, an edit target whose module side records every write, and the
// format context of one output tab.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "calibration/outputs/output_scope.h"

namespace vx42 {

struct RecordingSink : ChangeSink {
    std::vector<std::pair<int, Bytes>> writes;
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        writes.emplace_back(address, Bytes(bytes.begin(), bytes.end()));
    }
};

class OutputFixture : public ::testing::Test {
  protected:
    CalImage image;
    bool changed = false;
    RecordingSink sink;
    EditTarget edit{image, changed, sink};
    FormatContext ctx;

    OutputEdit Out(int output = 0) { return {edit, ctx, output}; }
    OutputScope Scope(int output = 0) const { return {image, ctx, output}; }
    static const OutputCalAddresses& Cal(int output = 0) {
        return CalAddresses().OutputCal[output];
    }

    // A message selected for a data source, shown formatted.
    void SelectMessage(int output, int dataIndex, double multiplier, std::int32_t offset,
                       std::string unit = {}) {
        ctx.data[dataIndex] = {true, multiplier, offset, std::move(unit)};
        image.SetByte(CalAddresses().ShowFormatted[output], 1);
    }
    // Points a data source at a message slot (1 to 8).
    void UseSlot(int output, int dataIndex, int slot, int byteIndex = 0, int bitLength = 8) {
        const auto& ds = Cal(output).DataSource[dataIndex];
        image.SetByte(ds.MessageSlot, static_cast<std::uint8_t>(slot));
        image.SetByte(ds.ByteIndex, static_cast<std::uint8_t>(byteIndex));
        image.SetByte(ds.BitLength, static_cast<std::uint8_t>(bitLength));
    }
    void ExpectWrites(const std::vector<std::pair<int, Bytes>>& expected) {
        EXPECT_EQ(sink.writes, expected);
        sink.writes.clear();
    }
};

}  // namespace vx42
