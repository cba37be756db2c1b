// The simulated module and the simulator around it: the frames the module answers, its bridges,
// faults, timing and the state file that carries it between programs.

#include "device/sim/simulator.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "device/bridge.h"
#include "device/sim/sim_module.h"
#include "support/stepped_clock.h"
#include "support/temp_dir.h"

namespace vx42::sim {
namespace {

Bytes Framed(std::initializer_list<int> head) {
    // Letter, then bytes whose checksum is appended.
    Bytes f;
    for (int x : head) f.push_back(static_cast<std::uint8_t>(x));
    f.push_back(FrameChecksum(std::span(f).subspan(1)));
    return f;
}

// Reads answered with checksummed data; frames it cannot parse get no answer.
TEST(SimModule, AnswersReadsWithChecksummedDataAndIgnoresFramesItCannotParse) {
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

using namespace std::chrono_literals;

SimConfig TwoBridges() {
    SimConfig c;
    c.bridges = {{"Other Serial Cable", "OT000001"}, {"Dialvane VX42", "DV000002"}};
    return c;
}

// Opens the module's bridge at the module's line speed.
int OpenModule(Simulator& s, const std::string& description = "Dialvane VX42") {
    int h = 0;
    EXPECT_EQ(s.Open(description, h), ft::Ok);
    EXPECT_EQ(s.SetBaudRate(h, 100000), ft::Ok);
    return h;
}

// Sends one frame and returns everything queued afterwards.
Bytes Ask(Simulator& s, int h, const Bytes& request) {
    std::uint32_t n = 0;
    EXPECT_EQ(s.Write(h, request, n), ft::Ok);
    std::uint32_t queued = 0;
    s.QueueStatus(h, queued);
    Bytes reply(queued);
    s.Read(h, reply, n);
    return reply;
}

const Bytes kReadCal{'Q', 0x04, 0x00, 0x04};

TEST(Simulator, ListsAndOpensBridges) {
    // Listing in order is run by the link's connect tests; here what they cannot reach.
    Simulator s(TwoBridges());
    std::string text;
    EXPECT_EQ(s.ListDescription(2, text), ft::DeviceNotFound);

    int h = 0;
    EXPECT_EQ(s.Open("Dialvane", h), ft::DeviceNotFound);  // open wants the whole description
    h = OpenModule(s);
    EXPECT_TRUE(s.IsOpen(1));
    int again = 0;
    EXPECT_EQ(s.Open("Dialvane VX42", again), ft::DeviceNotOpened);  // already in use
    EXPECT_THROW(s.Module(0), std::logic_error);                     // no module there
    EXPECT_EQ(s.Close(h), ft::Ok);
    std::uint32_t q = 0;
    EXPECT_EQ(s.QueueStatus(h, q), ft::InvalidHandle);
}

TEST(Simulator, ModuleListensAtItsLineSpeedOnly) {
    Simulator s;
    int h = 0;
    ASSERT_EQ(s.Open("Dialvane VX42 USB", h), ft::Ok);
    EXPECT_TRUE(Ask(s, h, kReadCal).empty());  // still at the driver's 9600 baud
    ASSERT_EQ(s.SetBaudRate(h, 100000), ft::Ok);
    EXPECT_EQ(Ask(s, h, kReadCal).size(), 18u);
    EXPECT_EQ(s.Exchanges(), 2);
    ASSERT_EQ(s.Log().size(), 2u);
    EXPECT_EQ(s.Log()[1].request, kReadCal);
    // A bridge's divisor seldom gives the rate exactly: within the tolerance it is understood.
    ASSERT_EQ(s.SetBaudRate(h, 102900), ft::Ok);
    EXPECT_EQ(Ask(s, h, kReadCal).size(), 18u);
    ASSERT_EQ(s.SetBaudRate(h, 96000), ft::Ok);
    EXPECT_TRUE(Ask(s, h, kReadCal).empty());
}

TEST(Simulator, EachFaultAtItsChosenExchange) {
    SteppedClock clock;
    Simulator s({}, clock);
    const int h = OpenModule(s, "Dialvane VX42 USB");
    s.InjectAt(1, Fault::Drop);
    s.InjectAt(2, Fault::CorruptChecksum);
    s.InjectAt(3, Fault::CorruptChecksum);
    s.InjectAt(4, Fault::CutShort);
    s.InjectAt(5, Fault::Stale);
    s.InjectAt(6, Fault::Late);
    s.InjectAt(8, Fault::Unplug);

    EXPECT_TRUE(Ask(s, h, kReadCal).empty());
    const Bytes good = s.Module().Read(0x400, 16);
    const Bytes corrupt = Ask(s, h, kReadCal);
    ASSERT_EQ(corrupt.size(), 18u);
    EXPECT_EQ(corrupt[0], 'Q');
    EXPECT_NE(corrupt[17], FrameChecksum(good));
    const Bytes badAck = Ask(s, h, Bytes{'X', 0x39, 0x00, 0x00, 0x39});
    ASSERT_EQ(badAck.size(), 1u);
    EXPECT_NE(badAck[0], 'X');
    EXPECT_EQ(Ask(s, h, kReadCal).size(), 9u);
    const Bytes stale = Ask(s, h, kReadCal);
    EXPECT_GT(stale.size(), 18u);
    EXPECT_EQ(s.Purge(h), ft::Ok);

    s.SetLateSeconds(0.05);
    EXPECT_TRUE(Ask(s, h, kReadCal).empty());  // late: not there yet
    EXPECT_EQ(s.Purge(h), ft::Ok);             // a purge does not reach bytes still on the way
    clock.Advance(50ms - 1ns);
    std::uint32_t q = 0;
    EXPECT_EQ(s.QueueStatus(h, q), ft::Ok);
    EXPECT_EQ(q, 0u);
    clock.Advance(1ns);  // it lands 50 ms after its request
    EXPECT_EQ(s.QueueStatus(h, q), ft::Ok);
    EXPECT_EQ(q, 18u);

    EXPECT_EQ(Ask(s, h, kReadCal).size(), 18u + 18u);  // exchange 7 behind the late reply
    std::uint32_t n = 0;
    EXPECT_EQ(s.Write(h, kReadCal, n), ft::IoError);  // exchange 8 unplugs
    EXPECT_EQ(s.QueueStatus(h, q), ft::IoError);
    int count = -1;
    s.ListCount(count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(s.Log()[4].fault, Fault::Stale);
}

TEST(Simulator, RandomFaultsRepeatWithTheSeed) {
    auto run = [](std::uint32_t seed) {
        Simulator s;
        s.SetFaultRates({.drop = 0.2, .corrupt = 0.2}, seed);
        const int h = OpenModule(s, "Dialvane VX42 USB");
        std::vector<Fault> faults;
        for (int i = 0; i < 50; ++i) {
            Ask(s, h, kReadCal);
            faults.push_back(s.Log().back().fault);
        }
        return faults;
    };
    const auto a = run(7);
    EXPECT_EQ(a, run(7));
    EXPECT_NE(a, run(8));
    const auto drops = std::count(a.begin(), a.end(), Fault::Drop);
    EXPECT_GT(drops, 2);
    EXPECT_LT(drops, 25);
}

TEST(Simulator, TimingModelHoldsRepliesForWireAndLatency) {
    SteppedClock clock;
    Simulator s({}, clock);
    s.SetTiming({.enabled = true, .turnaroundSeconds = 0.0001, .bufferBytes = 62});
    const int h = OpenModule(s, "Dialvane VX42 USB");
    ASSERT_EQ(s.SetLatencyTimer(h, 2), ft::Ok);
    const auto start = clock.Now();
    std::uint32_t n = 0;
    ASSERT_EQ(s.Write(h, kReadCal, n), ft::Ok);
    // 4 + 18 bytes at 100 us each, 0.1 ms turnaround, 2 ms latency timer: 4.3 ms.
    EXPECT_NEAR(s.ModelledLinkSeconds(), 0.0043, 1e-6);
    std::uint32_t q = 0;
    EXPECT_EQ(s.WaitForQueue(h, 18, 100ms, q), ft::Ok);
    EXPECT_EQ(q, 18u);
    // The wait ended when the reply landed: not a step before, not a step after.
    const auto since = [&] {
        return std::chrono::round<std::chrono::microseconds>(clock.Now() - start);
    };
    EXPECT_EQ(since(), 4300us);
    EXPECT_EQ(s.WaitForQueue(h, 19, 100ms, q), ft::Ok);  // more than will come: the time-out
    EXPECT_EQ(q, 18u);
    EXPECT_EQ(since(), 4300us + 100ms);

    // The line is busy until the previous request has gone out.
    s.ResetLinkTime();
    ASSERT_EQ(s.Write(h, Bytes(20, 0), n), ft::Ok);  // no answer: only its wire time
    EXPECT_NEAR(s.ModelledLinkSeconds(), 0.002, 1e-4);

    // The event character ends the latency wait of a reply ending with it; another character
    // leaves the reply to the latency timer; a new open clears it.
    const std::uint8_t last = FrameChecksum(s.Module().Read(0x0400, 16));
    for (const auto& [character, seconds] :
         {std::pair<int, double>{last, 0.0023}, {last ^ 1, 0.0043}}) {
        clock.Advance(10ms);  // the line is free again
        s.ResetLinkTime();
        ASSERT_EQ(s.SetEventChar(h, static_cast<std::uint8_t>(character)), ft::Ok);
        ASSERT_EQ(s.Write(h, kReadCal, n), ft::Ok);
        EXPECT_NEAR(s.ModelledLinkSeconds(), seconds, 1e-6);
    }
    ASSERT_EQ(s.Close(h), ft::Ok);
    const int again = OpenModule(s, "Dialvane VX42 USB");
    EXPECT_FALSE(s.EventChar(0));
    EXPECT_EQ(s.SetEventChar(again + 1, last), ft::InvalidHandle);
}

TEST(Simulator, StateFileCarriesModuleMemoryBetweenRuns) {
    test::TempDir dir;
    SimConfig c;
    c.statePath = dir.file("module.state");
    {
        Simulator s(c);
        s.Module().Write(0x0400, Bytes{1, 2, 3});
    }
    Simulator again(c);
    EXPECT_EQ(again.Module().Read(0x0400, 3), (Bytes{1, 2, 3}));
    c.bridges = {{"Dialvane VX42 USB", "DV999999"}};  // another module keeps its own memory
    Simulator other(c);
    EXPECT_EQ(other.Module().Read(0x0400, 3), (Bytes{0xFF, 0xFF, 0xFF}));
}

TEST(Simulator, AModuleSharedThroughItsStateFileIsOneProgramsAtATime) {
    test::TempDir dir;
    SimConfig c;
    c.statePath = dir.file("module.state");
    Simulator first(c), second(c);  // two programs on one simulated module
    const int h = OpenModule(first, "Dialvane VX42 USB");
    int other = 0;
    EXPECT_EQ(second.Open("Dialvane VX42 USB", other), ft::DeviceNotOpened);
    EXPECT_TRUE(second.InUseElsewhere());
    EXPECT_FALSE(first.InUseElsewhere());
    // The program that waits writes nothing over the module meanwhile.
    first.Module().Write(0x0400, Bytes{7, 8});
    second.SaveState();
    EXPECT_FALSE(std::filesystem::exists(c.statePath));
    // Once the first lets go, the second has the module as the first left it.
    EXPECT_EQ(first.Close(h), ft::Ok);
    ASSERT_EQ(second.Open("Dialvane VX42 USB", other), ft::Ok);
    EXPECT_FALSE(second.InUseElsewhere());
    EXPECT_EQ(second.Module().Read(0x0400, 2), (Bytes{7, 8}));
}

TEST(Simulator, ConfigurationText) {
    const SimConfig c = *ParseSimConfig(
        "bridge=Dialvane A|DV000001; bridge=Cable|CB000002\nversion=3.4.5;seed=9;drop=0.1;"
        "fault=late@12;timing=on;late-seconds=0.5;state=/tmp/x;can=8:0/257");
    ASSERT_EQ(c.bridges.size(), 2u);
    EXPECT_EQ(std::tuple(c.bridges[1].serial, c.version.minor, c.seed, c.rates.drop,
                         c.faultsAt.at(12), c.timing.enabled, c.lateSeconds, c.statePath),
              std::tuple("CB000002", 4, 9u, 0.1, Fault::Late, true, 0.5, "/tmp/x"));
    EXPECT_EQ(c.canTraffic.at(7), (std::vector<std::uint16_t>{0, 257}));
    EXPECT_FALSE(ParseSimConfig("can=9:1").ok());
    EXPECT_FALSE(ParseSimConfig("can=1:1/x").ok());
    EXPECT_EQ(ParseSimConfig("drop=lots").error().message,
              "simulator setting drop: not a number: lots");
    EXPECT_EQ(ParseSimConfig("fault=melt@3").error().message, "unknown simulator fault: melt");
    EXPECT_EQ(ParseSimConfig("seed=1;colour=blue").error().message,
              "unknown simulator setting: colour");
    EXPECT_EQ(ParseSimConfig("")->bridges.size(), 1u);
}

}  // namespace
}  // namespace vx42::sim
