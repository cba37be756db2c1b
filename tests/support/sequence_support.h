#pragma once
// What the session's and the window's command sequences share: the two simulated modules, the
// library their message selections choose from, and the link faults a command draws.

#include <optional>
#include <string>

#include "can/can_message.h"
#include "device/module_link.h"
#include "device/sim/simulator.h"
#include "files/restore_points.h"
#include "support/files_bytes.h"
#include "support/session_adapter.h"

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

// The bridge of the module of a key; -1 when neither is.
inline int BridgeOf(const std::string& moduleKey) {
    for (int b = 0; b < 2; ++b)
        if (ModuleKey(kSequenceSerials[b]) == moduleKey) return b;
    return -1;
}

// The bridge of the module the session is connected to; -1 offline.
inline int ConnectedBridge(const CalibrationSession& session) {
    return session.online() ? BridgeOf(ModuleKey(session.serial())) : -1;
}

// The calibration module `b` holds in its memory.
inline CalImage MemoryOf(sim::Simulator& sim, int b) {
    return ImageOf(sim.Module(b).Read(kCalBaseAddress, kCalImageSize));
}

// What each module holds, by its key, for the session's rules.
inline ModuleMemory MemoriesOf(sim::Simulator& sim) {
    return [&sim](const std::string& key) -> std::optional<CalImage> {
        const int b = BridgeOf(key);
        return b < 0 ? std::nullopt : std::optional(MemoryOf(sim, b));
    };
}

// The 0xCB, 0xE0 marker word of module `b` (nothing for no module).
inline Bytes MarkerOf(sim::Simulator& sim, int b) {
    return b < 0 ? Bytes{} : sim.Module(b).Read(0x38F4, 2);
}

// The link's timing without pauses, a reply allowed `replySeconds`.
inline LinkTiming FastTiming(double replySeconds) {
    return {replySeconds, 0, 0, 0};  // no retry, command or still-failed pause
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
