#include "calibration/edit_target.h"

#include "calibration/outputs/outputs_fixture.h"

namespace vx42 {
namespace {

using EditTargetTest = OutputFixture;  // its image, change flag and recording module side

TEST_F(EditTargetTest, StoresMarkAndWritesInPiecesOfSixteen) {
    // A word stored without marking the calibration changed.
    edit.StoreAndWriteWord(CalAddresses().CanSpeed, 125, false);
    EXPECT_FALSE(changed);
    ExpectWrites({{CalAddresses().CanSpeed, {0x00, 0x7D}}});
    EXPECT_THROW(edit.StoreWord(kCalBaseAddress + kCalImageLast, 1), std::out_of_range);

    const int name = CalAddresses().OutputName[0];
    edit.StoreAndWrite(name, Bytes(24, 'A'));
    EXPECT_TRUE(changed);
    ExpectWrites({{name, Bytes(16, 'A')}, {name + 16, Bytes(8, 'A')}});
}

}  // namespace
}  // namespace vx42
