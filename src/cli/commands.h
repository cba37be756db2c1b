#pragma once
// The command groups of vx42ctl. Each adds its subcommands to the application; a command
// prints its result on standard output and throws CliError (or ReportedFailure) when it
// fails.

#include <CLI/CLI.hpp>
#include <memory>

#include "cli/console_prompt.h"

namespace vx42::cli {

// What every command can reach: the prompt and the global flags.
struct Session {
    ConsolePrompt prompt;
    bool assumeYes = false;
};

void AddCalibrationCommands(CLI::App& app, Session& session);
void AddFileCommands(CLI::App& app, Session& session);     // presets, firmware, srec2blu
void AddLibraryCommands(CLI::App& app, Session& session);  // library, canid
// info, retrieve, write, ...; their module options are taken before the command's name too.
void AddModuleCommands(CLI::App& app, Session& session);
// calibrate, a module command: `device` holds the module options, also those given before the
// command's name.
struct DeviceOptions;
void AddCalibrateCommand(CLI::App& app, Session& session, std::shared_ptr<DeviceOptions> device);
// Refuses module options given before a command that does not talk to a module.
void RefuseStrayModuleOptions(const CLI::App& app);
void AddDemoCommand(CLI::App& app, Session& session);      // demo
void AddHistoryCommands(CLI::App& app, Session& session);  // history
// "calibration check", added to the calibration group.
void AddCalibrationCheck(CLI::App& calibration, Session& session);

// The whole command line: the global flags, every command and the checks made once it is
// parsed. Run parses with it; the man page is made from it.
void DescribeCommands(CLI::App& app, Session& session);

// Parses the command line and runs the chosen command; returns the exit status.
int Run(int argc, char** argv);

}  // namespace vx42::cli
