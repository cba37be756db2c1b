#pragma once
// The link to one module for one command: the back end chosen with --device (the simulator
// keeps its memory in the --sim-state file between runs), the connection, and progress on
// standard error.

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "cli/console_prompt.h"
#include "cli/progress_bar.h"
#include "device/module_link.h"
#include "device/sim/simulator.h"

namespace vx42::cli {

struct DeviceOptions {
    std::string device = "auto";
    std::string simState;   // the simulated module's memory between runs
    std::string simConfig;  // the simulator's settings ("key=value;...")
};

// Adds --device, --sim-state and --sim to a module command.
void AddDeviceOptions(CLI::App& command, DeviceOptions& options);

class ModuleSession {
  public:
    // Chooses the back end; --sim-state or --sim alone choose the simulator. Throws CliError
    // for a bad choice or simulator setting.
    ModuleSession(const DeviceOptions& options, ConsolePrompt& prompt);
    ~ModuleSession();
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    // Opens the link and asks the module for its firmware version; ReportedFailure when the
    // module cannot be reached (the reason was shown).
    void Connect();
    ModuleLink& link() { return *link_; }
    // A progress callback drawing on the bar (which shows only on a terminal).
    Progress ProgressOn(ProgressBar& bar);

  private:
    ConsolePrompt& prompt_;
    std::shared_ptr<sim::Simulator> simulator_;
    std::unique_ptr<ModuleLink> link_;
};

}  // namespace vx42::cli
