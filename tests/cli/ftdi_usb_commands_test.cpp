// vx42ctl --device ftdi as it ships, with the USB stand-in loaded ahead of libusb: the real
// libftdi1 reaches the simulated module behind an emulated bridge, whose memory lives in a
// state file between the runs.

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/cli_fixture.h"
#include "device/sim/simulator.h"

namespace vx42::test {
namespace {

class FtdiCommands : public CliTest {
  protected:
    void SetUp() override {
        const char* asan = std::getenv("ASAN_OPTIONS");
        if (asan) savedAsan_ = asan;
        // In a sanitized build the stand-in comes before the sanitizer's runtime.
        const std::string options =
            (asan ? std::string(asan) + ":" : std::string()) + "verify_asan_link_order=0";
        setenv("ASAN_OPTIONS", options.c_str(), 1);
        setenv("LD_PRELOAD", VX42_USB_PRELOAD, 1);
    }
    void TearDown() override {
        unsetenv("LD_PRELOAD");
        unsetenv("VX42_SIM_CONFIG");
        unsetenv("VX42_USB_CONFIG");
        if (savedAsan_)
            setenv("ASAN_OPTIONS", savedAsan_->c_str(), 1);
        else
            unsetenv("ASAN_OPTIONS");
    }

    // A plain USB-serial cable and the module's, on a bus set up by `usb`.
    std::string Bus() const {
        return "bridge=FT232R USB UART|A50285BI;bridge=Kestrane Dialvane VX42|DV42A001;"
               "version=2.4.1;state=" +
               state;
    }

    CliResult Run(std::vector<std::string> args, const std::string& simulator = "",
                  const std::string& usb = "") {
        setenv("VX42_SIM_CONFIG", (Bus() + ";" + simulator).c_str(), 1);
        setenv("VX42_USB_CONFIG", usb.c_str(), 1);
        args.insert(args.begin(), {"--device", "ftdi"});
        return RunCli(args);
    }
    CliResult Ok(const std::vector<std::string>& args, const std::string& usb = "") {
        return Succeeded(args, Run(args, "", usb));
    }

    // The simulator's memory as the last run left it.
    Bytes Memory(int address, int count) {
        return sim::Simulator(*sim::ParseSimConfig(Bus())).Module(1).Read(address, count);
    }

    std::string state = dir.file("module.state");
    std::optional<std::string> savedAsan_;
};

// A plain cable beside the module's, which a terminal program left at 7E1 with the kernel's
// serial driver on it. The transfers themselves are ftdi_usb_test's.
TEST_F(FtdiCommands, InfoWriteAndVerify) {
    const auto j = nlohmann::json::parse(Ok({"info"}, "others=1;line=1:7E1;kernel-driver=1").out);
    EXPECT_EQ(j["SerialNumber"], "DV42A001");
    EXPECT_EQ(j["FirmwareVersion"], "2.4.1");

    const CalImage sample = RandomPaddedCalibration(7);
    const std::string file = WriteCalibration("sample.DVF", sample);
    // Random bytes fail the calibration check; the whole write is what is tested here.
    Ok({"write", file, "--force"});
    EXPECT_EQ(Memory(kCalBaseAddress, kCalImageSize),
              Bytes(sample.bytes().begin(), sample.bytes().end()));
    Ok({"verify", file});
}

TEST_F(FtdiCommands, AnUpgradeCutShortByAnUnplugSaysSoAndNothingAboutClosing) {
    const CliResult cut =
        Run({"upgrade", WriteText("fw.ROM", FirmwareFile(1, {{0x8000, std::string(4096, 'Z')}}))},
            "fault=unplug@40");
    EXPECT_NE(cut.status, 0);
    EXPECT_THAT(cut.err, Not(HasSubstr("Failed to close USB")));
    EXPECT_THAT(cut.err, Not(HasSubstr("Complete")));
}

TEST_F(FtdiCommands, UsbThatCannotStartIsNamed) {
    const CliResult r = Run({"info"}, "", "usb=off");
    ExpectFailure(r, "Failed to get a list of USB devices. Error Code:4");
    EXPECT_THAT(r.err, HasSubstr("USB could not be reached"));
}

}  // namespace
}  // namespace vx42::test
