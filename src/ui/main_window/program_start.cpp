// The program's start: presets, settings, the module and the main window, inside the trap.
#include "ui/main_window/program_start.h"

namespace vx42 {

bool StartProgram(Program& program, StartupMode mode, const std::string& programFolder,
                  Prompt& prompt, SettingsStore& store,
                  const std::function<std::unique_ptr<Bridge>(const AppContext&)>& makeBridge,
                  bool simulated, const std::string& historyFolder) {
    // Until the context knows the folders, an error is logged where the context would log it.
    const ErrorLog log(FoldersFor(programFolder).state);
    Program made;
    const bool started = RunTrapped({"modMain", "modMain", "Main"}, prompt, log, [&] {
        made.app = std::make_unique<AppContext>(mode, programFolder, prompt, store);
        made.app->historyFolder = historyFolder;
        made.app->presets = ReadGaugePresets(made.app->presetsPath(), prompt);
        made.module = std::make_unique<LinkModuleService>(makeBridge(*made.app), prompt, simulated);
        made.window = std::make_unique<FrmMain>(*made.app, *made.module);
    });
    // The window's load traps its own errors; a window that did not finish loading is
    // not shown.
    if (!started || !made.window || !made.window->loaded()) return false;
    program = std::move(made);
    return true;
}

}  // namespace vx42
