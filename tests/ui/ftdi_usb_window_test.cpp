// The main window over the libftdi1 back end: the real libftdi1 reaches the simulated module
// through the USB stand-in, which this program exports in place of libusb.

#include "device/ftdi_bridge.h"
#include "device/sim/standin/usb_standin.h"
#include "ui_fixture.h"

namespace {

// A plain cable beside the module's: the module is on the second bridge.
struct FtdiWindow : test::WindowFixture {
    FtdiWindow() : WindowFixture(StartupMode::Full, Cables(), Attached, false) { moduleBridge = 1; }
    ~FtdiWindow() { sim::usb::Detach(); }
    static std::shared_ptr<sim::Simulator> Cables() {
        sim::SimConfig config;
        config.bridges = {{"FT232R USB UART", "A50285BI"}, {"Kestrane Dialvane VX42", "DV42A001"}};
        return std::make_shared<sim::Simulator>(std::move(config));
    }
    static std::unique_ptr<Bridge> Attached(const std::shared_ptr<sim::Simulator>& sim) {
        sim::usb::Attach(sim);
        return std::make_unique<FtdiBridge>();
    }
};

}  // namespace

class FtdiUsbWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // (A cable pulled mid-transfer is the libftdi1 link's own test.)
    void connectRetrieveAndAnEditReachTheModule() {
        FtdiWindow f;
        f.window.SetFullLayout();
        f.Connect(test::Patterned(7));
        QVERIFY(f.window.lblSimulated->isHidden());
        QVERIFY(f.app.image == test::Patterned(7));
        // Relay control for output 1: its function bits reach the module at once.
        const int flags = f.cal(0).FunctionFlags;
        f.page().optType[3]->click();
        f.Settle();
        QCOMPARE(f.Byte(flags) & 0x27, 0x04);
        QCOMPARE(f.app.image.Byte(flags), f.Byte(flags));
        f.ToggleConnection();
        QVERIFY(!f.window.online());
        QVERIFY(!f.sim->IsOpen(1));
    }
};

QTEST_MAIN(FtdiUsbWindowTest)
#include "ftdi_usb_window_test.moc"
