#pragma once
// A module link over the simulator with the link's waits shortened, for tests. The link and
// the simulator share a stepped clock: every wait moves it on at once to the time waited for,
// so the timing runs to the exact step and in no time, however busy the machine is.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/scripted_prompt.h"
#include "device/module_link.h"
#include "device/sim/sim_bridge.h"
#include "device/sim/simulator.h"
#include "support/stepped_clock.h"

namespace vx42::test {

// Reply allowance 20 ms, pauses 10 ms; a late reply comes 25 ms after its request: after the
// allowance, before the pause that follows it ends (the proportions of the real link).
inline LinkTiming FastTiming() {
    LinkTiming t;
    t.replyAllowanceSeconds = 0.02;
    t.retryPauseMs = 10;
    t.commandPauseMs = 1;
    t.stillFailedSeconds = 0.01;
    return t;
}

// A bridge over the simulator, for a test whose bridge behaves otherwise.
using BridgeMaker = std::function<std::unique_ptr<sim::SimBridge>(std::shared_ptr<sim::Simulator>)>;

struct LinkFixture {
    explicit LinkFixture(sim::SimConfig config = {}, const BridgeMaker& bridge = {})
        : sim(std::make_shared<sim::Simulator>(Fast(std::move(config)), clock)),
          link(bridge ? bridge(sim) : std::make_unique<sim::SimBridge>(sim), prompt, clock) {
        link.SetTiming(FastTiming());
    }

    static sim::SimConfig Fast(sim::SimConfig config) {
        config.lateSeconds = 0.025;
        return config;
    }

    sim::SimBridge& bridge() { return static_cast<sim::SimBridge&>(link.bridge()); }
    sim::SimModule& module(int bridge = 0) { return sim->Module(bridge); }

    // Connected and identified; the frame log starts empty.
    void Connect() {
        link.ConnectIfOffline();
        EXPECT_TRUE(link.Online());
        sim->ClearLog();
    }

    // Requests sent since the log was last cleared.
    std::vector<sim::Bytes> Requests() const {
        std::vector<sim::Bytes> out;
        for (const auto& f : sim->Log()) out.push_back(f.request);
        return out;
    }

    SteppedClock clock;
    std::shared_ptr<sim::Simulator> sim;
    ScriptedPrompt prompt;
    ModuleLink link;
};

// A progress report as the dialog shows it, and a progress that keeps every report.
struct Step {
    int done, total;
    std::string text;
    bool operator==(const Step&) const = default;
};

inline Progress Recorder(std::vector<Step>& steps) {
    return [&steps](int done, int total, const std::string& text) {
        steps.push_back({done, total, text});
    };
}

}  // namespace vx42::test

namespace vx42 {
using sim::Fault;
using test::LinkFixture;
}  // namespace vx42
