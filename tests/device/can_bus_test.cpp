#include "device/can_bus.h"

#include <gtest/gtest.h>

#include "device/link_fixture.h"

namespace vx42 {
namespace {

constexpr auto R = SlotStatus::Receiving;
constexpr auto N = SlotStatus::NotReceiving;
constexpr auto U = SlotStatus::Unchanged;
constexpr auto X = SlotStatus::NotUsed;

CalImage WithSpeed(unsigned kbits) {
    CalImage image;
    image.StoreWord(CalAddresses().CanSpeed, kbits);
    return image;
}

// Every output uses secondary data.
CalImage AllSecondary() {
    CalImage image;
    for (int o = 0; o < kOutputs; ++o) image.SetByte(CalAddresses().OutputCal[o].SecondaryMode, 1);
    return image;
}

using Shown = std::array<SlotStatus, kMessageSlots>;

// Status reads sent, as slot numbers.
std::vector<int> SlotsRead(const LinkFixture& f) {
    std::vector<int> slots;
    for (const auto& r : f.Requests())
        if (r.size() == 4 && r[0] == 'R') slots.push_back((((r[1] << 8) | r[2]) - 0x3B7B) / 10);
    return slots;
}

TEST(CanSpeed, OpeningSelectsTheStoredRateOrNothing) {
    CanSpeedChoice choice;
    EXPECT_EQ(choice.Load(WithSpeed(500)), 1);
    EXPECT_EQ(choice.Recorded(), 1);
    EXPECT_EQ(CanSpeedChoice{}.Load(WithSpeed(5)), 8);

    // A value not in the table selects nothing and keeps the option last clicked.
    choice.Click(2);
    EXPECT_EQ(choice.Load(WithSpeed(300)), std::nullopt);
    EXPECT_EQ(choice.Recorded(), 2);
    choice.Click(9);  // not an option
    choice.Click(-1);
    EXPECT_EQ(choice.Recorded(), 2);
}

TEST(CanSpeed, OkMarksANewSpeedChangedAndSendsItOnline) {
    // 300 at the first opening: nothing selected, and OK stores the first option, 1000.
    // A new speed is a change of the calibration, online or not.
    CalImage image = WithSpeed(300);
    bool changed = false;
    OfflineSink offline;
    EditTarget target{image, changed, offline};
    CanSpeedChoice choice;
    ASSERT_EQ(choice.Load(image), std::nullopt);
    choice.Ok(target);
    EXPECT_EQ(image.Word(CalAddresses().CanSpeed), 1000u);
    EXPECT_TRUE(changed);
    changed = false;
    choice.Ok(target);  // the same speed again: nothing changed
    EXPECT_FALSE(changed);

    // "125K" online: 0x00 0x7D in the image and, through one staged change, in the module; the
    // file does not hold it yet.
    LinkFixture f;
    f.Connect();
    EditTarget online{image, changed, f.link};
    choice.Click(3);
    choice.Ok(online);
    const int at = ImageIndex(CalAddresses().CanSpeed);
    EXPECT_EQ(image[at], 0x00);
    EXPECT_EQ(image[at + 1], 0x7D);
    EXPECT_TRUE(changed);
    EXPECT_EQ(f.module().Read(CalAddresses().CanSpeed, 2), (Bytes{0x00, 0x7D}));
    EXPECT_EQ(f.module().AppliedChanges(), 1);
    EXPECT_TRUE(f.prompt.Unexpected().empty());
}

TEST(CanStatus, SlotsWithAndWithoutSecondaryData) {
    LinkFixture f;
    f.Connect();
    const std::uint16_t words[kMessageSlots] = {0x0001, 0x0100, 0, 0xFFFF, 0x8000, 0, 0, 0x0002};
    for (int k = 0; k < kMessageSlots; ++k) f.module().SetCanStatus(k, words[k]);

    // Every output uses secondary data: all eight words are read.
    CalImage image = AllSecondary();
    EXPECT_EQ(CanSlotStatus(f.link, image), (Shown{R, R, N, R, R, N, N, R}));
    EXPECT_EQ(SlotsRead(f), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    // Outputs 2 and 4 without secondary data: their secondary slots are not used, not read,
    // whatever the module holds there.
    f.sim->ClearLog();
    image.SetByte(CalAddresses().OutputCal[1].SecondaryMode, 0);
    image.SetByte(CalAddresses().OutputCal[3].SecondaryMode, 0);
    const Shown shown = CanSlotStatus(f.link, image);
    EXPECT_EQ(shown, (Shown{R, R, N, X, R, N, N, X}));
    EXPECT_EQ(CanStatusLine("12:00:01", shown),
              "12:00:01  1 receiving  2 receiving  3 not receiving  4 not used  5 receiving  6 "
              "not receiving  7 not receiving  8 not used");
    EXPECT_EQ(SlotsRead(f), (std::vector<int>{0, 1, 2, 4, 5, 6}));
    EXPECT_TRUE(f.prompt.Unexpected().empty());
}

TEST(CanStatus, FailedReadLeavesItsIndicatorAndTheRestAreStillRead) {
    LinkFixture f;
    f.Connect();
    for (int k = 0; k < kMessageSlots; ++k) f.module().SetCanStatus(k, 1);
    const CalImage image = AllSecondary();

    // Slot 2's read fails all five attempts; slot 0's fails four times and then succeeds.
    const int base = f.sim->Exchanges();
    for (int i = 1; i <= 4; ++i) f.sim->InjectAt(base + i, Fault::Drop);
    for (int i = 7; i <= 11; ++i) f.sim->InjectAt(base + i, Fault::CorruptChecksum);
    EXPECT_EQ(CanSlotStatus(f.link, image), (Shown{R, R, U, R, R, R, R, R}));
    EXPECT_TRUE(f.prompt.Unexpected().empty());  // no message for a failed read
}

TEST(CanStatus, OfflineCheckChangesNothing) {
    LinkFixture f;
    const CalImage image;
    EXPECT_EQ(CheckCanStatus(f.link, image), (Shown{U, U, U, U, U, U, U, U}));
    EXPECT_EQ(f.sim->Exchanges(), 0);

    f.Connect();
    f.module().SetCanStatus(0, 7);
    EXPECT_EQ(CheckCanStatus(f.link, image)[0], R);
}

}  // namespace
}  // namespace vx42
