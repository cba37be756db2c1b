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
    CliResult Ok(const std::vector<std::string>& args) { return Succeeded(args, Run(args)); }
    nlohmann::json OkJson(const std::vector<std::string>& args) {
        return nlohmann::json::parse(Ok(args).out);
    }
    // The events of the simulated module's restore points, oldest first.
    std::vector<std::string> Kept() {
        std::vector<std::string> events;
        const auto shown = JsonOk({"history", "show", "DV42A001", "--history-folder", history});
        for (const auto& entry : shown["entries"]) events.push_back(entry["event"]);
        return events;
    }
    std::string state = dir.file("module.state");
    std::string history = dir.file("history");
};

TEST_F(ModuleCommands, WriteRetrieveVerifyAndDiffAcrossRuns) {
    const std::string file = WriteCalibration("sample.DVF", SampleCalibration());
    EXPECT_THAT(Ok({"write", file}).err, HasSubstr("was written to module DV42A001"));
    const std::string back = dir.file("back.DVF");
    Ok({"retrieve", "-o", back});
    EXPECT_EQ(ReadWholeFile(back, 1 << 20), ReadWholeFile(file, 1 << 20));
    EXPECT_THAT(Ok({"verify", file}).out, IsEmpty());

    // The CAN speed set on the module is the one difference verify finds.
    EXPECT_EQ(OkJson({"can-speed", "250"})["CanSpeed"], 250);
    const CliResult differs = Run({"verify", file});
    EXPECT_EQ(differs.status, 1);
    EXPECT_THAT(Lines(differs.out), ElementsAre("CAN speed: 500 kbit/s → 250 kbit/s"));
}

TEST_F(ModuleCommands, InfoAndReadShowTheModule) {
    const auto j = JsonOk({"info", "--device", "sim", "--sim", "version=3.4.5"});
    EXPECT_EQ(std::tuple(j["SerialNumber"], j["FirmwareVersion"]), std::tuple("DV42A001", "3.4.5"));

    Ok({"write", WriteCalibration("a.DVF", SampleCalibration())});
    for (const char* address : {"0x900", "2304", "&H900"}) {
        const auto r = OkJson({"read", address});
        EXPECT_EQ(std::tuple(r["Address"], r["Bytes"], r["Word"]), std::tuple(0x900, "01F4", 500));
    }
    for (const char* bad : {"0x10000", "12ab", "-1", ""})
        ExpectFailure(Run({"read", bad}), "is not a module address");

    // The module options before the command, as global options are written.
    EXPECT_EQ(JsonOk({"--device", "sim", "--sim-state", state, "read", "0x900"})["Word"], 500);
    const CliResult stray = RunCli({"--sim-state", state, "canid", "to-module", "18FEF100"});
    EXPECT_EQ(stray.status, 2);
    EXPECT_THAT(stray.err, HasSubstr("apply to the module commands only"));
}

TEST_F(ModuleCommands, CanSpeedRefusesSpeedsTheModuleCannotRun) {
    ExpectFailure(Run({"can-speed", "300"}), "choose one of 1000, 500, 250");
    ExpectFailure(Run({"can-speed", "500k"}), "is not a CAN speed");
    // A fresh module's memory is erased.
    EXPECT_EQ(OkJson({"can-speed"})["CanSpeed"], 0xFFFF);
}

TEST_F(ModuleCommands, CanStatusReadsEverySlotInUse) {
    CalImage image = SampleCalibration();
    image.SetByte(CalAddresses().OutputCal[1].SecondaryMode, 1);  // output 2 uses slot 4
    // Output 2's secondary data has no message: the check's error is written anyway here.
    Ok({"write", WriteCalibration("a.DVF", image), "--force"});
    {
        sim::SimConfig config;
        config.statePath = state;
        sim::Simulator simulator(config);
        simulator.Module().SetCanStatus(0, 0x0102);
        simulator.Module().SetCanStatus(1, 0x0001);  // output 1 does not use its secondary data
        simulator.Module().SetCanStatus(3, 0x0100);
        simulator.SaveState();
    }
    const auto j = OkJson({"can-status"});
    ASSERT_EQ(j.size(), 8u);
    std::vector<bool> receiving;
    for (const auto& slot : j) receiving.push_back(slot["Receiving"]);
    EXPECT_THAT(receiving, ElementsAre(true, false, false, true, false, false, false, false));
    EXPECT_EQ(std::tuple(j[3]["Output"], j[3]["Data"], j[3]["Used"], j[1]["Used"]),
              std::tuple(2, "secondary", true, false));
}

TEST_F(ModuleCommands, FailedTransfersLeaveNoHalfWrittenFile) {
    Ok({"write", WriteCalibration("a.DVF", SampleCalibration())});
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
    EXPECT_THAT(Ok({"retrieve", "-o", out}).err,
                HasSubstr("holds no calibration (its memory is blank)"));
    EXPECT_THAT(RunCli({"calibration", "describe", out}).out,
                HasSubstr("holds no calibration: every byte is blank (0xFF)"));
}

TEST_F(ModuleCommands, RetrieveWriteAndUpgradeKeepRestorePointsAsTheWindowDoes) {
    const std::string file = WriteCalibration("sample.DVF", SampleCalibration());
    Ok({"write", file});
    EXPECT_THAT(Kept(), ElementsAre("Programmed from file sample.DVF"));
    CalImage other = SampleCalibration();
    other.StoreWord(CalAddresses().CanSpeed, 250);
    Ok({"write", WriteCalibration("other.DVF", other)});
    Ok({"retrieve", "-o", dir.file("back.DVF")});  // the same: not again
    Ok({"write", file});
    Ok({"upgrade", WriteText("fw.ROM", FirmwareFile(1, {{0x8000, "ZZ"}}))});
    EXPECT_THAT(Kept(),
                ElementsAre("Programmed from file sample.DVF", "Programmed from file other.DVF",
                            "Programmed from file sample.DVF"));
    // --no-history keeps nothing.
    RunOk({"write", WriteCalibration("third.DVF", other), "--sim-state", state, "--history-folder",
           history, "--no-history"});
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
        Ok({"write", WriteCalibration(std::to_string(kbits) + ".DVF", image)});
    }
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_THAT(Kept(),
                ElementsAre("Programmed from file 250.DVF", "Programmed from file 500.DVF"));
#endif
}

TEST_F(ModuleCommands, AnUpgradeThatChangedTheCalibrationListsItAndOffersItBack) {
    const std::string sample = WriteCalibration("sample.DVF", SampleCalibration());
    Ok({"write", sample});
    // A bootloader image goes where the calibration lives.
    const std::string blu = WriteText("boot.BLU", std::string(100, '\x11'));
    const CliResult kept = Ok({"upgrade", blu});
    EXPECT_THAT(kept.out,
                HasSubstr("Output 1, function: Relay Control → Off\n"));  // before → after
    EXPECT_THAT(kept.err, HasSubstr("After Upgrade: The upgrade changed the calibration"));
    EXPECT_THAT(kept.err, HasSubstr("keeps the calibration the upgrade left"));
    EXPECT_EQ(Run({"verify", sample}).status, 1);  // differs

    Ok({"write", sample});
    EXPECT_THAT(
        RunOk({"--yes", "upgrade", blu, "--sim-state", state, "--history-folder", history}).err,
        HasSubstr("written back"));
    Ok({"verify", sample});
}

TEST_F(ModuleCommands, WriteRefusesACalibrationWithCheckErrorsUnlessForced) {
    Ok({"write", WriteCalibration("good.DVF", SampleCalibration())});
    CalImage bad = SampleCalibration();
    // Output 2's battery voltages no longer increase.
    bad.StoreWord(CalAddresses().OutputCal[1].SecondaryBlock + 2, 100);
    const std::string file = WriteCalibration("bad.DVF", bad);
    // Each finding of the check is said once.
    auto saysEachFindingOnce = [&bad](const std::string& err) {
        for (const Finding& f : CheckCalibration(bad, nullptr, UnitFlags{}))
            EXPECT_EQ(Occurrences(err, f.message), 1u) << f.message;
    };
    const CliResult refused = Run({"write", file});
    saysEachFindingOnce(refused.err);
    EXPECT_EQ(refused.status, 2);
    EXPECT_THAT(refused.err, HasSubstr("calibration check found errors"));
    EXPECT_THAT(refused.err, HasSubstr("Output 2"));
    EXPECT_THAT(refused.err, HasSubstr("--force"));
    EXPECT_EQ(Run({"verify", file}).status, 1);  // the module kept the good one
    EXPECT_EQ(Kept().size(), 1u);

    Ok({"verify", WriteCalibration("good2.DVF", SampleCalibration())});
    EXPECT_THAT(Ok({"write", file, "--force"}).err, HasSubstr("--force"));
    const CliResult checked = Ok({"verify", file});
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

// Which files can be sent is upgrade_test's; here a refusal comes before the module is reached.
TEST_F(ModuleCommands, UpgradeSendsFirmwareAndBootloaderImages) {
    const std::string rom = FirmwareFile(1, {{0x8000, std::string(40, '\x5A')}});
    EXPECT_THAT(Ok({"upgrade", WriteText("fw.ROM", rom)}).err,
                HasSubstr("upgrade: Firmware Upgrade Complete"));
    EXPECT_THAT(Ok({"upgrade", WriteText("boot.BLU", std::string(100, '\x11'))}).err,
                HasSubstr("Bootloader upgrade complete"));

    ExpectFailure(Run({"upgrade", dir.file("fw.txt")}), "is not a firmware file");
    ExpectFailure(Run({"upgrade", dir.file("gone.ROM")}), "gone.ROM");
    // Too large for the program area: it would wrap the 16-bit address.
    const CliResult refused = Run({"upgrade", WriteText("big.BLU", std::string(70000, '\x22'))});
    EXPECT_EQ(refused.status, 2);
    EXPECT_THAT(refused.err, HasSubstr("is 70000 bytes, more than"));
    EXPECT_THAT(refused.err, Not(HasSubstr("complete")));
}

TEST_F(ModuleCommands, DemoGivesAFreshModuleACalibrationOnce) {
    const CliResult first = RunOk({"demo", "--sim-state", state});
    EXPECT_THAT(first.err, HasSubstr("writing a demonstration calibration"));
    // Described as calibration describe does (its lines are DescribeReadsLikeTheOutputTabs').
    EXPECT_THAT(first.out, HasSubstr("Output 2 \"Coolant Fan\"\n"
                                     "  Function: Relay Control (Off: Open, On: Ground)\n"));

    // The second run finds the calibration written by the first and describes it alike.
    const CliResult second = RunOk({"demo", "--sim-state", state});
    EXPECT_THAT(second.err, Not(HasSubstr("writing")));
    EXPECT_EQ(second.out, first.out);
}

// The speedometer of the demonstration calibration (output 3) recalibrated by a script: the
// module holds the table printed, and live calibration is stopped.
TEST_F(ModuleCommands, CalibrateStoresTheScriptedMarksIntoTheModule) {
    RunOk({"demo", "--sim-state", state});
    const auto table =
        OkJson({"calibrate", "3", "--marks", "0,20,40,60", "--drive", "0", "--drive", "4.5",
                "--drive", "skip", "--drive", "13.6", "-o", dir.file("after.DVF")})["Cells"];
    EXPECT_EQ(std::tuple(table[0][1], table[1][2]), std::tuple("20", "13.6"));
    const std::string back = dir.file("back.DVF");
    Ok({"retrieve", "-o", back});
    EXPECT_EQ(ReadWholeFile(back, 1 << 20), ReadWholeFile(dir.file("after.DVF"), 1 << 20));
    EXPECT_EQ(OkJson({"read", "0x3901"})["Bytes"].get<std::string>().substr(0, 2), "00");

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
