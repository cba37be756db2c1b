// vx42ctl presets show, firmware show, srec2blu, run as a program.

#include <nlohmann/json.hpp>

#include "cli/cli_fixture.h"
#include "files/file_io.h"

namespace vx42::test {
namespace {

using FileCommands = CliTest;

TEST_F(FileCommands, PresetsShowListsEveryPresetWithItsTables) {
    const std::string cfg = WriteText("GaugePresets.CFG",
                                      "<GaugePreset>\r\n"
                                      "<GaugeName>Oil \xB0 Temp</GaugeName>\r\n"
                                      "<GaugePartNum>OT-1</GaugePartNum>\r\n"
                                      "<OutputName>Oil</OutputName>\r\n"
                                      "<Function>2</Function>\r\n"
                                      "<Frequency>100</Frequency>\r\n"
                                      "<OutputOn>0</OutputOn>\r\n"
                                      "<OutputOff>1</OutputOff>\r\n"
                                      "<DataBreakpoints>0,0.1,2.5</DataBreakpoints>\r\n"
                                      "<BatteryBreakpoints>7.99,9.98</BatteryBreakpoints>\r\n"
                                      "<DataRow3>1,2,3</DataRow3>\r\n"
                                      "</GaugePreset>\r\n"
                                      "<GaugePreset>\r\n"
                                      "<GaugeName>Broken</GaugeName>\r\n"
                                      "<Function>9</Function>\r\n"
                                      "</GaugePreset>\r\n");
    const CliResult r = RunOk({"presets", "show", cfg});
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 2u);
    EXPECT_EQ(j[0]["GaugeName"], "Oil \u00B0 Temp");
    EXPECT_EQ(j[0]["Function"], 2);
    EXPECT_EQ(j[0]["Frequency"], "100");
    EXPECT_EQ(j[0]["OutputOff"], 1);
    ASSERT_EQ(j[0]["DataBreakpoints"].size(), 16u);
    EXPECT_EQ(j[0]["DataBreakpoints"][1].get<double>(), 0.1);
    EXPECT_EQ(j[0]["DataBreakpoints"][15].get<double>(), 0);
    EXPECT_EQ(j[0]["BatteryBreakpoints"].size(), 6u);
    ASSERT_EQ(j[0]["DataRows"].size(), 6u);
    EXPECT_EQ(j[0]["DataRows"][2][2].get<double>(), 3);
    // The unusable preset is listed, and the reason is told on standard error.
    EXPECT_EQ(j[1]["GaugeName"], "Broken");
    EXPECT_THAT(r.err, HasSubstr("preset 2 (Broken) cannot be applied"));
}

TEST_F(FileCommands, PresetsShowDoesNotCreateAMissingFile) {
    const std::string path = dir.file("none.CFG");
    ExpectFailure(RunCli({"presets", "show", path}), "none.CFG");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FileCommands, FirmwareShowPrintsHeaderAndRecords) {
    const std::string rom = WriteText(
        "a.ROM", FirmwareFile(2, {{0x8000, std::string("\x00\x1F\xFE", 3)}, {0x1F000, "Z"}}));
    const auto j = JsonOk({"firmware", "show", rom});
    EXPECT_EQ(j["RecordCount"], 2);
    EXPECT_EQ(j["Identification"], "01020304A5B6C7D8");
    EXPECT_EQ(j["VersionAddress"], 0x8010);
    EXPECT_EQ(j["InfoAddress"], 0x8013);
    ASSERT_EQ(j["Records"].size(), 2u);
    EXPECT_EQ(j["Records"][0]["Type"], 7);
    EXPECT_EQ(j["Records"][0]["Length"], 3);
    EXPECT_EQ(j["Records"][0]["Address"], 0x8000);
    EXPECT_EQ(j["Records"][0]["Data"], "001FFE");
    EXPECT_EQ(j["Records"][1]["Data"], "5A");
}

TEST_F(FileCommands, FirmwareShowRefusesDamagedFiles) {
    std::string whole = FirmwareFile(2, {{0x8000, "abcdef"}, {0x9000, "gh"}});
    ExpectFailure(
        RunCli({"firmware", "show", WriteText("cut.ROM", whole.substr(0, whole.size() - 1))}),
        "cut.ROM\" is not a valid firmware file: the file ends inside the data of "
        "record 2 of 2");
    ExpectFailure(RunCli({"firmware", "show", WriteText("head.ROM", whole.substr(0, 10))}),
                  "head.ROM");
    ExpectFailure(RunCli({"firmware", "show", dir.file("none.ROM")}), "none.ROM");
}

TEST_F(FileCommands, SRecordsBecomeABootUpgradeImage) {
    const std::string s19 = WriteText("DataFlash.s19",
                                      "S00600004844521B\n"
                                      "S1070400010203046A\n"
                                      "S2080004080A0B0C0D9B\n"
                                      "S9030000FC\n");
    const std::string blu = dir.file("Upgrade.BLU");
    const CliResult r = RunOk({"srec2blu", s19, "-o", blu});
    EXPECT_THAT(r.out, IsEmpty());
    EXPECT_THAT(ReadWholeFile(blu, 100),
                ElementsAre(1, 2, 3, 4, 0, 0, 0, 0, 0x0A, 0x0B, 0x0C, 0x0D));
}

TEST_F(FileCommands, BadSRecordsLeaveThePreviousOutputAndCreateNoInput) {
    const std::string blu = WriteText("Upgrade.BLU", "previous");
    ExpectFailure(RunCli({"srec2blu", WriteText("bad.s19", "S1070400010G03046A\n"), "-o", blu}),
                  "bad.s19");
    ExpectFailure(RunCli({"srec2blu", WriteText("empty.s19", ""), "-o", blu}),
                  "empty.s19\" is empty");
    EXPECT_EQ(ReadText(blu), "previous");

    const std::string missing = dir.file("missing.s19");
    ExpectFailure(RunCli({"srec2blu", missing, "-o", blu}), "missing.s19");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace vx42::test
