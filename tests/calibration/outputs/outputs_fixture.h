#pragma once
// A calibration image, an edit target whose module side records every write, the format
// context of one output tab and the scripted questions (every one used, none unscripted); a
// live link that records the bytes it is given.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/scripted_prompt.h"
#include "calibration/outputs/live_calibration.h"
#include "calibration/outputs/output_scope.h"

namespace vx42 {

struct RecordingSink : ChangeSink {
    std::vector<std::pair<int, Bytes>> writes;
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        writes.emplace_back(address, Bytes(bytes.begin(), bytes.end()));
    }
};

using LiveWrites = std::vector<std::pair<int, int>>;

// The live drive's side of the module: every byte tried, those written, the settles and pauses;
// the next `failuresLeft` writes fail.
struct RecordingLiveLink : LiveLink {
    bool online = true;
    int settles = 0;
    int pauses = 0;
    int failuresLeft = 0;
    LiveWrites tries, written;

    bool Online() const override { return online; }
    void SettleLink() override { ++settles; }
    bool WriteByte(int address, std::uint8_t value) override {
        tries.emplace_back(address, value);
        if (failuresLeft > 0) return --failuresLeft, false;
        written.emplace_back(address, value);
        return true;
    }
    void PauseBeforeRetry() override { ++pauses; }
};

class OutputFixture : public ::testing::Test {
  protected:
    void TearDown() override {
        EXPECT_TRUE(prompt.Unexpected().empty()) << prompt.Unexpected()[0];
        EXPECT_TRUE(prompt.ScriptDone());
    }

    ScriptedPrompt prompt;
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
