// VX42: the configuration tool's window. Started as "VX42RelayControl" it opens in relay mode.
// The only command-line option, --simulator, connects to the built-in module simulator
// instead of a USB bridge, so the tool can be tried without a module.

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstring>
#include <memory>

#include "app/qt/app_context.h"
#include "app/qt/link_module_service.h"
#include "app/qt/qt_prompt.h"
#include "app/qt/qt_settings_store.h"
#include "files/paths.h"
#include "ui/bridge_choice.h"
#include "ui/frm_main.h"

int main(int argc, char** argv) {
    bool simulator = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--simulator") == 0) simulator = true;

    QApplication application(argc, argv);
    application.setApplicationName(vx42::kApplicationName);
    application.setOrganizationName(vx42::kApplicationName);
    application.setApplicationDisplayName("VX42");

    const vx42::StartupMode mode = vx42::ModeFromProgramName(argc > 0 ? argv[0] : "VX42");
    vx42::QtPrompt prompt;
    vx42::QtSettingsStore store;
    vx42::AppContext app(mode, vx42::ProgramFolder(), prompt, store);
    app.presets = vx42::ReadGaugePresets(app.presetsPath(), prompt);

    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(dataFolder);
    app.historyFolder = (dataFolder + "/history").toStdString();
    vx42::LinkModuleService module(
        vx42::ChooseBridge(simulator, app.programFolder,
                           (dataFolder + "/simulated-module.state").toStdString()),
        prompt, simulator);

    vx42::FrmMain window(app, module);
    prompt.setParent(&window);
    window.show();
    return application.exec();
}
