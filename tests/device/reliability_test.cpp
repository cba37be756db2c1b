// Hundreds of retrieves, whole writes and single changes against a module whose link drops,
// corrupts, cuts short, delays and litters replies, and now and then is unplugged. Whatever
// the link reports as done must be true: a completed retrieve equals the module's memory, a
// failed one leaves the image as it was, an acknowledged change is in the module.

#include <gtest/gtest.h>

#include <random>

#include "link_fixture.h"
#include "support/stepped_clock.h"

namespace vx42 {
namespace {

struct Tally {
    int retrieves = 0, retrievesFailed = 0, writes = 0, changes = 0;
    std::map<Fault, int> faults;
};

class Soak {
  public:
    Soak(std::uint32_t seed, Tally& tally) : rng_(seed), tally_(tally) {
        sim::SimConfig config;
        config.lateSeconds = 0.025;
        config.seed = seed;
        config.rates = {.drop = 0.002,
                        .corrupt = 0.003,
                        .cutShort = 0.002,
                        .late = 0.001,
                        .stale = 0.003,
                        .unplug = 0.0002};
        sim_ = std::make_shared<sim::Simulator>(config, clock_);
        Reconnect();
    }

    void Run(int operations) {
        for (int op = 0; op < operations; ++op) {
            const int pick = Uniform(0, 99);
            if (pick < 25)
                Retrieve();
            else if (pick < 40)
                WholeWrite();
            else
                Change();
            CountFaults();
            if (unplugged_) Reconnect();
        }
    }

  private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    Bytes RandomBytes(int n) {
        Bytes b(static_cast<std::size_t>(n));
        for (auto& x : b) x = static_cast<std::uint8_t>(Uniform(0, 255));
        return b;
    }

    Bytes ModuleCalibration() { return sim_->Module().Read(kCalBaseAddress, kCalImageSize); }

    // The tool starts again with the cable back in.
    void Reconnect() {
        for (int tries = 0; tries < 20; ++tries) {
            sim_->Replug(0);
            link_.reset();
            link_ = std::make_unique<ModuleLink>(std::make_unique<sim::SimBridge>(sim_), prompt_,
                                                 clock_);
            link_->SetTiming(test::FastTiming());
            link_->ConnectIfOffline();
            CountFaults();
            if (link_->Online() && !unplugged_) return;
        }
        FAIL() << "the module could not be reached again";
    }

    void Retrieve() {
        ++tally_.retrieves;
        sim_->Module().Write(kCalBaseAddress, RandomBytes(kCalImageSize));
        const CalImage before = image_;
        if (link_->RetrieveCalibration(image_, {})) {
            EXPECT_EQ(Bytes(image_.bytes().begin(), image_.bytes().end()), ModuleCalibration());
        } else {
            ++tally_.retrievesFailed;
            EXPECT_EQ(image_, before);
        }
    }

    void WholeWrite() {
        ++tally_.writes;
        image_.CopyIntoImage(RandomBytes(kCalImageSize), 0);
        if (link_->WriteWholeCalibration(image_, {})) {
            EXPECT_EQ(ModuleCalibration(), Bytes(image_.bytes().begin(), image_.bytes().end()));
            EXPECT_EQ(sim_->Module().Read(kCalBaseAddress + kCalImageSize, 9), Bytes(9, 0xFF));
            EXPECT_FALSE(sim_->Module().Frozen());
        }
    }

    void Change() {
        ++tally_.changes;
        const int count = Uniform(1, 16);
        const int address = kCalBaseAddress + Uniform(0, kCalImageSize - count);
        const Bytes bytes = RandomBytes(count);
        if (link_->WriteStagedChange(address, bytes)) {
            EXPECT_EQ(sim_->Module().Read(address, count), bytes) << "change at " << address;
        }
    }

    void CountFaults() {
        for (const auto& frame : sim_->Log()) {
            if (frame.fault == Fault::None) continue;
            ++tally_.faults[frame.fault];
        }
        sim_->ClearLog();
        int listed = 0;
        sim_->ListCount(listed);
        unplugged_ = listed == 0;
    }

    std::mt19937 rng_;
    SteppedClock clock_;  // the link and the module on one stepped clock
    std::shared_ptr<sim::Simulator> sim_;
    ScriptedPrompt prompt_;
    std::unique_ptr<ModuleLink> link_;
    CalImage image_;
    bool unplugged_ = false;
    Tally& tally_;
};

TEST(Reliability, NoSilentCorruptionUnderRandomFaults) {
    Tally total;
    for (std::uint32_t seed : {11u, 29u, 47u}) {
        SCOPED_TRACE(seed);
        Soak(seed, total).Run(160);
    }
    // The run met every kind of fault and still completed most of its work.
    for (Fault f :
         {Fault::Drop, Fault::CorruptChecksum, Fault::CutShort, Fault::Late, Fault::Stale})
        EXPECT_GT(total.faults[f], 5) << sim::FaultName(f);
    EXPECT_GT(total.retrieves - total.retrievesFailed, 50);
    EXPECT_GT(total.writes, 30);
    EXPECT_GT(total.changes, 150);
}

}  // namespace
}  // namespace vx42
