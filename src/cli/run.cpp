// The application: global flags, the command groups, and how a run ends.

#include <iostream>

#include "base/file_lock.h"
#include "cli/cli_support.h"
#include "cli/commands.h"

#define VX42_TEXT2(x) #x
#define VX42_TEXT(x) VX42_TEXT2(x)

namespace vx42::cli {

void DescribeCommands(CLI::App& app, Session& session) {
    app.name("vx42ctl");
    app.description(
        "vx42ctl: the VX42 Configurator for scripts. Shows, builds and compares calibration "
        "files, message libraries, gauge presets and firmware files, and talks to a module "
        "over USB (or to the simulated module).");
    app.set_version_flag("--version", "vx42ctl " VX42_TEXT(VX42_VERSION_MAJOR) "." VX42_TEXT(
                                          VX42_VERSION_MINOR) "." VX42_TEXT(VX42_VERSION_PATCH));
    app.require_subcommand(1);
    app.add_flag("-y,--yes", session.assumeYes,
                 "Answer yes to the questions a command asks (they are refused otherwise)");
    app.footer(
        "JSON and results go to standard output, messages and progress to standard error.\n"
        "Exit status: 0 done; 1 the compared calibrations differ (diff, verify); 2 failed.\n"
        "Run \"vx42ctl COMMAND --help\" for a command's arguments.\n");

    AddCalibrationCommands(app, session);
    AddLibraryCommands(app, session);
    AddFileCommands(app, session);
    AddHistoryCommands(app, session);
    for (CLI::App* command : app.get_subcommands({})) command->group("File commands");
    AddModuleCommands(app, session);
    AddDemoCommand(app, session);
    app.parse_complete_callback([&app, &session] {
        RefuseStrayModuleOptions(app);
        session.prompt.SetAssumeYes(session.assumeYes);
    });
}

int Run(int argc, char** argv) {
    SetLockHolderName("vx42ctl");
    Session session;
    CLI::App app;
    // Options are "--name" and "-n" on every system: on Windows a "/" starts a path (the root
    // of the current drive), never an option. Subcommands take this from here.
    app.allow_windows_style_options(false);
    DescribeCommands(app, session);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);  // --help, --version
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitFailure;
    } catch (const ExitStatus& e) {
        return e.status();
    } catch (const ReportedFailure&) {
        return kExitFailure;
    } catch (const std::exception& e) {
        Note(ConsolePrompt::OneLine(e.what()));
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace vx42::cli
