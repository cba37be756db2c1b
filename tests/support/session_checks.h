#pragma once
// The rules a session with a module keeps after every step, shared by the random sequences run
// through the session and through the main window: each gives the text of the broken rule, or
// an empty text when it holds.

#include <functional>
#include <optional>
#include <string>

#include "session/calibration_session.h"

namespace vx42::test {

// The calibration the module of a key holds in its memory; nothing when there is no such module.
using ModuleMemory = std::function<std::optional<CalImage>(const std::string& moduleKey)>;

// The module holds what the tool believes it wrote; in step, it holds the calibration shown (so
// no edit reached a module it was not made for); no transfer was left running.
inline std::string BrokenSessionRule(const CalibrationSession& session,
                                     const ModuleMemory& memoryOf) {
    if (const auto& believed = session.moduleImage()) {
        const auto held = memoryOf(session.moduleKey());
        if (!held) return "a module is believed known that does not exist";
        if (*held != *believed)
            return "module " + session.moduleKey() + " holds other bytes than the tool wrote";
        if (session.Agreement() == ModuleAgreement::InStep && *held != session.shown())
            return "in step, but the module differs from the calibration shown";
    }
    if (session.transfer() != Transfer::None) return "a transfer was left running";
    return {};
}

// A whole write or retrieve of `image` with module `serial` left it as the module's newest
// restore point.
inline std::string MissingRestorePoint(CalibrationSession& session, const std::string& serial,
                                       const CalImage& image) {
    RestorePoints* store = session.keeper().store();
    if (!store) return "no restore points are kept";
    const auto m = store->Module(serial);
    if (!m || m->entries.empty() || store->Load(*m, m->entries.back()) != image)
        return "a whole write or retrieve left no restore point";
    return {};
}

}  // namespace vx42::test
