#include "device/sim/sim_module.h"

#include <gtest/gtest.h>

#include "device/bridge.h"

namespace vx42::sim {
namespace {

Bytes Framed(std::initializer_list<int> head) {
    // Letter, then bytes whose checksum is appended.
    Bytes f;
    for (int x : head) f.push_back(static_cast<std::uint8_t>(x));
    f.push_back(FrameChecksum(std::span(f).subspan(1)));
    return f;
}

TEST(SimModule, AnswersReadsWithChecksummedData) {
    SimModule m;
    m.Write(0x0400, Bytes(16, 0x10));
    const Bytes q = m.Handle(Framed({'Q', 0x04, 0x00}));
    ASSERT_EQ(q.size(), 18u);
    EXPECT_EQ(q[0], 'Q');
    EXPECT_EQ(q[17], 0x00);
    m.SetCanStatus(3, 0xBEEF);
    EXPECT_EQ(m.Handle(Framed({'R', 0x3B, 0x99})), (Bytes{'R', 0xBE, 0xEF, 0xAD}));
    // Traffic that comes and goes: each read of the slot takes the next word, round again.
    m.SetCanTraffic(3, {0, 0x0101});
    for (const int word : {0x0000, 0x0101, 0x0000})
        EXPECT_EQ(m.Handle(Framed({'R', 0x3B, 0x99})), Framed({'R', word >> 8, word & 0xFF}));
    EXPECT_EQ(m.Read(0x3B85, 2), (Bytes{0, 0}));  // the other slots keep their words
    EXPECT_EQ(m.Handle(Bytes{'F'}), (Bytes{2, 1, 0, 3}));
    m.Version() = {3, 7, 9};
    EXPECT_EQ(m.Handle(Bytes{'F'}), (Bytes{3, 7, 9, 19}));
}

TEST(SimModule, IgnoresFramesItCannotParse) {
    SimModule m;
    Bytes bad = Framed({'X', 0x39, 0x00, 0xFF});
    bad.back() ^= 1;
    EXPECT_TRUE(m.Handle(bad).empty());
    EXPECT_FALSE(m.Frozen());
    EXPECT_TRUE(m.Handle(Framed({'Q', 0x04})).empty());  // short
    EXPECT_TRUE(m.Handle(Bytes{'Z'}).empty());
    EXPECT_TRUE(m.Handle(Bytes{'C'}).empty());  // only the bootloader finishes an upgrade
}

TEST(SimModule, StagedChangeLandsOnlyWhenApplied) {
    SimModule m;
    // Staging: target 0x0500, 3 bytes, data, then apply.
    m.Handle(Framed({'W', 0x3A, 0x01, 0x05, 0x00}));
    m.Handle(Framed({'X', 0x3A, 0x03, 3}));
    m.Handle(Framed({'P', 0x3A, 0x04, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(m.Read(0x0500, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));  // nothing until applied
    EXPECT_EQ(m.Handle(Framed({'X', 0x3A, 0x00, 0x01})), Bytes{'X'});
    EXPECT_EQ(m.Read(0x0500, 4), (Bytes{7, 8, 9, 0xFF}));
    EXPECT_EQ(m.AppliedChanges(), 1);
}

TEST(SimModule, BootloaderHandOverNeedsUnlockAndMarker) {
    SimModule m;
    EXPECT_EQ(m.Handle(Bytes{'?'}), Bytes{'N'});
    m.Write(kUnlockAddress, Bytes{0xFF, 0xFF});
    m.Write(kMarkerAddress, Bytes{0x04, 0x00});
    EXPECT_EQ(m.Handle(Bytes{'?'}), Bytes{'N'});
    m.Write(kMarkerAddress, Bytes{0xCB, 0xE0});
    EXPECT_EQ(m.Handle(Bytes{'?'}), Bytes{'Y'});
    ASSERT_TRUE(m.InBootloader());

    const Bytes block{'P', 0x01, 0x23, 0x45, 0x6C, '0', '0', '0', 0x01, 0x02};
    EXPECT_EQ(m.Handle(block), (Bytes{'P', 0x01, 0x23, 0x45}));
    EXPECT_EQ(m.ProgramMemory().at(0x012345), 0x01);
    EXPECT_EQ(m.ProgramMemory().at(0x012346), 0x02);
    Bytes badSum = block;
    badSum[4] ^= 1;
    EXPECT_TRUE(m.Handle(badSum).empty());
    EXPECT_EQ(m.Handle(Bytes{'C'}), Bytes{'C'});
    EXPECT_TRUE(m.UpgradeFinished());
    EXPECT_EQ(m.Handle(Bytes{'G'}), Bytes{'G'});
    EXPECT_FALSE(m.InBootloader());
    EXPECT_EQ(m.Resets(), 1);
}

}  // namespace
}  // namespace vx42::sim
