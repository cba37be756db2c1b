#pragma once
// vx42ctl's man page is made from its own commands: their names, arguments, options and help
// texts become one section per command group, between the hand-written sections of the page
// (packaging/vx42ctl.1.in). A command added to the program is in the next page built.

#include <CLI/CLI.hpp>
#include <string>

namespace vx42::cli {

// The command sections in roff (man macros): a section per command group (each command with
// subcommands, then the single commands by their help group), a subsection per command with
// its synopsis, its help and its arguments and options. Options that every command of a
// section takes are listed once at the section's head.
std::string ManPageCommands(const CLI::App& app);

// The global options of the program (those before the command), as a roff list.
std::string ManPageGlobalOptions(const CLI::App& app);

// The page: `templateText` with the lines kCommandsMark and kGlobalOptionsMark (roff
// comments) replaced.
inline constexpr const char* kCommandsMark = ".\\\" vx42ctl: commands";
inline constexpr const char* kGlobalOptionsMark = ".\\\" vx42ctl: global options";
std::string ManPage(const CLI::App& app, const std::string& templateText);

}  // namespace vx42::cli
