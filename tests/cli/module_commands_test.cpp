// The module commands of vx42ctl against the simulated module, whose memory lives in a state
// file between the runs.

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/cli_fixture.h"
#include "device/sim/simulator.h"
#include "files/file_io.h"
#include "review/calibration_check.h"

namespace vx42::test {
namespace {

class ModuleCommands : public CliTest {
  protected:
    // A command against the simulated module of this test's state file.
    CliResult Run(std::vector<std::string> args) {
        args.push_back("--sim-state");
        args.push_back(state);
        // The commands that keep restore points keep them in this test's folder.
        if (args[0] == "retrieve" || args[0] == "write" || args[0] == "upgrade") {
            args.push_back("--history-folder");
            args.push_back(history);
        }
        return RunCli(args);
    }
    // The events of the simulated module's restore points, oldest first.
    std::vector<std::string> Kept() {
        const CliResult show = RunCli({"history", "show", "DV42A001", "--history-folder", history});
        EXPECT_EQ(show.status, 0) << show.err;
        std::vector<std::string> events;
        const auto shown = nlohmann::json::parse(show.out);
        for (const auto& entry : shown["entries"]) events.push_back(entry["event"]);
        return events;
    }
    std::string state = dir.file("module.state");
    std::string history = dir.file("history");
};

TEST_F(ModuleCommands, WriteRetrieveVerifyAndDiffAcrossRuns) {
    const std::string file = WriteCalibration("sample.DVF", SampleCalibration());
    const CliResult written = Run({"write", file});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_THAT(written.err, HasSubstr("was written to module DV42A001"));

    const std::string back = dir.file("back.DVF");
    const CliResult retrieved = Run({"retrieve", "-o", back});
    ASSERT_EQ(retrieved.status, 0) << retrieved.err;
    EXPECT_EQ(ReadWholeFile(back, 1 << 20), ReadWholeFile(file, 1 << 20));

    const CliResult verified = Run({"verify", file});
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_THAT(verified.out, IsEmpty());

    // The CAN speed set on the module is the one difference verify finds.
    const CliResult set = Run({"can-speed", "250"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(nlohmann::json::parse(set.out)["CanSpeed"], 250);
    const CliResult differs = Run({"verify", file});
    EXPECT_EQ(differs.status, 1);
    EXPECT_THAT(Lines(differs.out), ElementsAre("CAN speed: 500 kbit/s → 250 kbit/s"));
}

TEST_F(ModuleCommands, InfoAndReadShowTheModule) {
    const CliResult info = RunCli({"info", "--device", "sim", "--sim", "version=3.4.5"});
    ASSERT_EQ(info.status, 0) << info.err;
    const auto j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["SerialNumber"], "DV42A001");
    EXPECT_EQ(j["FirmwareVersion"], "3.4.5");

    ASSERT_EQ(Run({"write", WriteCalibration("a.DVF", SampleCalibration())}).status, 0);
    for (const char* address : {"0x900", "2304", "&H900"}) {
        const CliResult read = Run({"read", address});
        ASSERT_EQ(read.status, 0) << read.err;
        const auto r = nlohmann::json::parse(read.out);
        EXPECT_EQ(r["Address"], 0x900);
        EXPECT_EQ(r["Bytes"], "01F4");
        EXPECT_EQ(r["Word"], 500);
    }
    for (const char* bad : {"0x10000", "12ab", "-1", ""})
        ExpectFailure(Run({"read", bad}), "is not a module address");

    // The module options before the command, as global options are written.
    const CliResult global = RunCli({"--device", "sim", "--sim-state", state, "read", "0x900"});
    ASSERT_EQ(global.status, 0) << global.err;
    EXPECT_EQ(nlohmann::json::parse(global.out)["Word"], 500);
    const CliResult stray = RunCli({"--sim-state", state, "canid", "to-module", "18FEF100"});
    EXPECT_EQ(stray.status, 2);
    EXPECT_THAT(stray.err, HasSubstr("apply to the module commands only"));
}

TEST_F(ModuleCommands, CanSpeedRefusesSpeedsTheModuleCannotRun) {
    ExpectFailure(Run({"can-speed", "300"}), "choose one of 1000, 500, 250");
    ExpectFailure(Run({"can-speed", "500k"}), "is not a CAN speed");
    const CliResult shown = Run({"can-speed"});
    ASSERT_EQ(shown.status, 0);
    // A fresh module's memory is erased.
    EXPECT_EQ(nlohmann::json::parse(shown.out)["CanSpeed"], 0xFFFF);
}

TEST_F(ModuleCommands, CanStatusReadsEverySlotInUse) {
    CalImage image = SampleCalibration();
    image.SetByte(CalAddresses().OutputCal[1].SecondaryMode, 1);  // output 2 uses slot 4
    // Output 2's secondary data has no message: the check's error is written anyway here.
    ASSERT_EQ(Run({"write", WriteCalibration("a.DVF", image), "--force"}).status, 0);
    {
        sim::SimConfig config;
        config.statePath = state;
        sim::Simulator simulator(config);
        simulator.Module().SetCanStatus(0, 0x0102);
        simulator.Module().SetCanStatus(1, 0x0001);  // output 1 does not use its secondary data
        simulator.Module().SetCanStatus(3, 0x0100);
        simulator.SaveState();
    }
    const CliResult r = Run({"can-status"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 8u);
    std::vector<bool> receiving;
    for (const auto& slot : j) receiving.push_back(slot["Receiving"]);
    EXPECT_THAT(receiving, ElementsAre(true, false, false, true, false, false, false, false));
    EXPECT_EQ(j[3]["Output"], 2);
    EXPECT_EQ(j[3]["Data"], "secondary");
    EXPECT_EQ(j[1]["Used"], false);
    EXPECT_EQ(j[3]["Used"], true);
}

TEST_F(ModuleCommands, FailedTransfersLeaveNoHalfWrittenFile) {
    ASSERT_EQ(Run({"write", WriteCalibration("a.DVF", SampleCalibration())}).status, 0);
    const std::string out = WriteCalibration("out.DVF", CalImage{});
    const auto before = ReadWholeFile(out, 1 << 20);
    // Exchange 1 asks for the firmware version; block 10 is read in exchanges 12 to 16.
    const CliResult r =
        Run({"retrieve", "-o", out, "--sim",
             "fault=drop@12;fault=drop@13;fault=drop@14;fault=drop@15;fault=drop@16"});
    ExpectFailure(r, "retrieve: Error Retrieving Calibration");
    EXPECT_EQ(ReadWholeFile(out, 1 << 20), before);

    ExpectFailure(
        Run({"retrieve", "-o", dir.file("new.DVF"), "--sim", "bridge=Other USB|AB12CD34"}),
        "retrieve: Connection Error");
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.DVF")));
}

// A module never written holds no calibration, and vx42ctl says so where it reads one.
TEST_F(ModuleCommands, ABlankModuleIsNamedBlank) {
    const std::string out = dir.file("blank.DVF");
    const CliResult r = Run({"retrieve", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("holds no calibration (its memory is blank)"));
    EXPECT_THAT(RunCli({"calibration", "describe", out}).out,
                HasSubstr("holds no calibration: every byte is blank (0xFF)"));
}

TEST_F(ModuleCommands, RetrieveWriteAndUpgradeKeepRestorePointsAsTheWindowDoes) {
    const std::string file = WriteCalibration("sample.DVF", SampleCalibration());
    ASSERT_EQ(Run({"write", file}).status, 0);
    EXPECT_THAT(Kept(), ElementsAre("Programmed from file sample.DVF"));
    CalImage other = SampleCalibration();
    other.StoreWord(CalAddresses().CanSpeed, 250);
    ASSERT_EQ(Run({"write", WriteCalibration("other.DVF", other)}).status, 0);
    ASSERT_EQ(Run({"retrieve", "-o", dir.file("back.DVF")}).status, 0);  // the same: not again
    ASSERT_EQ(Run({"write", file}).status, 0);
    ASSERT_EQ(Run({"upgrade", WriteText("fw.ROM", FirmwareFile(1, {{0x8000, "ZZ"}}))}).status, 0);
    EXPECT_THAT(Kept(),
                ElementsAre("Programmed from file sample.DVF", "Programmed from file other.DVF",
                            "Programmed from file sample.DVF"));
    // --no-history keeps nothing.
    ASSERT_EQ(RunCli({"write", WriteCalibration("third.DVF", other), "--sim-state", state,
                      "--history-folder", history, "--no-history"})
                  .status,
              0);
    EXPECT_EQ(Kept().size(), 3u);
}

TEST_F(ModuleCommands, RestorePointsFollowTheWindowsLimit) {
#ifdef _WIN32
    GTEST_SKIP() << "the window keeps its settings in the registry";
#else
    std::filesystem::create_directories(dir.path() / "config/Kestrane Dialvane");
    WriteText("config/Kestrane Dialvane/Kestrane Dialvane.conf",
              "[General]\nRestorePointLimit=9\n\n[History]\nRestorePointLimit=2\n");
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    for (unsigned kbits : {125u, 250u, 500u}) {
        CalImage image = SampleCalibration();
        image.StoreWord(CalAddresses().CanSpeed, kbits);
        ASSERT_EQ(Run({"write", WriteCalibration(std::to_string(kbits) + ".DVF", image)}).status,
                  0);
    }
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_THAT(Kept(),
                ElementsAre("Programmed from file 250.DVF", "Programmed from file 500.DVF"));
#endif
}

TEST_F(ModuleCommands, AnUpgradeThatChangedTheCalibrationListsItAndOffersItBack) {
    const std::string sample = WriteCalibration("sample.DVF", SampleCalibration());
    ASSERT_EQ(Run({"write", sample}).status, 0);
    // A bootloader image goes where the calibration lives.
    const std::string blu = WriteText("boot.BLU", std::string(100, '\x11'));
    const CliResult kept = Run({"upgrade", blu});
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_THAT(kept.out,
                HasSubstr("Output 1, function: Relay Control → Off\n"));  // before → after
    EXPECT_THAT(kept.err, HasSubstr("After Upgrade: The upgrade changed the calibration"));
    EXPECT_THAT(kept.err, HasSubstr("keeps the calibration the upgrade left"));
    EXPECT_EQ(Run({"verify", sample}).status, 1);  // differs

    ASSERT_EQ(Run({"write", sample}).status, 0);
    const CliResult back =
        RunCli({"--yes", "upgrade", blu, "--sim-state", state, "--history-folder", history});
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_THAT(back.err, HasSubstr("written back"));
    EXPECT_EQ(Run({"verify", sample}).status, 0);
}

TEST_F(ModuleCommands, WriteRefusesACalibrationWithCheckErrorsUnlessForced) {
    ASSERT_EQ(Run({"write", WriteCalibration("good.DVF", SampleCalibration())}).status, 0);
    CalImage bad = SampleCalibration();
    // Output 2's battery voltages no longer increase.
    bad.StoreWord(CalAddresses().OutputCal[1].SecondaryBlock + 2, 100);
    const std::string file = WriteCalibration("bad.DVF", bad);
    // Each finding of the check is said once.
    auto saysEachFindingOnce = [&bad](const std::string& err) {
        for (const Finding& f : CheckCalibration(bad, nullptr, UnitFlags{})) {
            std::size_t times = 0;
            for (auto at = err.find(f.message); at != std::string::npos;
                 at = err.find(f.message, at + 1))
                ++times;
            EXPECT_EQ(times, 1u) << f.message;
        }
    };
    const CliResult refused = Run({"write", file});
    saysEachFindingOnce(refused.err);
    EXPECT_EQ(refused.status, 2);
    EXPECT_THAT(refused.err, HasSubstr("calibration check found errors"));
    EXPECT_THAT(refused.err, HasSubstr("Output 2"));
    EXPECT_THAT(refused.err, HasSubstr("--force"));
    EXPECT_EQ(Run({"verify", file}).status, 1);  // the module kept the good one
    EXPECT_EQ(Kept().size(), 1u);

    const CliResult verified = Run({"verify", WriteCalibration("good2.DVF", SampleCalibration())});
    EXPECT_EQ(verified.status, 0) << verified.err;
    const CliResult forced = Run({"write", file, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_THAT(forced.err, HasSubstr("--force"));
    const CliResult checked = Run({"verify", file});
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_THAT(checked.err, HasSubstr("calibration check found errors"));
    saysEachFindingOnce(checked.err);
    EXPECT_EQ(Kept().size(), 2u);
}

TEST_F(ModuleCommands, BadArgumentsAreRefusedBeforeTheModuleIsTouched) {
    ExpectFailure(Run({"write", dir.file("none.DVF")}), "none.DVF");
    ExpectFailure(RunCli({"info", "--device", "d2xx", "--sim-state", state}),
                  "need the simulated module");
    ExpectFailure(Run({"info", "--sim", "drop"}), "--sim: simulator setting without '='");
    const CliResult unknown = RunCli({"info", "--device", "serial"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.err, HasSubstr("--device"));
}

TEST_F(ModuleCommands, UpgradeSendsFirmwareAndBootloaderImages) {
    const std::string rom = FirmwareFile(1, {{0x8000, std::string(40, '\x5A')}});
    const CliResult firmware = Run({"upgrade", WriteText("fw.ROM", rom)});
    EXPECT_EQ(firmware.status, 0) << firmware.err;
    EXPECT_THAT(firmware.err, HasSubstr("upgrade: Firmware Upgrade Complete"));

    const CliResult boot = Run({"upgrade", WriteText("boot.BLU", std::string(100, '\x11'))});
    EXPECT_EQ(boot.status, 0) << boot.err;
    EXPECT_THAT(boot.err, HasSubstr("Bootloader upgrade complete"));

    ExpectFailure(Run({"upgrade", dir.file("fw.txt")}), "is not a firmware file");
    ExpectFailure(Run({"upgrade", dir.file("gone.ROM")}), "gone.ROM");
    ExpectFailure(Run({"upgrade", WriteText("cut.ROM", rom.substr(0, 30))}), "cut.ROM");

    // Refused before the module is reached: a bootloader too large for the program area (it
    // would wrap the 16-bit address) and a firmware file without records.
    for (const auto& [name, bytes, says] :
         {std::tuple{"big.BLU", std::string(70000, '\x22'), "is 70000 bytes, more than"},
          std::tuple{"none.ROM", FirmwareFile(0, {}), "holds no firmware records"}}) {
        const CliResult refused = Run({"upgrade", WriteText(name, bytes)});
        EXPECT_EQ(refused.status, 2);
        EXPECT_THAT(refused.err, HasSubstr(says));
        EXPECT_THAT(refused.err, Not(HasSubstr("complete")));
    }
}

TEST_F(ModuleCommands, DemoGivesAFreshModuleACalibrationOnce) {
    const CliResult first = RunCli({"demo", "--sim-state", state});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_THAT(first.err, HasSubstr("writing a demonstration calibration"));
    EXPECT_THAT(first.out, HasSubstr("Output 2 \"Coolant Fan\"\n"
                                     "  Function: Relay Control (Off: Open, On: Ground)\n"));
    EXPECT_THAT(first.out, HasSubstr("Switch rule, primary CAN data: Simple Off to On: On A "
                                     "203.0 °F, Off A 194.0 °F"));

    // The second run finds the calibration written by the first and describes it alike.
    const CliResult second = RunCli({"demo", "--sim-state", state});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_THAT(second.err, Not(HasSubstr("writing")));
    EXPECT_EQ(second.out, first.out);
}

// The speedometer of the demonstration calibration (output 3) recalibrated by a script: the
// module holds the table printed, and live calibration is stopped.
TEST_F(ModuleCommands, CalibrateStoresTheScriptedMarksIntoTheModule) {
    ASSERT_EQ(RunCli({"demo", "--sim-state", state}).status, 0);
    const CliResult done =
        Run({"calibrate", "3", "--marks", "0,20,40,60", "--drive", "0", "--drive", "4.5", "--drive",
             "skip", "--drive", "13.6", "-o", dir.file("after.DVF")});
    ASSERT_EQ(done.status, 0) << done.err;
    const auto table = nlohmann::json::parse(done.out)["Cells"];
    EXPECT_EQ(table[0][1], "20");
    EXPECT_EQ(table[1][2], "13.6");
    const std::string back = dir.file("back.DVF");
    ASSERT_EQ(Run({"retrieve", "-o", back}).status, 0);
    EXPECT_EQ(ReadWholeFile(back, 1 << 20), ReadWholeFile(dir.file("after.DVF"), 1 << 20));
    EXPECT_EQ(
        nlohmann::json::parse(Run({"read", "0x3901"}).out)["Bytes"].get<std::string>().substr(0, 2),
        "00");

    const struct {
        std::vector<std::string> args;
        const char* says;
    } refused[] = {
        {{"calibrate", "3", "--marks", "0,40,20", "--drive", "1"}, "The marks must increase"},
        {{"calibrate", "2", "--marks", "0,20", "--drive", "1"}, "drives no gauge table"},
        {{"calibrate", "3", "--marks", "0,20", "--drive", "1", "--drive", "2", "--drive", "3"},
         "more --drive values than marks"},
        {{"calibrate", "3", "--marks", "0,20", "--drive", "1"}, "at least two marks"},
    };
    for (const auto& r : refused) {
        const CliResult result = Run(r.args);
        EXPECT_EQ(result.status, 2) << r.says;
        EXPECT_THAT(result.err, HasSubstr(r.says));
    }
    EXPECT_EQ(ReadWholeFile(back, 1 << 20), ReadWholeFile(dir.file("after.DVF"), 1 << 20));
}

}  // namespace
}  // namespace vx42::test
