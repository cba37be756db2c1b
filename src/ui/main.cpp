// VX42: the configuration tool's window. Started as "VX42RelayControl" it opens in relay mode.
// Its command line (app/window_arguments.h): a calibration file to open, --simulator to
// connect to the built-in module simulator instead of a USB bridge, --help and --version.

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "app/qt/qt_prompt.h"
#include "app/qt/qt_settings_store.h"
#include "app/window_arguments.h"
#include "base/file_lock.h"
#include "base/program_arguments.h"
#include "base/system_text.h"
#include "files/folders.h"
#include "files/paths.h"
#include "ui/main_window/bridge_choice.h"
#include "ui/main_window/program_start.h"

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

// While the application connects to the display, Qt's messages are held back: when no window
// system can be reached Qt ends the program from its fatal message, which becomes one line
// and exit status 1 instead of an abort. Once connected, what was held back is passed on.
struct DisplayGuard {
    static inline std::string programName;
    static inline std::vector<std::pair<QtMsgType, QString>> held;

    static std::string DisplayName() {
        for (const char* variable : {"WAYLAND_DISPLAY", "DISPLAY"})
            if (const auto value = vx42::EnvironmentVariable(variable); value && !value->empty())
                return *value;
        return {};
    }

    static void Hold(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtFatalMsg) {
            held.emplace_back(type, text);
            return;
        }
        bool noDisplay = DisplayName().empty();
        for (const auto& message : held)
            if (message.second.contains("connect to display")) noDisplay = true;
        const std::string line = noDisplay ? vx42::NoDisplayMessage(programName, DisplayName())
                                           : programName + ": the window cannot be shown: " +
                                                 text.section('\n', 0, 0).toStdString();
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }

    static void PassOn() {
        for (const auto& [type, text] : held) {
            const QByteArray bytes = text.toLocal8Bit();
            if (type == QtDebugMsg)
                qDebug("%s", bytes.constData());
            else if (type == QtInfoMsg)
                qInfo("%s", bytes.constData());
            else
                qWarning("%s", bytes.constData());
        }
        held.clear();
    }
};

}  // namespace

int main(int argc, char** argv) {
    vx42::WriteToParentConsole();  // for --help, --version and a refused command line
    vx42::UseUtf8Output();
    vx42::ProgramArguments commandLine(argc, argv);
    const int count = commandLine.argc();
    char** const texts = commandLine.argv();
    const vx42::StartupMode mode = vx42::ModeFromProgramName(count > 0 ? texts[0] : "VX42");
    vx42::WindowArguments arguments;
    if (const auto status =
            vx42::ReadWindowArguments(count, texts, mode, arguments, std::cout, std::cerr))
        return *status;
    const bool simulator = arguments.simulator;

    DisplayGuard::programName = vx42::WindowProgramName(mode);
    vx42::SetLockHolderName(DisplayGuard::programName);
    const QtMessageHandler previous = qInstallMessageHandler(DisplayGuard::Hold);
    QApplication application(commandLine.argc(), commandLine.argv());
    qInstallMessageHandler(previous);
    DisplayGuard::PassOn();
    // Qt has just set the C library's locale from the desktop. Numbers never depend on it (the
    // tool reads and writes them with a period everywhere), and the C numeric locale keeps any
    // library call that still consults it from reading "62.5" as 62 on a comma desktop.
    std::setlocale(LC_NUMERIC, "C");
    application.setApplicationName(vx42::kApplicationName);
    application.setOrganizationName(vx42::kApplicationName);

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
    // (On Windows the program's own icon resource serves when no icon files are beside it.)
    if (const QIcon icon = ProgramIcon(program.app->folders.shared); !icon.isNull())
        application.setWindowIcon(icon);
    prompt.setParent(program.window.get());
    program.window->show();
    // A file named on the command line (a double-click on it) opens as File > Open opens it.
    if (!arguments.file.empty()) {
        vx42::FrmMain* window = program.window.get();
        QTimer::singleShot(0, window, [window, file = arguments.file] {
            window->Trapped("menuFileOpen", "Click",
                            [window, &file] { window->OpenFileCommand(file); });
        });
    }
    const int status = application.exec();
    prompt.setParent(nullptr);
    return status;
}
