// VX42: the configuration tool's window. Started as "VX42RelayControl" it opens in relay mode.
// The only command-line option, --simulator, connects to the built-in module simulator
// instead of a USB bridge, so the tool can be tried without a module.

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <clocale>
#include <cstring>

#include "app/qt/qt_prompt.h"
#include "app/qt/qt_settings_store.h"
#include "files/folders.h"
#include "files/paths.h"
#include "ui/bridge_choice.h"
#include "ui/program_start.h"

namespace {

// The program's icon in every size drawn: from the desktop's icon theme when installed, else
// from the icons built beside the program (SHARE/icons/hicolor/NxN/apps).
QIcon ProgramIcon(const std::string& sharedFolder) {
    QIcon icon = QIcon::fromTheme(vx42::kIconName);
    if (!icon.isNull()) return icon;
    const QDir hicolor(QString::fromStdString(sharedFolder) + "/../icons/hicolor");
    for (const QString& size : hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString file = hicolor.filePath(size + "/apps/" + vx42::kIconName + ".png");
        if (QFile::exists(file)) icon.addFile(file);
    }
    return icon;
}

}  // namespace

int main(int argc, char** argv) {
    bool simulator = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--simulator") == 0) simulator = true;

    QApplication application(argc, argv);
    // Qt has just set the C library's locale from the desktop. Numbers never depend on it (the
    // tool reads and writes them with a period everywhere), and the C numeric locale keeps any
    // library call that still consults it from reading "62.5" as 62 on a comma desktop.
    std::setlocale(LC_NUMERIC, "C");
    application.setApplicationName(vx42::kApplicationName);
    application.setOrganizationName(vx42::kApplicationName);

    const vx42::StartupMode mode = vx42::ModeFromProgramName(argc > 0 ? argv[0] : "VX42");
    // No display name: the desktop would add it to every window title.
    application.setDesktopFileName(QString::fromStdString(vx42::DesktopEntryId(mode)));
    vx42::QtPrompt prompt;
    vx42::QtSettingsStore store;
    auto bridge = [simulator](const vx42::AppContext& app) {
        // The simulated module's memory lasts between runs in the user's data folder.
        const std::string dataFolder = vx42::UserDataFolder();
        QDir().mkpath(QString::fromStdString(dataFolder));
        return vx42::ChooseBridge(simulator, app.folders.shared,
                                  vx42::JoinPath(dataFolder, "simulated-module.state"));
    };
    vx42::Program program;
    if (!vx42::StartProgram(program, mode, vx42::ProgramFolder(), prompt, store, bridge, simulator,
                            vx42::DefaultHistoryFolder()))
        return 1;  // the error has been shown and logged
    application.setWindowIcon(ProgramIcon(program.app->folders.shared));
    prompt.setParent(program.window.get());
    program.window->show();
    const int status = application.exec();
    prompt.setParent(nullptr);
    return status;
}
