// The main window over the libftdi1 back end: the real libftdi1 reaches the simulated module
// through the USB stand-in, which this program exports in place of libusb.

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/startup.h"
#include "device/ftdi_bridge.h"
#include "device/sim/standin/usb_standin.h"
#include "ui/output/output_page.h"
#include "ui_fixture.h"

using namespace vx42;
using vx42::test::WaitIdle;

namespace {

constexpr int kModuleBridge = 1;

struct FtdiWindow {
    explicit FtdiWindow(sim::SimConfig config)
        : sim(std::make_shared<sim::Simulator>(std::move(config))),
          attached((sim::usb::Attach(sim), true)),
          app(StartupMode::Full, folder.str(), prompt, store),
          module(std::make_unique<FtdiBridge>(), prompt, false),
          window(app, module) {
        module.link().SetTiming(test::WindowTiming());
    }
    ~FtdiWindow() {
        QVERIFY2(test::ScriptMismatches(prompt).isEmpty(),
                 qPrintable(test::ScriptMismatches(prompt)));
        sim::usb::Detach();
    }

    void ToggleConnection() {
        window.menuConnect->trigger();
        QVERIFY(WaitIdle(window));
    }
    std::uint8_t Byte(int address) { return sim->Module(kModuleBridge).Memory()[address]; }

    test::TempDir folder;
    ScriptedPrompt prompt;
    MemorySettingsStore store;
    std::shared_ptr<sim::Simulator> sim;
    bool attached;
    AppContext app;
    LinkModuleService module;
    FrmMain window;
};

sim::SimConfig TwoCables() {
    sim::SimConfig config;
    config.bridges = {{"FT232R USB UART", "A50285BI"}, {"Kestrane Dialvane VX42", "DV42A001"}};
    return config;
}

}  // namespace

class FtdiUsbWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void connectRetrieveAndAnEditReachTheModule() {
        FtdiWindow f(TwoCables());
        CalImage stored;
        for (int i = 0; i < kCalImageSize; ++i) stored[i] = static_cast<std::uint8_t>(i * 7);
        for (const auto& out : CalAddresses().OutputCal)
            for (const auto& source : out.DataSource) stored.SetByte(source.MessageSlot, 0);
        f.sim->Module(kModuleBridge).Write(kCalBaseAddress, stored.bytes());
        f.window.SetFullLayout();
        f.window.show();

        f.ToggleConnection();
        QVERIFY(f.window.online());
        QCOMPARE(f.window.lblOnline->text(), QString("Online"));
        QVERIFY(f.window.lblSimulated->isHidden());
        QVERIFY(f.app.image == stored);

        // Relay control for output 1: its function bits reach the module at once.
        const int flags = CalAddresses().OutputCal[0].FunctionFlags;
        f.window.outputPage->optType[3]->click();
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.Byte(flags) & 0x27, 0x04);
        QCOMPARE(f.app.image.Byte(flags), f.Byte(flags));

        f.ToggleConnection();
        QVERIFY(!f.window.online());
        QVERIFY(!f.sim->IsOpen(kModuleBridge));
    }

    // The cable pulled during Update: the module's own message, the window idle and still
    // online; the next Disconnect goes offline without a word about closing.
    void unpluggedDuringAnUpdate() {
        FtdiWindow f(TwoCables());
        f.sim->Module(kModuleBridge).Write(kCalBaseAddress, CalImage{}.bytes());
        f.window.show();
        f.ToggleConnection();
        QVERIFY(f.window.online());
        f.sim->InjectAt(f.sim->Exchanges() + 20, sim::Fault::Unplug);
        f.prompt.ExpectMessage("Error Writing Calibration");
        f.window.cmdUpdate->click();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.cmdUpdate->isEnabled());
        f.sim->Replug(kModuleBridge);
        f.ToggleConnection();
        QVERIFY(!f.window.online());
        QCOMPARE(f.window.lblOnline->text(), QString("Offline"));
        std::vector<std::string> shown;
        for (const auto& call : f.prompt.Calls()) shown.push_back(call.text);
        QCOMPARE(shown, std::vector<std::string>{"Error Writing Calibration"});
    }
};

QTEST_MAIN(FtdiUsbWindowTest)
#include "ftdi_usb_window_test.moc"
