#include "calibration/edit_target.h"

#include "calibration/outputs/outputs_fixture.h"

namespace vx42 {
namespace {

using EditTargetTest = OutputFixture;  // its image, change flag and recording module side

TEST_F(EditTargetTest, StoresMarkAndWritesInPiecesOfSixteen) {
    // A word stored without marking the calibration changed.
    edit.StoreAndWriteWord(CalAddresses().CanSpeed, 125, false);
    EXPECT_FALSE(changed);
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0].second, (Bytes{0x00, 0x7D}));
    EXPECT_THROW(edit.StoreWord(kCalBaseAddress + kCalImageLast, 1), std::out_of_range);

    const int name = CalAddresses().OutputName[0];
    edit.StoreAndWrite(name, Bytes(24, 'A'));
    EXPECT_TRUE(changed);
    ASSERT_EQ(sink.writes.size(), 3u);
    EXPECT_EQ(sink.writes[1].first, name);
    EXPECT_EQ(sink.writes[1].second.size(), 16u);
    EXPECT_EQ(sink.writes[2].first, name + 16);
    EXPECT_EQ(sink.writes[2].second.size(), 8u);
}

}  // namespace
}  // namespace vx42
