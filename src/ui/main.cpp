// VX42: the configuration tool's window. Started as "VX42RelayControl" it opens in relay mode.
// The only command-line option, --simulator, connects to the built-in module simulator
// instead of a USB bridge, so the tool can be tried without a module.

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstring>

#include "app/qt/qt_prompt.h"
#include "app/qt/qt_settings_store.h"
#include "files/paths.h"
#include "ui/bridge_choice.h"
#include "ui/program_start.h"

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
    const std::string programFolder = vx42::ProgramFolder();
    auto bridge = [simulator, &programFolder] {
        const QString dataFolder =
            QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QDir().mkpath(dataFolder);
        return vx42::ChooseBridge(simulator, programFolder,
                                  (dataFolder + "/simulated-module.state").toStdString());
    };
    vx42::Program program;
    if (!vx42::StartProgram(program, mode, programFolder, prompt, store, bridge, simulator))
        return 1;  // the error has been shown and logged
    prompt.setParent(program.window.get());
    program.window->show();
    const int status = application.exec();
    prompt.setParent(nullptr);
    return status;
}
