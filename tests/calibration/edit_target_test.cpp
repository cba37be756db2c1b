#include "calibration/edit_target.h"

#include <gtest/gtest.h>

#include <vector>

namespace vx42 {
namespace {

struct RecordingSink : ChangeSink {
    std::vector<std::pair<int, Bytes>> writes;
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        writes.emplace_back(address, Bytes(bytes.begin(), bytes.end()));
    }
};

TEST(EditTarget, StoresMarkAndWritesInPiecesOfSixteen) {
    CalImage image;
    bool changed = false;
    RecordingSink sink;
    EditTarget edit{image, changed, sink};
    const int name = CalAddresses().OutputName[0];
    const Bytes text(24, 'A');
    edit.StoreAndWrite(name, text);
    EXPECT_TRUE(changed);
    ASSERT_EQ(sink.writes.size(), 2u);
    EXPECT_EQ(sink.writes[0].first, name);
    EXPECT_EQ(sink.writes[0].second.size(), 16u);
    EXPECT_EQ(sink.writes[1].first, name + 16);
    EXPECT_EQ(sink.writes[1].second.size(), 8u);
}

TEST(EditTarget, WordsAndUnmarkedStores) {
    CalImage image;
    bool changed = false;
    RecordingSink sink;
    EditTarget edit{image, changed, sink};
    edit.StoreAndWriteWord(CalAddresses().CanSpeed, 125, false);
    EXPECT_FALSE(changed);
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0].second, (Bytes{0x00, 0x7D}));
    EXPECT_THROW(edit.StoreWord(kCalBaseAddress + kCalImageLast, 1), std::out_of_range);
}

}  // namespace
}  // namespace vx42
