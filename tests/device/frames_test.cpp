#include "device/frames.h"

#include <gtest/gtest.h>

namespace vx42::frame {
namespace {

Bytes B(std::initializer_list<int> v) {
    Bytes out;
    for (int x : v) out.push_back(static_cast<std::uint8_t>(x));
    return out;
}

TEST(Frames, AddressedRequestsByteForByte) {
    // Address 0x0400 goes out as 0x04, 0x00 and adds 0x04 to the checksum.
    EXPECT_EQ(Read16Request(0x0400), B({'Q', 0x04, 0x00, 0x04}));
    EXPECT_EQ(Read2Request(0x3B7B), B({'R', 0x3B, 0x7B, 0xB6}));
    EXPECT_EQ(Write1Request(0xFF, 0x3900), B({'X', 0x39, 0x00, 0xFF, 0x38}));
    const std::uint8_t marker[2] = {0xCB, 0xE0};
    EXPECT_EQ(Write2Request(marker, 0x38F4), B({'W', 0x38, 0xF4, 0xCB, 0xE0, 0xD7}));
    // The checksum wraps modulo 256 and never includes the letter.
    EXPECT_EQ(Write1Request(0x01, 0xFFFF), B({'X', 0xFF, 0xFF, 0x01, 0xFF}));
}

TEST(Frames, SixteenByteWriteIsTwentyBytes) {
    // Data 1 to 16 sum to 136.
    const Bytes data{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    Bytes expected{'P', 0x0E, 0xA0};
    expected.insert(expected.end(), data.begin(), data.end());
    expected.push_back((0x0E + 0xA0 + 136) % 256);
    EXPECT_EQ(Write16Request(data, 0x0EA0), expected);
}

TEST(Frames, BootloaderBlockPutsChecksumBeforeData) {
    const std::uint8_t data[2] = {0x01, 0x02};
    EXPECT_EQ(BootBlockRequest(data, 0x012345),
              B({'P', 0x01, 0x23, 0x45, 0x6C, '0', '0', '0', 0x01, 0x02}));
    const Bytes sixteen(16, 0xAA);
    EXPECT_EQ(BootBlockRequest(sixteen, 0xABCDEF).size(), 24u);
}

TEST(Frames, AcknowledgementsLookAtTheFirstByteOnly) {
    EXPECT_TRUE(AcceptAck(B({'X'}), 'X'));
    EXPECT_FALSE(AcceptAck(B({'x'}), 'X'));
    EXPECT_FALSE(AcceptAck(B({'W'}), 'X'));
    EXPECT_FALSE(AcceptAck({}, 'P'));
    EXPECT_TRUE(AcceptBootloader(B({'Y'})));
    EXPECT_FALSE(AcceptBootloader(B({'N'})));
    EXPECT_FALSE(AcceptBootloader({}));
    EXPECT_TRUE(AcceptBootBlock(B({'P', 0, 0, 0})));
    EXPECT_TRUE(AcceptBootBlock(B({'P', 9, 9, 9})));  // the other three are not examined
    EXPECT_FALSE(AcceptBootBlock(B({'P', 0, 0})));
    EXPECT_FALSE(AcceptBootBlock(B({'Q', 0, 0, 0})));
}

TEST(Frames, VersionReplyNeedsFourBytesAndItsChecksum) {
    EXPECT_EQ(AcceptVersion(B({2, 1, 0, 3})), "2.1.0");
    EXPECT_EQ(AcceptVersion(B({200, 100, 7, (307) % 256})), "200.100.7");
    EXPECT_FALSE(AcceptVersion(B({2, 1, 0, 4})));
    EXPECT_FALSE(AcceptVersion(B({2, 1, 0})));
}

TEST(Frames, ReadRepliesChecksumTheDataOnly) {
    // Sixteen bytes of 0x10 sum to 256: checksum 0x00.
    Bytes reply{'Q'};
    reply.insert(reply.end(), 16, 0x10);
    reply.push_back(0x00);
    Bytes data;
    EXPECT_TRUE(AcceptRead(reply, 'Q', 16, data));
    EXPECT_EQ(data, Bytes(16, 0x10));

    // A wrong checksum fails, but the data were already taken.
    reply.back() = 0x01;
    data.clear();
    EXPECT_FALSE(AcceptRead(reply, 'Q', 16, data));
    EXPECT_EQ(data.size(), 16u);

    EXPECT_TRUE(AcceptRead(B({'R', 0x12, 0x34, 0x46}), 'R', 2, data));
    EXPECT_EQ(data, B({0x12, 0x34}));
    EXPECT_FALSE(AcceptRead(B({'Q', 0x12, 0x34, 0x46}), 'R', 2, data));  // wrong letter
    EXPECT_FALSE(AcceptRead(B({'R', 0x12, 0x34}), 'R', 2, data));        // short
}

}  // namespace
}  // namespace vx42::frame
