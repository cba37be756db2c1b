// The main window on Windows through the vendor's driver library as the program finds it: the
// driver stand-in lies beside this program as ftd2xx.dll and is loaded by the name the tool
// asks for. The simulated module behind it keeps its memory in a state file whose name is not
// ASCII, and the calibrations go to and come from Windows paths with backslashes and umlauts.

#include <windows.h>

#include <filesystem>

#include "device/bridge_factory.h"
#include "device/d2xx_bridge.h"
#include "files/calibration_file.h"
#include "support/d2xx_standin.h"
#include "ui_fixture.h"

namespace {

// The window on the bridge the program itself would choose; a plain cable beside the module's.
struct DriverWindow : test::WindowFixture {
    DriverWindow()
        : WindowFixture(StartupMode::Full, test::FastSimulator(), ProgramsBridge, false) {}
    static std::unique_ptr<Bridge> ProgramsBridge(const std::shared_ptr<sim::Simulator>&) {
        return vx42::MakeBridge(BridgeKind::Auto);
    }
    // A Windows path in the fixture's folder: backslashes only.
    std::string WindowsPath(const char* name) {
        std::string path = folder.file(name);
        for (char& c : path)
            if (c == '/') c = '\\';
        return path;
    }
    Bytes Memory() { return standIn.Read(kCalBaseAddress, kCalImageSize).value_or(Bytes{}); }
    static Bytes BytesOf(const CalImage& image) {
        return {image.bytes().begin(), image.bytes().end()};
    }

    test::D2xxStandIn standIn{kD2xxLibraryName};
};

}  // namespace

class WindowsD2xxWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void connectRetrieveEditSaveOpenAndUpdateThroughTheDriver() {
        DriverWindow f;
        QVERIFY(f.standIn.ok());
        const std::string state = f.folder.file("Zustand Müller.state");
        QCOMPARE(f.standIn.Configure("bridge=FT232R USB UART|A50285BI;"
                                     "bridge=Kestrane Dialvane VX42|DV42A001;version=2.4.1;"
                                     "state=" +
                                     state),
                 0);
        QVERIFY(f.standIn.Write(kCalBaseAddress, DriverWindow::BytesOf(test::Patterned(7))));
        f.window.SetFullLayout();
        f.Connect();
        QVERIFY(f.window.lblSimulated->isHidden());
        QVERIFY(f.app.image == test::Patterned(7));
        QCOMPARE(f.module.DeviceSerial(), std::string("DV42A001"));

        // Relay control for output 1: the one edit lands at once, and nothing else changes.
        const Bytes before = f.Memory();
        const int flags = f.cal(0).FunctionFlags;
        f.page().optType[3]->click();
        f.Settle();
        const Bytes after = f.Memory();
        QCOMPARE(after, DriverWindow::BytesOf(f.app.image));
        for (int i = 0; i < kCalImageSize; ++i)
            if (i != flags - kCalBaseAddress) QCOMPARE(after[i], before[i]);
        QCOMPARE(after[flags - kCalBaseAddress] & 0x27, 0x04);

        // Saved to a Windows path: the file holds what the module holds.
        const std::string saved = f.WindowsPath("Kunde Jürgen.DVF");
        f.prompt.AnswerSaveFile(saved);
        f.window.menuFileSaveAs->trigger();
        QCOMPARE(DriverWindow::BytesOf(ReadCalibrationFile(saved).image), after);
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [Kunde Jürgen.DVF]"));

        // Another file opened online from a Windows path is written whole; Update writes the
        // same bytes again.
        f.WriteFile("Lkw Größe 2.DVF", test::Patterned(9));
        f.prompt.AnswerYesNo(Answer::Yes);  // program the module with it?
        f.prompt.AnswerOpenFile(f.WindowsPath("Lkw Größe 2.DVF"));
        f.window.menuFileOpen->trigger();
        f.Settle();
        QCOMPARE(f.Memory(), DriverWindow::BytesOf(test::Patterned(9)));
        f.window.cmdUpdate->click();
        f.Settle();
        QCOMPARE(f.Memory(), DriverWindow::BytesOf(test::Patterned(9)));

        f.ToggleConnection();
        QVERIFY(!f.window.online());
        // The module's memory lasts in its state file.
        QVERIFY(std::filesystem::file_size(PathFromUtf8(state)) > 0);
    }
};

QTEST_MAIN(WindowsD2xxWindowTest)
#include "windows_d2xx_window_test.moc"
