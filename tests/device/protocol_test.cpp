// The command protocol: the frames byte for byte and the replies accepted, then over the
// simulator the faults and the retries they cause, the waits and the serialisation of
// exchanges.

#include <gtest/gtest.h>

#include <thread>

#include "device/clock.h"
#include "device/frames.h"
#include "link_fixture.h"
#include "support/stepped_clock.h"

namespace vx42 {
namespace frame {
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

    // A bootloader block puts its checksum before the data.
    const std::uint8_t two[2] = {0x01, 0x02};
    EXPECT_EQ(BootBlockRequest(two, 0x012345),
              B({'P', 0x01, 0x23, 0x45, 0x6C, '0', '0', '0', 0x01, 0x02}));
    const Bytes sixteen(16, 0xAA);
    EXPECT_EQ(BootBlockRequest(sixteen, 0xABCDEF).size(), 24u);
}

TEST(Frames, SixteenByteWriteIsTwentyBytes) {
    // Data 1 to 16 sum to 136.
    const Bytes data{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    Bytes expected{'P', 0x0E, 0xA0};
    expected.insert(expected.end(), data.begin(), data.end());
    expected.push_back((0x0E + 0xA0 + 136) % 256);
    EXPECT_EQ(Write16Request(data, 0x0EA0), expected);
}

TEST(Frames, AcknowledgementsLookAtTheFirstByteOnlyAndTheVersionAtItsChecksum) {
    EXPECT_TRUE(AcceptAck(B({'X'}), 'X'));
    for (const Bytes& other : {B({'x'}), B({'W'}), Bytes{}}) EXPECT_FALSE(AcceptAck(other, 'X'));
    EXPECT_TRUE(AcceptBootloader(B({'Y'})));
    EXPECT_FALSE(AcceptBootloader(B({'N'})) || AcceptBootloader({}));
    EXPECT_TRUE(AcceptBootBlock(B({'P', 0, 0, 0})));
    EXPECT_TRUE(AcceptBootBlock(B({'P', 9, 9, 9})));  // the other three are not examined
    EXPECT_FALSE(AcceptBootBlock(B({'P', 0, 0})) || AcceptBootBlock(B({'Q', 0, 0, 0})));
    // The version reply needs four bytes and its checksum.
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
}  // namespace frame

namespace {

TEST(Protocol, ClosedLinkRefusesWithoutTouchingIt) {
    LinkFixture f;
    Bytes data;
    EXPECT_FALSE(f.link.GetFirmwareDevice());
    EXPECT_FALSE(f.link.CommandInProgress());
    EXPECT_FALSE(f.link.Write1ByteDevice(1, 0x3901));
    EXPECT_FALSE(f.link.Read16BytesDevice(0x400, data));
    EXPECT_FALSE(f.link.WriteBootBlockDevice(Bytes(16, 0), 0));
    EXPECT_EQ(f.sim->DriverCalls(), 0);
    std::string error;
    ASSERT_TRUE(f.link.OpenDevice("Dialvane", error));
    EXPECT_FALSE(f.link.ConfigureDevice(50, error));
    EXPECT_EQ(error, "Failed to Set USB Speed. Error Code:7");
}

TEST(Protocol, EachFaultFailsOneAttemptAndTheRetryRecovers) {
    for (Fault fault : {Fault::Drop, Fault::CorruptChecksum, Fault::CutShort, Fault::Late}) {
        SCOPED_TRACE(std::string(sim::FaultName(fault)));
        LinkFixture f;
        f.Connect();
        f.module().SetCanStatus(0, 0xA55A);
        f.sim->InjectAt(f.sim->Exchanges() + 1, fault);
        Bytes data;
        EXPECT_FALSE(f.link.Read2BytesDevice(0x3B7B, data));
        EXPECT_TRUE(f.link.Read2BytesRetry(0x3B7B, data));
        EXPECT_EQ(data, (Bytes{0xA5, 0x5A}));
        EXPECT_EQ(f.sim->Log().size(), 2u);
        EXPECT_TRUE(f.prompt.Calls().empty());
    }
}

TEST(Protocol, StaleBytesArePurgedBeforeEveryRequestAndDrainedBySettling) {
    LinkFixture f;
    f.link.SettleLink();  // offline: nothing happens
    EXPECT_EQ(f.sim->DriverCalls(), 0);
    f.Connect();
    f.module().Write(0x0400, Bytes(16, 0x21));
    f.sim->InjectAt(f.sim->Exchanges() + 1, Fault::Stale);
    EXPECT_TRUE(f.link.Write1ByteDevice(0, 0x3901));  // the ack, then stale bytes behind it
    Bytes data;
    EXPECT_TRUE(f.link.Read16BytesDevice(0x0400, data));
    EXPECT_EQ(data, Bytes(16, 0x21));

    f.sim->InjectAt(f.sim->Exchanges() + 1, Fault::Stale);
    ASSERT_TRUE(f.link.Read2BytesDevice(0x3B7B, data));  // leaves stale bytes queued
    f.link.SettleLink();
    EXPECT_TRUE(f.link.WaitForBytes(0.0, 0));
    EXPECT_FALSE(f.link.WaitForBytes(0.005, 1));  // nothing left
}

TEST(Protocol, LateReplyCannotPassForALaterAnswer) {
    // With the wire modelled, a late reply lands in the middle of later exchanges unless the
    // link lets it arrive before its next purge.
    LinkFixture f;
    f.sim->SetTiming({.enabled = true});
    f.Connect();
    for (int b = 0; b < 12; ++b)
        f.module().Write(0x0400 + 16 * b, Bytes(16, static_cast<std::uint8_t>(b + 1)));
    f.sim->InjectAt(f.sim->Exchanges() + 1, Fault::Late);
    Bytes data;
    EXPECT_FALSE(f.link.Read16BytesDevice(0x0400, data));
    for (int b = 0; b < 12; ++b) {
        ASSERT_TRUE(f.link.Read16BytesDevice(0x0400 + 16 * b, data));
        EXPECT_EQ(data, Bytes(16, static_cast<std::uint8_t>(b + 1))) << "block " << b;
    }
}

TEST(Protocol, FirmwareRequestSetsTheVersionOnlyWhenAccepted) {
    LinkFixture f;
    f.Connect();
    EXPECT_EQ(f.link.FirmwareVersion(), "2.1.0");
    f.module().Version() = {9, 8, 7};
    f.sim->InjectAt(f.sim->Exchanges() + 1, Fault::CorruptChecksum);
    EXPECT_FALSE(f.link.GetFirmwareDevice());
    EXPECT_EQ(f.link.FirmwareVersion(), "2.1.0");
    EXPECT_TRUE(f.link.GetFirmwareDevice());
    EXPECT_EQ(f.link.FirmwareVersion(), "9.8.7");
    EXPECT_FALSE(f.link.CommandInProgress());
}

TEST(Protocol, ExchangesFromSeveralThreadsNeverInterleave) {
    LinkFixture f;
    f.Connect();
    for (int k = 0; k < 8; ++k)
        f.module().SetCanStatus(k, static_cast<std::uint16_t>(0x1111 * (k + 1)));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                const int k = (t + i) % 8;
                Bytes data;
                const auto want = static_cast<std::uint8_t>(0x11 * (k + 1));
                if (!f.link.Read2BytesDevice(0x3B7B + 10 * k, data) || data[0] != want) ++wrong;
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong, 0);
}

TEST(Clock, DelaysSleepAtLeastTheirTime) {
    const double start = SecondsNow();
    EXPECT_GE(Delay(15), 15.0);
    EXPECT_GE(DelaySeconds(0.01), 0.01);
    EXPECT_GE(SecondsNow() - start, 0.025 - 1e-4);
    const double now = SecondsNow();
    EXPECT_DOUBLE_EQ(now, std::round(now * 10000) / 10000);
    EXPECT_NEAR(MillisecondsNow(), SecondsNow() * 1000, 5);
}

TEST(Clock, ASteppedClockMovesOnlyWhenAdvancedOrWaitedOnAndNeverBack) {
    using namespace std::chrono_literals;
    SteppedClock clock;
    const auto start = clock.Now();
    EXPECT_EQ(clock.Now(), start);  // stands still by itself
    clock.Advance(5ms);
    EXPECT_EQ(clock.Now() - start, 5ms);
    clock.SleepFor(2ms);
    EXPECT_EQ(clock.Now() - start, 7ms);
    clock.SleepUntil(start);  // a time already past: no step back
    EXPECT_EQ(clock.Now() - start, 7ms);
    std::mutex mutex;
    std::condition_variable arrived;
    std::unique_lock lock(mutex);
    clock.WaitUntil(lock, arrived, start + 10ms);  // a wait nobody ends: to its time-out
    EXPECT_EQ(clock.Now() - start, 10ms);
    clock.SleepSeconds(0.00004);
    EXPECT_DOUBLE_EQ(clock.Seconds(), 3600.01);  // 4 decimal places, like SecondsNow
}

}  // namespace
}  // namespace vx42
