// vx42ctl library show | build and canid, run as a program.

#include <nlohmann/json.hpp>

#include "cli/cli_fixture.h"
#include "files/file_io.h"

namespace vx42::test {
namespace {

using LibraryCommands = CliTest;

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

TEST_F(LibraryCommands, BuildThenShowGivesBackEveryMessage) {
    const std::string dvm = dir.file("Engine_Data.DVM");
    RunOk({"library", "build", WriteText("in.json", kLibraryJson), "-o", dvm});
    // Encrypted: none of the texts can be read in the file.
    EXPECT_EQ(ReadText(dvm).find("Crankshaft"), std::string::npos);

    const CliResult shown = RunOk({"library", "show", dvm});
    const auto j = nlohmann::json::parse(shown.out);
    EXPECT_EQ(j["Name"], "Engine Data");
    EXPECT_EQ(j["Version"], "C002");
    ASSERT_EQ(j["Messages"].size(), 2u);
    // Each field's reading is library_json_test's; here the texts and numbers through the file.
    EXPECT_EQ(j["Messages"][0]["Name"], "Engine Speed");
    EXPECT_EQ(j["Messages"][0]["Multiplier"].get<double>(), 0.125);
    EXPECT_EQ(j["Messages"][1]["Description"], "Température");
    EXPECT_EQ(j["Messages"][1]["Offset"], -40);

    // The shown JSON builds the same library again.
    const std::string again = dir.file("Again.DVM");
    ASSERT_EQ(RunCli({"library", "build", WriteText("shown.json", shown.out), "-o", again}).status,
              0);
    auto j2 = nlohmann::json::parse(RunCli({"library", "show", again}).out);
    j2["Name"] = j["Name"];
    EXPECT_EQ(j2, j);
}

TEST_F(LibraryCommands, DamagedLibrariesAreRefusedByName) {
    const std::string dvm = dir.file("Good.DVM");
    ASSERT_EQ(RunCli({"library", "build", WriteText("in.json", kLibraryJson), "-o", dvm}).status,
              0);
    const std::string bytes = ReadText(dvm);

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
                  "BitLength");
    j = nlohmann::json::parse(kLibraryJson);
    j["Messages"][0]["DataLength"] = 300;
    ExpectFailure(RunCli({"library", "build", WriteText("b.json", j.dump()), "-o", dvm}),
                  "DataLength");
    ExpectFailure(RunCli({"library", "build", WriteText("c.json", "[1,"), "-o", dvm}), "c.json");
    EXPECT_EQ(ReadText(dvm), "previous");
}

// The conversion itself is message_selection_test's; here what the command adds: the typed
// forms, the "--clear-rtr" option and the warning about four digits above 7FF.
TEST(CanIdCommands, ToModuleAndBack) {
    const auto out = [](std::vector<std::string> args) { return RunOk(args).out; };
    EXPECT_EQ(out({"canid", "to-module", "18FEF100"}), "C7FDE200\n");
    EXPECT_EQ(out({"canid", "to-module", "0x18fef100"}), "C7FDE200\n");
    EXPECT_EQ(out({"canid", "to-module", "18FEF100", "--clear-rtr"}), "47EDE200\n");
    EXPECT_EQ(out({"canid", "from-module", "C7FDE200"}), "18FEF100\n");
    // Leading zeros do not make a standard identifier extended.
    EXPECT_EQ(out({"canid", "to-module", "00000123"}), "24600000\n");
    EXPECT_EQ(out({"canid", "to-module", "0"}), "00000000\n");

    const CliResult r = RunOk({"canid", "to-module", "800"});
    EXPECT_EQ(r.out, "10000000\n");
    EXPECT_THAT(r.err, HasSubstr("standard identifier has 11 bits"));
}

TEST(CanIdCommands, BadIdentifiersFail) {
    for (const char* bad : {"xyz", "20000000", "123456789", ""}) {
        const CliResult r = RunCli({"canid", "to-module", bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_THAT(r.err, HasSubstr("canid to-module")) << bad;
    }
    const CliResult r = RunCli({"canid", "from-module", "G0000000"});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("\"G0000000\" is not a module register value"));
}

}  // namespace
}  // namespace vx42::test

namespace vx42::test {
namespace {

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
    EXPECT_NE(first.out.find("imported: EEC1 EngineSpeed as \"EngineSpeed\""), std::string::npos);
    EXPECT_NE(first.out.find("not imported: EEC1 Torque: signed"), std::string::npos);
    EXPECT_EQ(first.out.find("Level"), std::string::npos);  // not chosen
    EXPECT_NE(first.err.find("line 4"), std::string::npos);

    // A second import adds to the first, a taken name numbered.
    const CliResult second = RunOk({"library", "import-dbc", dbc, "--user", "--library-folder",
                                    folder, "--signal", "EngineSpeed", "--signal", "Level"});
    EXPECT_NE(second.out.find("as \"EngineSpeed 2\""), std::string::npos);
    EXPECT_NE(second.out.find("offset 0.5 rounded to 1"), std::string::npos);

    const auto j =
        nlohmann::json::parse(RunCli({"library", "show", folder + "/User_Defined.DVM"}).out);
    ASSERT_EQ(j["Messages"].size(), 3u);
    EXPECT_EQ(j["Messages"][0]["CanId"], 0x18FEF100);
    EXPECT_EQ(j["Messages"][0]["StartByte"], 3);
    EXPECT_EQ(j["Messages"][0]["Unit"], "RPM");
    EXPECT_EQ(j["Messages"][2]["Name"], "Level");

    // A new library file; nothing importable is a failure.
    RunOk({"library", "import-dbc", dbc, "-o", dir.file("Engine.DVM")});
    EXPECT_EQ(
        nlohmann::json::parse(RunCli({"library", "show", dir.file("Engine.DVM")}).out)["Messages"]
            .size(),
        2u);
    const CliResult none =
        RunCli({"library", "import-dbc", dbc, "-o", dir.file("None.DVM"), "--signal", "Torque"});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.out.find("not imported: EEC1 Torque"), std::string::npos);
    EXPECT_NE(none.err.find("none of the chosen signals"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("None.DVM")));
}

}  // namespace
}  // namespace vx42::test
