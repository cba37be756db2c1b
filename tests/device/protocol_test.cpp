// The command protocol over the simulator: frames on the wire, reply acceptance, the faults
// and the retries they cause, the waits and the serialisation of exchanges.

#include <gtest/gtest.h>

#include <thread>

#include "device/clock.h"
#include "link_fixture.h"
#include "support/stepped_clock.h"

namespace vx42 {
namespace {

using sim::Fault;
using test::LinkFixture;

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
