// vx42ctl.exe through the vendor's driver library as Windows finds it: the driver stand-in,
// built as ftd2xx.dll with the driver's exported names, lies beside a copy of the program in a
// folder with a non-ASCII name and is loaded by name. The simulated module behind it keeps
// its memory in a state file between the runs.

#include <windows.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/cli_fixture.h"
#include "device/sim/simulator.h"
#include "files/file_io.h"

namespace vx42::test {
namespace {

namespace fs = std::filesystem;

class WindowsD2xxCommands : public CliTest {
  protected:
    void SetUp() override {
        fs::create_directories(programFolder);
        fs::copy_file(PathFromUtf8(VX42CTL), programFolder / L"vx42ctl.exe");
        fs::copy_file(PathFromUtf8(VX42_D2XX_DLL), programFolder / L"ftd2xx.dll");
    }
    void TearDown() override { _wputenv_s(L"VX42_SIM_CONFIG", L""); }

    std::string Bus() const {
        return "bridge=FT232R USB UART|A50285BI;bridge=Kestrane Dialvane VX42|DV42A001;"
               "version=2.4.1;state=" +
               state;
    }

    // The program copy with `args`; the simulator's settings reach the driver library through
    // the environment the program inherits.
    CliResult Run(const std::vector<std::string>& args, const std::string& simulator = "") {
        const std::string settings = Bus() + ";" + simulator;
        _wputenv_s(L"VX42_SIM_CONFIG", PathFromUtf8(settings).c_str());
        return RunCli(args, Utf8FromPath(programFolder / L"vx42ctl.exe"));
    }

    // The module's memory as the last run left it.
    Bytes Memory(int address, int count) {
        sim::Simulator simulator(*sim::ParseSimConfig(Bus()));
        return simulator.Module(1).Read(address, count);
    }

    fs::path programFolder = dir.path() / L"Werkstatt Ü";
    std::string state = Utf8FromPath(dir.path() / L"module.state");
};

TEST_F(WindowsD2xxCommands, IdentifyWriteRetrieveAndVerifyThroughTheDriverLibrary) {
    const CliResult info = Run({"info", "--device", "d2xx"});
    ASSERT_EQ(info.status, 0) << info.err;
    const auto j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["SerialNumber"], "DV42A001");
    EXPECT_EQ(j["FirmwareVersion"], "2.4.1");

    const CalImage sample = RandomPaddedCalibration(11);
    const std::string file = WriteCalibration("Lkw Müller.DVF", sample);
    const CliResult written = Run({"write", file, "--force", "--device", "d2xx"});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(Memory(kCalBaseAddress, kCalImageSize),
              Bytes(sample.bytes().begin(), sample.bytes().end()));

    // Without --device the driver library beside the program is the one taken.
    const std::string back = dir.file("zurück.DVF");
    const CliResult retrieved = Run({"retrieve", "-o", back});
    ASSERT_EQ(retrieved.status, 0) << retrieved.err;
    EXPECT_EQ(ReadWholeFile(back, 1 << 20), ReadWholeFile(file, 1 << 20));
    const CliResult verified = Run({"verify", file, "--device", "d2xx"});
    EXPECT_EQ(verified.status, 0) << verified.err;

    // A reply lost on the wire is asked for again.
    const CliResult again = Run({"verify", file}, "fault=drop@12");
    EXPECT_EQ(again.status, 0) << again.err;
}

TEST_F(WindowsD2xxCommands, FirmwareUpgradeThroughTheDriverLibrary) {
    std::vector<std::pair<int, std::string>> records;
    for (int r = 0; r < 2; ++r) {
        std::string data(16 * 1024, '\0');
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13 + r);
        records.emplace_back(0x010000 + r * 16 * 1024, data);
    }
    const std::string firmware = WriteText("fw.ROM", FirmwareFile(2, records));
    const CliResult upgraded = Run({"upgrade", firmware, "--device", "d2xx"});
    EXPECT_EQ(upgraded.status, 0) << upgraded.err;
    EXPECT_THAT(upgraded.err, HasSubstr("upgrade: Firmware Upgrade Complete"));
}

TEST_F(WindowsD2xxCommands, WithoutTheDriverLibraryTheProgramSaysSo) {
    fs::remove(programFolder / L"ftd2xx.dll");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", "--device", "d2xx"}, std::vector<std::string>{"info"}}) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_THAT(r.err, HasSubstr("Driver DLL not found."));
        EXPECT_THAT(r.out, IsEmpty());
    }
    // libftdi1 is no choice on Windows.
    const CliResult ftdi = Run({"info", "--device", "ftdi"});
    EXPECT_NE(ftdi.status, 0);
    EXPECT_THAT(ftdi.err, HasSubstr("ftdi"));
}

}  // namespace
}  // namespace vx42::test
