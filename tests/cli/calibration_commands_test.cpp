// vx42ctl calibration show | build | describe | diff | report, run as a program.

#include <nlohmann/json.hpp>

#include "cli/cli_fixture.h"
#include "files/file_io.h"
#include "review/job_sheet.h"

namespace vx42::test {
namespace {

using CalibrationCommands = CliTest;

TEST_F(CalibrationCommands, ShowThenBuildGivesBackTheImageByteForByte) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::string dvf = WriteCalibration("in.DVF", RandomPaddedCalibration(seed));
        const CliResult shown = RunOk({"calibration", "show", dvf});
        EXPECT_THAT(shown.err, IsEmpty());
        const std::string json = WriteText("cal.json", shown.out);
        const std::string out = dir.file("out.DVF");
        RunOk({"calibration", "build", json, "-o", out});
        EXPECT_EQ(ReadWholeFile(out, 1 << 20), ReadWholeFile(dvf, 1 << 20)) << "seed " << seed;
    }
}

TEST_F(CalibrationCommands, ShowDecodesTextsAndPrintsTheContractShape) {
    const auto j = JsonOk({"calibration", "show", WriteCalibration("a.DVF", SampleCalibration())});
    ASSERT_EQ(j["Outputs"].size(), 4u);
    EXPECT_EQ(j["Outputs"][0]["Name"], "Kühler Fan");
    // Each field's shape is calibration_json_test's; here one of each kind, read from the file.
    EXPECT_EQ(j["Outputs"][1]["TableBlock"][16 + 2], 500);
    EXPECT_EQ(j["MessageSlots"][0]["CanId"], "C7FDE200");
    EXPECT_EQ(j["MessageSlots"][0]["Multiplier"].get<double>(), 0.5);
}

TEST_F(CalibrationCommands, ShortAndMissingFiles) {
    const std::string shortFile = WriteText("short.DVF", std::string(100, '\x01'));
    const CliResult r = RunOk({"calibration", "show", shortFile});
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
    const CliResult r =
        RunOk({"calibration", "describe", WriteCalibration("a.DVF", SampleCalibration())});
    const std::string& t = r.out;
    EXPECT_THAT(t, HasSubstr("CAN speed: 500 kbit/s"));
    EXPECT_THAT(t, HasSubstr("Output 1 \"Kühler Fan\"\n"
                             "  Function: Relay Control (Off: Ground, On: Voltage)\n"
                             "  Time Delay (ms): 250\n"
                             "  Show formatted CAN data: yes (CAN Data Formated in rpm)\n"));
    EXPECT_THAT(t, HasSubstr("  Primary CAN data: Engine / Engine Speed (message slot 1)\n"
                             "    Crankshaft speed\n"));
    EXPECT_THAT(t, HasSubstr("C7FDE200"));
    EXPECT_THAT(
        t,
        HasSubstr(
            "bytes 3-4, start bit 0, 16 bits (bytes counted from 1, bits from 0), little-endian"));
    EXPECT_THAT(t, HasSubstr("Scaling: raw x 0.5 + 0 rpm"));
    EXPECT_THAT(t, HasSubstr("Filter 4 samples, sample period 256 ms"));
    EXPECT_THAT(t, HasSubstr("  Secondary CAN data: no message\n"));
    EXPECT_THAT(t, HasSubstr("Switch rule, primary CAN data: Simple Off to On: On A 1000.0 rpm, "
                             "Off A 900.0 rpm\n"));

    EXPECT_THAT(t, HasSubstr("Output 2 \"Fuel\"\n  Function: Analog Gauge\n"
                             "  Frequency (hz): 1000.00\n"));
    EXPECT_THAT(t, HasSubstr("Analog table: duty cycle (%) by battery voltage (V, rows) and CAN "
                             "data (raw, columns)"));
    // Row 2 of the table: its battery voltage, then 0.0, 1.0, 50.0 (the cell set apart), 3.0 ...
    EXPECT_THAT(t, testing::ContainsRegex("9\\.98 +0\\.0 +1\\.0 +50\\.0 +3\\.0"));
    EXPECT_THAT(t, testing::ContainsRegex("data +0 +100 +200"));

    EXPECT_THAT(t, HasSubstr("Frequency table: frequency (Hz) by CAN data (raw)"));
    EXPECT_THAT(t, testing::ContainsRegex("Hz +0\\.0 +10\\.0 +20\\.0"));
    EXPECT_THAT(t, HasSubstr("Output 4 \"\"\n  Function: Off\n"));
}

TEST_F(CalibrationCommands, DiffNamesEachSettingWithBothValues) {
    const CalImage a = SampleCalibration();
    const std::string fileA = WriteCalibration("a.DVF", a);
    const CliResult same = RunOk({"calibration", "diff", fileA, WriteCalibration("same.DVF", a)});
    EXPECT_THAT(same.out, IsEmpty());

    CalImage b = a;
    const auto& m = CalAddresses();
    b.StoreWord(m.OutputCal[0].PrimaryBlock, 2400);
    b.StoreWord(m.OutputCal[1].TableBlock + 32 * 1 + 2 * 2, 600);
    b.StoreText(m.OutputName[1], width::OutputName, "Fuel Level");
    b.SetByte(m.OutputCal[2].FunctionFlags, 0xA0);  // bit 7: no visible change
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
                            "Output 3, unused bit 7 of the function byte: clear → set",
                            "CAN speed: 500 kbit/s → 250 kbit/s",
                            "Message slot 1 (output 1 primary), unit: \"rpm\" → \"1/min\""));
}

TEST_F(CalibrationCommands, DiffReportsEveryChangedByteOnOneLine) {
    // Whatever byte changes, exactly one line reports it.
    const CalImage a = SampleCalibration();
    const std::string fileA = WriteCalibration("a.DVF", a);
    for (int index :
         {0, 100, 0x540 - 0x400 + 60, 0x8FF - 0x400, 0x905 - 0x400, 0xE95 - 0x400, kCalImageLast}) {
        CalImage b = a;
        b[index] ^= 0x04;
        const CliResult r = RunCli({"calibration", "diff", fileA, WriteCalibration("b.DVF", b)});
        EXPECT_EQ(r.status, 1) << index;
        EXPECT_EQ(Lines(r.out).size(), 1u) << index << ":\n" << r.out;
    }
    // A stored text is printed on one line; a bad file is a failure, not a difference.
    CalImage b = a;
    b.SetByte(CalAddresses().OutputName[1] + 2, '\n');
    const CliResult r = RunCli({"calibration", "diff", fileA, WriteCalibration("b.DVF", b)});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(Lines(r.out), ElementsAre("Output 2, name: \"Fuel\" → \"Fu?l\""));
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
    EXPECT_THAT(sheet, HasSubstr("Output 1: Kühler Fan"));

    // Without -o the sheet goes to standard output; a missing file is refused.
    const CliResult shown = RunOk({"calibration", "report", dvf});
    EXPECT_THAT(shown.out, HasSubstr("<td>not recorded</td>"));
    EXPECT_THAT(shown.out, HasSubstr("</html>"));
    ExpectFailure(RunCli({"calibration", "report", dir.file("none.DVF"), "-o", html}), "none.DVF");
    EXPECT_EQ(ReadWholeFile(html, 1 << 20), bytes);
}

}  // namespace
}  // namespace vx42::test
