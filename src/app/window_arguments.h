#pragma once
// The window's command line: an optional calibration file to open, --simulator, --help and
// --version. Read before the window system is reached, so that --help and --version work
// without a display and a wrong option is refused before anything starts.

#include <optional>
#include <ostream>
#include <string>

#include "app/startup.h"

namespace vx42 {

struct WindowArguments {
    bool simulator = false;
    std::string file;  // opened as File > Open opens it; empty for none
};

// "VX42" or "VX42RelayControl", as messages name the program.
std::string WindowProgramName(StartupMode mode);

// Exit status of a command line that is refused (an unknown option, a second file).
inline constexpr int kUsageStatus = 2;

// Reads argv. Returns nothing when the window is to start with `into`; otherwise the run is
// over and the exit status is returned: 0 after --help or --version (written to `out`),
// kUsageStatus after a refusal (a line naming what was wrong, and where help is, on `err`).
std::optional<int> ReadWindowArguments(int argc, const char* const* argv, StartupMode mode,
                                       WindowArguments& into, std::ostream& out, std::ostream& err);

// The one line written when no window can be shown: no display is set, or the one set
// cannot be reached. `display` is what DISPLAY or WAYLAND_DISPLAY names (empty for none).
std::string NoDisplayMessage(const std::string& programName, const std::string& display);

}  // namespace vx42
