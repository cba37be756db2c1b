#pragma once
// What the session's and the window's command sequences share: the two simulated modules, the
// library their message selections choose from, and the link faults a command draws.

#include <string>

#include "can/can_message.h"
#include "device/sim/simulator.h"

namespace vx42::test {

inline constexpr const char* kSequenceSerials[] = {"DV42A001", "DV42B002"};

// Two modules on the bus, no fault but those a command injects.
inline sim::SimConfig TwoModules() {
    sim::SimConfig config;
    config.bridges = {{"Dialvane VX42 USB", kSequenceSerials[0]},
                      {"Dialvane VX42 USB", kSequenceSerials[1]}};
    config.seed = 1;
    return config;
}

// The library "Engine" with the messages "Coolant" and "Speed".
inline CanLibrary EngineLibrary() {
    CanLibrary lib;
    lib.Name = "Engine";
    for (const char* name : {"Coolant", "Speed"}) {
        CanMessage m;
        m.Name = name;
        m.CanId = 0x100;
        m.DataLength = 8;
        m.BitLength = 8;
        m.Multiplier = 1;
        lib.Messages.push_back(m);
    }
    return lib;
}

// A burst of five faults of one kind, `at` exchanges on (0: none), long enough to make an
// exchange fail for good.
inline void InjectFaultBurst(sim::Simulator& sim, int at, int kind) {
    if (at <= 0) return;
    const sim::Fault kinds[] = {sim::Fault::Drop, sim::Fault::CorruptChecksum,
                                sim::Fault::CutShort};
    for (int i = 0; i < 5; ++i) sim.InjectAt(sim.Exchanges() + at + i, kinds[kind % 3]);
}

}  // namespace vx42::test
