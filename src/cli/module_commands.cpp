// vx42ctl info, retrieve, write, verify, can-speed, can-status, read, upgrade.

#include "cli/cli_support.h"
#include "cli/commands.h"

namespace vx42::cli {

void AddModuleCommands(CLI::App&, Session&) {}

}  // namespace vx42::cli
