// vx42ctl presets show, firmware show, srec2blu, library show | build | import-dbc and canid, run
// as a program. What each file holds is read by the rules of tests/files, tests/firmware and
// tests/can; here the command's output and refusals.

#include <nlohmann/json.hpp>

#include "cli/cli_fixture.h"
#include "files/file_io.h"

namespace vx42::test {
namespace {

using FileCommands = CliTest;
using LibraryCommands = CliTest;

TEST_F(FileCommands, PresetsShowListsEveryPresetWithItsTablesAndCreatesNoFile) {
    const std::string cfg = WriteText(
        "GaugePresets.CFG",
        "<GaugePreset>\r\n<GaugeName>Oil \xB0 Temp</GaugeName>\r\n<GaugePartNum>OT-1</GaugePartNum>"
        "\r\n<OutputName>Oil</OutputName>\r\n<Function>2</Function>\r\n<Frequency>100</Frequency>"
        "\r\n<OutputOn>0</OutputOn>\r\n<OutputOff>1</OutputOff>\r\n"
        "<DataBreakpoints>0,0.1,2.5</DataBreakpoints>\r\n<DataRow3>1,2,3</DataRow3>\r\n"
        "<BatteryBreakpoints>7.99,9.98</BatteryBreakpoints>\r\n</GaugePreset>\r\n"
        "<GaugePreset>\r\n<GaugeName>Broken</GaugeName>\r\n<Function>9</Function>\r\n"
        "</GaugePreset>\r\n");
    const CliResult r = RunOk({"presets", "show", cfg});
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 2u);
    const auto& oil = j[0];
    EXPECT_EQ(std::tuple(oil["GaugeName"], oil["GaugePartNum"], oil["OutputName"], oil["Function"],
                         oil["Frequency"], oil["OutputOn"], oil["OutputOff"]),
              std::tuple("Oil \u00B0 Temp", "OT-1", "Oil", 2, "100", 0, 1));
    EXPECT_EQ(std::tuple(oil["DataBreakpoints"].size(), oil["DataBreakpoints"][1],
                         oil["BatteryBreakpoints"].size(), oil["BatteryBreakpoints"][1],
                         oil["DataRows"].size(), oil["DataRows"][2][2]),
              std::tuple(16u, 0.1, 6u, 9.98, 6u, 3.0));
    // The unusable preset is listed, and the reason is told on standard error.
    EXPECT_EQ(j[1]["GaugeName"], "Broken");
    EXPECT_THAT(r.err, HasSubstr("preset 2 (Broken) cannot be applied"));

    const std::string missing = dir.file("none.CFG");
    ExpectFailure(RunCli({"presets", "show", missing}), "none.CFG");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(FileCommands, FirmwareShowPrintsHeaderAndRecordsAndRefusesADamagedFile) {
    const std::string rom = WriteText(
        "a.ROM", FirmwareFile(2, {{0x8000, std::string("\x00\x1F\xFE", 3)}, {0x1F000, "Z"}}));
    EXPECT_EQ(JsonOk({"firmware", "show", rom}), nlohmann::json::parse(R"({
        "RecordCount": 2, "Identification": "01020304A5B6C7D8",
        "VersionAddress": 32784, "InfoAddress": 32787, "Records": [
            {"Type": 7, "Length": 3, "Address": 32768, "Data": "001FFE"},
            {"Type": 7, "Length": 1, "Address": 126976, "Data": "5A"}]})"));

    const std::string whole = ReadText(rom);
    ExpectFailure(
        RunCli({"firmware", "show", WriteText("cut.ROM", whole.substr(0, whole.size() - 1))}),
        "cut.ROM\" is not a valid firmware file: the file ends inside the data of "
        "record 2 of 2");
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

// Unlike the window's, the command creates no missing input.
TEST_F(FileCommands, BadSRecordsLeaveThePreviousOutputAndCreateNoInput) {
    const std::string blu = WriteText("Upgrade.BLU", "previous");
    ExpectFailure(RunCli({"srec2blu", WriteText("bad.s19", "S1070400010G03046A\n"), "-o", blu}),
                  "bad.s19");
    const std::string missing = dir.file("missing.s19");
    ExpectFailure(RunCli({"srec2blu", missing, "-o", blu}), "missing.s19");
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(ReadText(blu), "previous");
}

const char* const kLibraryJson = R"({
  "Name": "ignored", "Version": "V001",
  "Messages": [
    {"CanId": 419361024, "Name": "  Engine Speed ", "Description": "Crankshaft speed",
     "DataLength": 8, "StartByte": 3, "StartBit": 0, "BitLength": 16, "BigEndian": false,
     "ClearRtr": true, "Offset": 0, "Multiplier": 0.125, "Unit": "rpm", "EndianLength": 2},
    {"CanId": 1280, "Name": "Coolant", "Description": "Température",
     "DataLength": 8, "StartByte": 0, "StartBit": 0, "BitLength": 8, "BigEndian": true,
     "ClearRtr": false, "Offset": -40, "Multiplier": 0.1, "Unit": "°C", "EndianLength": 1}
  ]})";

// Each field's reading is library_json_test's; here the messages through the encrypted file,
// and files that are no library.
TEST_F(LibraryCommands, BuildThenShowGivesBackEveryMessageAndRefusesWhatIsNoLibrary) {
    const std::string dvm = dir.file("Engine_Data.DVM");
    RunOk({"library", "build", WriteText("in.json", kLibraryJson), "-o", dvm});
    const std::string bytes = ReadText(dvm);
    EXPECT_EQ(bytes.find("Crankshaft"), std::string::npos);  // encrypted

    const auto j = JsonOk({"library", "show", dvm});
    EXPECT_EQ(std::tuple(j["Name"], j["Version"]), std::tuple("Engine Data", "C002"));
    auto messages = nlohmann::json::parse(kLibraryJson)["Messages"];
    messages[0]["Name"] = "Engine Speed";  // trimmed
    EXPECT_EQ(j["Messages"], messages);

    ExpectFailure(
        RunCli({"library", "show", WriteText("Cut.DVM", bytes.substr(0, bytes.size() - 3))}),
        "Cut.DVM\" is not a message library");
    ExpectFailure(RunCli({"library", "show", WriteText("Plain.DVM", std::string(64, 'x'))}),
                  "Plain.DVM\" is not a message library");
    ExpectFailure(RunCli({"library", "show", dir.file("None.DVM")}), "None.DVM");
}

TEST_F(LibraryCommands, BuildNamesTheBadFieldAndKeepsThePreviousFile) {
    const std::string dvm = WriteText("Old.DVM", "previous");
    auto j = nlohmann::json::parse(kLibraryJson);
    j["Messages"][1].erase("BitLength");
    ExpectFailure(RunCli({"library", "build", WriteText("a.json", j.dump()), "-o", dvm}),
                  "Messages[1].BitLength");
    ExpectFailure(RunCli({"library", "build", WriteText("c.json", "[1,"), "-o", dvm}), "c.json");
    EXPECT_EQ(ReadText(dvm), "previous");
}

// The conversion itself is message_selection_test's; here what the command adds: the typed
// forms, "--clear-rtr", the warning about four digits above 7FF and the refusals.
TEST(CanIdCommands, ToModuleAndBack) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } rows[] = {
        {{"to-module", "18FEF100"}, 0, "C7FDE200\n", ""},
        {{"to-module", "0x18fef100"}, 0, "C7FDE200\n", ""},
        {{"to-module", "18FEF100", "--clear-rtr"}, 0, "47EDE200\n", ""},
        {{"from-module", "C7FDE200"}, 0, "18FEF100\n", ""},
        {{"to-module", "00000123"}, 0, "24600000\n", ""},  // leading zeros: still standard
        {{"to-module", "0"}, 0, "00000000\n", ""},
        {{"to-module", "800"}, 0, "10000000\n", "standard identifier has 11 bits"},
        {{"to-module", "xyz"}, 2, "", "canid to-module"},
        {{"to-module", "20000000"}, 2, "", "canid to-module"},
        {{"to-module", "123456789"}, 2, "", "canid to-module"},
        {{"to-module", ""}, 2, "", "canid to-module"},
        {{"from-module", "G0000000"}, 2, "", "\"G0000000\" is not a module register value"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args{"canid"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        SCOPED_TRACE(args[1] + " " + args[2]);
        const CliResult r = RunCli(args);
        EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(row.status, row.out)) << r.err;
        EXPECT_THAT(r.err, HasSubstr(row.err));
    }
}

// Which signals are taken and what is told of each; the import's own rules (the position,
// the unit, the names made unique, the refusals) are dbc_import_test's.
TEST_F(LibraryCommands, ImportDbcAddsToTheUserLibraryAndTellsWhatWasNot) {
    const std::string dbc = WriteText("engine.dbc",
                                      "BO_ 2566844672 EEC1: 8 ECU\n"
                                      " SG_ EngineSpeed : 24|16@1+ (0.125,0) [0|8031] \"rpm\" X\n"
                                      " SG_ Torque : 8|8@1- (1,0) [-125|125] \"%\" X\n"
                                      " SG_ Broken : 8|8@1+ (1,0 [0|1] \"\" X\n"
                                      "BO_ 100 Other: 8 ECU\n"
                                      " SG_ Level : 0|8@1+ (1,0.5) [0|100] \"%\" X\n");
    const std::string folder = dir.file("Libraries");
    const CliResult first = RunOk({"library", "import-dbc", dbc, "--user", "--library-folder",
                                   folder, "--message", "0x18FEF100"});
    EXPECT_THAT(first.out, HasSubstr("imported: EEC1 EngineSpeed as \"EngineSpeed\""));
    EXPECT_THAT(first.out, HasSubstr("not imported: EEC1 Torque: signed"));
    EXPECT_THAT(first.out, Not(HasSubstr("Level")));  // not chosen
    EXPECT_THAT(first.err, HasSubstr("line 4"));

    // A second import adds to the first, a taken name numbered.
    const CliResult second = RunOk({"library", "import-dbc", dbc, "--user", "--library-folder",
                                    folder, "--signal", "EngineSpeed", "--signal", "Level"});
    EXPECT_THAT(second.out, HasSubstr("as \"EngineSpeed 2\""));
    EXPECT_THAT(second.out, HasSubstr("offset 0.5 rounded to 1"));
    const auto j = JsonOk({"library", "show", folder + "/User_Defined.DVM"})["Messages"];
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(std::tuple(j[0]["CanId"], j[2]["Name"]), std::tuple(0x18FEF100, "Level"));

    // A new library file; nothing importable is a failure.
    RunOk({"library", "import-dbc", dbc, "-o", dir.file("Engine.DVM")});
    EXPECT_EQ(JsonOk({"library", "show", dir.file("Engine.DVM")})["Messages"].size(), 2u);
    const CliResult none =
        RunCli({"library", "import-dbc", dbc, "-o", dir.file("None.DVM"), "--signal", "Torque"});
    EXPECT_EQ(none.status, 2);
    EXPECT_THAT(none.out, HasSubstr("not imported: EEC1 Torque"));
    EXPECT_THAT(none.err, HasSubstr("none of the chosen signals"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("None.DVM")));
}

}  // namespace
}  // namespace vx42::test
