#pragma once
// The program's start: the gauge presets, the settings, the module and the main window, made
// inside the error trap like every handler. A start that fails has shown and logged its
// error and leaves nothing behind; the program then ends.

#include <functional>
#include <memory>
#include <string>

#include "app/app_context.h"
#include "device/bridge.h"
#include "session/link_module_service.h"
#include "ui/main_window/frm_main.h"

namespace vx42 {

struct Program {
    std::unique_ptr<AppContext> app;
    std::unique_ptr<LinkModuleService> module;
    std::unique_ptr<FrmMain> window;  // loaded, not yet shown
};

// Returns false, with `program` empty, when an error ended the start-up or the window's
// load. makeBridge is called once the settings have been read. Restore points are kept in
// historyFolder (none when it is empty).
bool StartProgram(Program& program, StartupMode mode, const std::string& programFolder,
                  Prompt& prompt, SettingsStore& store,
                  const std::function<std::unique_ptr<Bridge>(const AppContext&)>& makeBridge,
                  bool simulated, const std::string& historyFolder = {});

}  // namespace vx42
