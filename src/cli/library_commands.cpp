// vx42ctl library show | build, canid to-module | from-module.

#include "cli/cli_support.h"
#include "cli/commands.h"

namespace vx42::cli {

void AddLibraryCommands(CLI::App&, Session&) {}

}  // namespace vx42::cli
