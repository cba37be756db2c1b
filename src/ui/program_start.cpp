#include "ui/program_start.h"

namespace vx42 {

bool StartProgram(Program& program, StartupMode mode, const std::string& programFolder,
                  Prompt& prompt, SettingsStore& store,
                  const std::function<std::unique_ptr<Bridge>()>& makeBridge, bool simulated) {
    const ErrorLog log(programFolder);
    Program made;
    const bool started = RunTrapped({"modMain", "modMain", "Main"}, prompt, log, [&] {
        made.app = std::make_unique<AppContext>(mode, programFolder, prompt, store);
        made.app->presets = ReadGaugePresets(made.app->presetsPath(), prompt);
        made.module = std::make_unique<LinkModuleService>(makeBridge(), prompt, simulated);
        made.window = std::make_unique<FrmMain>(*made.app, *made.module);
    });
    // The window's load traps its own errors; a window that did not finish loading is
    // not shown.
    if (!started || !made.window || !made.window->loaded()) return false;
    program = std::move(made);
    return true;
}

}  // namespace vx42
