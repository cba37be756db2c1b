// vx42ctl --device ftdi as it ships, with the USB stand-in loaded ahead of libusb: the real
// libftdi1 reaches the simulated module behind an emulated bridge, whose memory lives in a
// state file between the runs.

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/cli_fixture.h"
#include "device/sim/simulator.h"
#include "files/file_io.h"

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

    sim::SimModule& Module() {
        if (!simulator_) simulator_ = std::make_unique<sim::Simulator>(*sim::ParseSimConfig(Bus()));
        return simulator_->Module(1);
    }
    // The simulator's memory as the last run left it.
    Bytes Memory(int address, int count) {
        simulator_.reset();
        return Module().Read(address, count);
    }

    std::string state = dir.file("module.state");
    std::optional<std::string> savedAsan_;
    std::unique_ptr<sim::Simulator> simulator_;
};

TEST_F(FtdiCommands, InfoWriteRetrieveVerifyAndCanStatus) {
    const CliResult info = Run({"info"}, "", "others=1");
    ASSERT_EQ(info.status, 0) << info.err;
    const auto j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["SerialNumber"], "DV42A001");
    EXPECT_EQ(j["FirmwareVersion"], "2.4.1");

    const CalImage sample = RandomPaddedCalibration(7);
    const std::string file = WriteCalibration("sample.DVF", sample);
    // Random bytes fail the calibration check; the whole write is what is tested here.
    const CliResult written = Run({"write", file, "--force"});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(Memory(kCalBaseAddress, kCalImageSize),
              Bytes(sample.bytes().begin(), sample.bytes().end()));

    const std::string back = dir.file("back.DVF");
    const CliResult retrieved = Run({"retrieve", "-o", back});
    ASSERT_EQ(retrieved.status, 0) << retrieved.err;
    EXPECT_EQ(ReadWholeFile(back, 1 << 20), ReadWholeFile(file, 1 << 20));
    const CliResult verified = Run({"verify", file});
    EXPECT_EQ(verified.status, 0) << verified.err;

    Module().SetCanStatus(0, 0x0102);
    simulator_->SaveState();
    simulator_.reset();
    const CliResult status = Run({"can-status"});
    ASSERT_EQ(status.status, 0) << status.err;
    const auto slots = nlohmann::json::parse(status.out);
    ASSERT_EQ(slots.size(), 8u);
    EXPECT_EQ(slots[0]["Receiving"], true);
}

TEST_F(FtdiCommands, FirmwareUpgradeOf128KiB) {
    std::vector<std::pair<int, std::string>> records;
    for (int r = 0; r < 8; ++r) {
        std::string data(16 * 1024, '\0');
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + r);
        records.emplace_back(0x010000 + r * 16 * 1024, data);
    }
    const CliResult upgraded = Run({"upgrade", WriteText("fw.ROM", FirmwareFile(8, records))});
    EXPECT_EQ(upgraded.status, 0) << upgraded.err;
    EXPECT_THAT(upgraded.err, HasSubstr("upgrade: Firmware Upgrade Complete"));
}

TEST_F(FtdiCommands, FaultsEndAsThroughTheSimulatedModule) {
    ASSERT_EQ(Run({"write", WriteCalibration("a.DVF", SampleCalibration())}).status, 0);
    // One dropped and one corrupted reply are tried again; five in a row end the retrieve.
    const CliResult survived =
        Run({"retrieve", "-o", dir.file("b.DVF")}, "fault=drop@12;fault=corrupt@30");
    EXPECT_EQ(survived.status, 0) << survived.err;
    const std::string out = WriteCalibration("out.DVF", CalImage{});
    const auto before = ReadWholeFile(out, 1 << 20);
    ExpectFailure(Run({"retrieve", "-o", out},
                      "fault=drop@12;fault=short@13;fault=corrupt@14;fault=drop@15;fault=drop@16"),
                  "retrieve: Error Retrieving Calibration");
    EXPECT_EQ(ReadWholeFile(out, 1 << 20), before);
}

TEST_F(FtdiCommands, AnUpgradeCutShortByAnUnplugSaysSoAndNothingAboutClosing) {
    const CliResult cut =
        Run({"upgrade", WriteText("fw.ROM", FirmwareFile(1, {{0x8000, std::string(4096, 'Z')}}))},
            "fault=unplug@40");
    EXPECT_NE(cut.status, 0);
    EXPECT_THAT(cut.err, Not(HasSubstr("Failed to close USB")));
    EXPECT_THAT(cut.err, Not(HasSubstr("Complete")));
}

TEST_F(FtdiCommands, ABridgeLeftAt7E1WithTheKernelDriverOnItStillOpens) {
    const CliResult info = Run({"info"}, "", "line=1:7E1;kernel-driver=1");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(nlohmann::json::parse(info.out)["SerialNumber"], "DV42A001");
}

TEST_F(FtdiCommands, UsbThatCannotStartIsNamed) {
    const CliResult r = Run({"info"}, "", "usb=off");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("Failed to get a list of USB devices. Error Code:4"));
    EXPECT_THAT(r.err, HasSubstr("USB could not be reached"));
    EXPECT_THAT(r.out, IsEmpty());
}

}  // namespace
}  // namespace vx42::test
