// vx42ctl calibration show | build | describe | diff | report | check and history list | show |
// export, run as a program.

#include <nlohmann/json.hpp>

#include "cli/cli_fixture.h"
#include "files/calibration_file.h"
#include "files/file_io.h"
#include "files/restore_points.h"
#include "review/job_sheet.h"
#include "support/demo_calibration.h"

namespace vx42::test {
namespace {

using CalibrationCommands = CliTest;

// Every byte random, and every text and special multiplier; more images are
// calibration_json_test's.
TEST_F(CalibrationCommands, ShowThenBuildGivesBackTheImageByteForByte) {
    const std::string dvf = WriteCalibration("in.DVF", RandomPaddedCalibration(1));
    const CliResult shown = RunOk({"calibration", "show", dvf});
    EXPECT_THAT(shown.err, IsEmpty());
    const std::string out = dir.file("out.DVF");
    RunOk({"calibration", "build", WriteText("cal.json", shown.out), "-o", out});
    EXPECT_EQ(ReadWholeFile(out, 1 << 20), ReadWholeFile(dvf, 1 << 20));
}

// Each field's shape is calibration_json_test's; here one of each kind, read from the file, and
// a short file read as far as it goes.
TEST_F(CalibrationCommands, ShowDecodesTextsAndTellsOfAShortFile) {
    const auto j = JsonOk({"calibration", "show", WriteCalibration("a.DVF", SampleCalibration())});
    ASSERT_EQ(j["Outputs"].size(), 4u);
    EXPECT_EQ(std::tuple(j["Outputs"][0]["Name"], j["Outputs"][1]["TableBlock"][16 + 2],
                         j["MessageSlots"][0]["CanId"], j["MessageSlots"][0]["Multiplier"]),
              std::tuple("Kühler Fan", 500, "C7FDE200", 0.5));

    const CliResult r =
        RunOk({"calibration", "show", WriteText("short.DVF", std::string(100, '\x01'))});
    EXPECT_THAT(r.err, HasSubstr("is short (100 of 2727 bytes)"));
    EXPECT_EQ(nlohmann::json::parse(r.out)["LastByte"], 0);
    ExpectFailure(RunCli({"calibration", "describe", dir.file("none.DVF")}), "none.DVF");
}

TEST_F(CalibrationCommands, BuildRefusesBadJsonAndKeepsThePreviousOutput) {
    const std::string out = WriteCalibration("out.DVF", SampleCalibration());
    const auto before = ReadWholeFile(out, 1 << 20);

    auto j = nlohmann::json::parse(RunCli({"calibration", "show", out}).out);
    j["Outputs"][2].erase("Period");
    ExpectFailure(RunCli({"calibration", "build", WriteText("a.json", j.dump()), "-o", out}),
                  "Outputs[2].Period is missing");

    ExpectFailure(
        RunCli({"calibration", "build", WriteText("c.json", "{\"Outputs\": ["), "-o", out}),
        "c.json\" is not valid JSON");
    EXPECT_EQ(ReadWholeFile(out, 1 << 20), before);

    // A folder that does not exist: the message names the output file.
    j = nlohmann::json::parse(RunCli({"calibration", "show", out}).out);
    ExpectFailure(RunCli({"calibration", "build", WriteText("d.json", j.dump()), "-o",
                          dir.file("missing/x.DVF")}),
                  "missing/x.DVF");
}

TEST_F(CalibrationCommands, DescribeReadsLikeTheOutputTabs) {
    const std::string t =
        RunOk({"calibration", "describe", WriteCalibration("a.DVF", SampleCalibration())}).out;
    for (const char* part : {
             "CAN speed: 500 kbit/s",
             "Output 1 \"Kühler Fan\"\n  Function: Relay Control (Off: Ground, On: Voltage)\n"
             "  Time Delay (ms): 250\n  Show formatted CAN data: yes (CAN Data Formated in rpm)\n",
             "  Primary CAN data: Engine / Engine Speed (message slot 1)\n    Crankshaft speed\n",
             "C7FDE200",
             "bytes 3-4, start bit 0, 16 bits (bytes counted from 1, bits from 0), little-endian",
             "Scaling: raw x 0.5 + 0 rpm",
             "Filter 4 samples, sample period 256 ms",
             "  Secondary CAN data: no message\n",
             "Switch rule, primary CAN data: Simple Off to On: On A 1000.0 rpm, Off A 900.0 rpm\n",
             "Output 2 \"Fuel\"\n  Function: Analog Gauge\n  Frequency (hz): 1000.00\n",
             "Analog table: duty cycle (%) by battery voltage (V, rows) and CAN data (raw, "
             "columns)",
             "Frequency table: frequency (Hz) by CAN data (raw)",
             "Output 4 \"\"\n  Function: Off\n",
         })
        EXPECT_THAT(t, HasSubstr(part));
    // Row 2 of the table: its battery voltage, then 0.0, 1.0, 50.0 (the cell set apart), 3.0 ...
    for (const char* row :
         {"9\\.98 +0\\.0 +1\\.0 +50\\.0 +3\\.0", "data +0 +100 +200", "Hz +0\\.0 +10\\.0 +20\\.0"})
        EXPECT_THAT(t, testing::ContainsRegex(row));
}

TEST_F(CalibrationCommands, DiffNamesEachChangedSettingOnOneLineWithBothValues) {
    const CalImage a = SampleCalibration();
    const std::string fileA = WriteCalibration("a.DVF", a);
    const CliResult same = RunOk({"calibration", "diff", fileA, WriteCalibration("same.DVF", a)});
    EXPECT_THAT(same.out, IsEmpty());

    CalImage b = a;
    const auto& m = CalAddresses();
    b.StoreWord(m.OutputCal[0].PrimaryBlock, 2400);
    b.StoreWord(m.OutputCal[1].TableBlock + 32 * 1 + 2 * 2, 600);
    b.StoreText(m.OutputName[1], width::OutputName, "Fuel Level");
    b.StoreWord(m.CanSpeed, 250);
    b.StoreText(m.MessageDefSlot[0].Unit, width::Unit, "1/min");
    b.SetByte(m.OutputCal[0].DataSource[1].BitLength, 12);
    const CliResult r = RunCli({"calibration", "diff", fileA, WriteCalibration("b.DVF", b)});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(Lines(r.out),
                ElementsAre("Output 1, secondary CAN data, bit length: 0 → 12",
                            "Output 1, primary CAN data, switch point On A: 1000.0 rpm → 1200.0 "
                            "1/min",
                            "Output 2, name: \"Fuel\" → \"Fuel Level\"",
                            "Output 2, analog table, row 2 (9.98 V), column 3 (data 200): "
                            "50.0 % → 60.0 %",
                            "CAN speed: 500 kbit/s → 250 kbit/s",
                            "Message slot 1 (output 1 primary), unit: \"rpm\" → \"1/min\""));

    // Whatever byte changes, exactly one line reports it.
    for (int index :
         {0, 100, 0x540 - 0x400 + 60, 0x8FF - 0x400, 0x905 - 0x400, 0xE95 - 0x400, kCalImageLast}) {
        CalImage c = a;
        c[index] ^= 0x04;
        const CliResult one = RunCli({"calibration", "diff", fileA, WriteCalibration("c.DVF", c)});
        EXPECT_EQ(one.status, 1) << index;
        EXPECT_EQ(Lines(one.out).size(), 1u) << index << ":\n" << one.out;
    }
    // A stored text is printed on one line; a bad file is a failure, not a difference.
    CalImage c = a;
    c.SetByte(m.OutputName[1] + 2, '\n');
    const CliResult text = RunCli({"calibration", "diff", fileA, WriteCalibration("c.DVF", c)});
    EXPECT_EQ(text.status, 1);
    EXPECT_THAT(Lines(text.out), ElementsAre("Output 2, name: \"Fuel\" → \"Fu?l\""));
    ExpectFailure(RunCli({"calibration", "diff", fileA, dir.file("gone.DVF")}), "gone.DVF");
}

TEST(CliHelp, EveryCommandExplainsItself) {
    const CliResult top = RunOk({"--help"});
    for (const char* group : {"calibration", "library", "presets", "firmware", "srec2blu", "canid"})
        EXPECT_THAT(top.out, HasSubstr(group));
    const CliResult diff = RunOk({"calibration", "diff", "--help"});
    EXPECT_THAT(diff.out, HasSubstr("exit status 0 when they are equal"));

    const CliResult none = RunCli({});
    EXPECT_EQ(none.status, 2);
    EXPECT_THAT(none.out, IsEmpty());
    const CliResult unknown = RunCli({"calibration", "frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.err, Not(IsEmpty()));
}

TEST_F(CalibrationCommands, ReportWritesTheJobSheetTheWindowPrints) {
    const std::string dvf = WriteCalibration("Truck 12.DVF", SampleCalibration());
    const std::string html = dir.file("sheet.html");
    const CliResult r = RunOk({"calibration", "report", dvf, "-o", html, "--serial", "DV42A001",
                               "--firmware", "2.1.0", "--metric"});
    EXPECT_THAT(r.out, IsEmpty());
    const auto bytes = ReadWholeFile(html, 1 << 20);
    const std::string sheet(bytes.begin(), bytes.end());
    // The same layout as the core makes for the window, date aside.
    JobSheetHeader header{"DV42A001", "2.1.0", "", dvf};
    const auto date = sheet.find("<th>Date</th><td>") + 17;
    header.date = sheet.substr(date, sheet.find("</td>", date) - date);
    EXPECT_EQ(sheet, JobSheetHtml(SampleCalibration(), UnitFlags::AllMetric(), header));

    // Without -o the sheet goes to standard output; a missing file is refused.
    const CliResult shown = RunOk({"calibration", "report", dvf});
    EXPECT_THAT(shown.out, HasSubstr("<td>not recorded</td>"));  // no --serial: not known
    EXPECT_THAT(shown.out, HasSubstr("</html>"));
    ExpectFailure(RunCli({"calibration", "report", dir.file("none.DVF"), "-o", html}), "none.DVF");
    EXPECT_EQ(ReadWholeFile(html, 1 << 20), bytes);
}

TEST_F(CalibrationCommands, CheckPassesTheDemonstrationAndCatchesADamagedCopy) {
    const auto ok =
        JsonOk({"calibration", "check", VX42_DEMO_DVF, "--library-folder", VX42_LIBRARY_FOLDER});
    EXPECT_EQ(std::tuple(ok["errors"], ok["warnings"]), std::tuple(0, 0));

    // Breakpoints reversed and a duty cycle at 150 %.
    const CliResult bad =
        RunCli({"calibration", "check", WriteCalibration("bad.DVF", DamagedDemo(4, 9))});
    ASSERT_EQ(bad.status, 1) << bad.err;
    const auto found = nlohmann::json::parse(bad.out);
    EXPECT_EQ(found["errors"], 2);
    ASSERT_EQ(found["findings"].size(), 2u);
    const auto& first = found["findings"][0];
    EXPECT_EQ(std::tuple(first["identifier"], first["severity"], first["output"], first["setting"]),
              std::tuple("breakpoint-order", "error", 1, "data breakpoint 2"));
    EXPECT_THAT(found["findings"][1]["message"].get<std::string>(), HasSubstr("150.0 %"));

    ExpectFailure(
        RunCli({"calibration", "check", VX42_DEMO_DVF, "--library-folder", dir.file("none")}),
        "none");
}

TEST_F(CalibrationCommands, HistoryListsShowsAndExportsTheWindowsRestorePoints) {
    const std::string folder = dir.file("history");
    RestorePoints store(folder);
    CalImage changed = DemoCalibration();
    changed.StoreWord(CalAddresses().OutputCal[1].Period, 750);
    store.Record("FT4XK2QZ", DemoCalibration(), restore_event::Retrieve, 1700000000);
    store.Record("FT4XK2QZ", changed, restore_event::Update, 1700000100);

    const auto modules = JsonOk({"history", "list", "--history-folder", folder});
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(std::tuple(modules[0]["serial"], modules[0]["entries"]), std::tuple("FT4XK2QZ", 2));

    const auto entries =
        JsonOk({"history", "show", "FT4XK2QZ", "--history-folder", folder})["entries"];
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::tuple(entries[1]["event"], entries[1]["settingsChanged"]),
              std::tuple("Update", 1));

    const std::string first = dir.file("first.DVF");
    RunOk({"history", "export", "FT4XK2QZ", "1", "-o", first, "--history-folder", folder});
    EXPECT_EQ(ReadCalibrationFile(first).image, DemoCalibration());

    ExpectFailure(RunCli({"history", "show", "OTHER", "--history-folder", folder}), "OTHER");
    ExpectFailure(
        RunCli({"history", "export", "FT4XK2QZ", "3", "-o", first, "--history-folder", folder}),
        "entries 1 to 2");
}

}  // namespace
}  // namespace vx42::test
