// vx42ctl calibration check and history list | show | export, run as a program.

#include <nlohmann/json.hpp>

#include "cli/cli_fixture.h"
#include "files/calibration_file.h"
#include "files/file_io.h"
#include "files/restore_points.h"
#include "support/demo_calibration.h"

namespace vx42::test {
namespace {

using HistoryCommands = CliTest;
using ::testing::HasSubstr;

TEST_F(HistoryCommands, CheckPassesTheDemonstrationAndCatchesADamagedCopy) {
    const auto ok =
        JsonOk({"calibration", "check", VX42_DEMO_DVF, "--library-folder", VX42_LIBRARY_FOLDER});
    EXPECT_EQ(ok["errors"], 0);
    EXPECT_EQ(ok["warnings"], 0);

    // Breakpoints reversed and a duty cycle at 150 %.
    const CliResult bad =
        RunCli({"calibration", "check", WriteCalibration("bad.DVF", DamagedDemo(4, 9))});
    ASSERT_EQ(bad.status, 1) << bad.err;
    const auto found = nlohmann::json::parse(bad.out);
    EXPECT_EQ(found["errors"], 2);
    ASSERT_EQ(found["findings"].size(), 2u);
    EXPECT_EQ(found["findings"][0]["identifier"], "breakpoint-order");
    EXPECT_EQ(found["findings"][0]["severity"], "error");
    EXPECT_EQ(found["findings"][0]["output"], 1);
    EXPECT_EQ(found["findings"][0]["setting"], "data breakpoint 2");
    EXPECT_THAT(found["findings"][1]["message"].get<std::string>(), HasSubstr("150.0 %"));

    ExpectFailure(
        RunCli({"calibration", "check", VX42_DEMO_DVF, "--library-folder", dir.file("none")}),
        "none");
}

TEST_F(HistoryCommands, HistoryListsShowsAndExportsTheWindowsRestorePoints) {
    const std::string folder = dir.file("history");
    RestorePoints store(folder);
    CalImage changed = DemoCalibration();
    changed.StoreWord(CalAddresses().OutputCal[1].Period, 750);
    store.Record("FT4XK2QZ", DemoCalibration(), restore_event::Retrieve, 1700000000);
    store.Record("FT4XK2QZ", changed, restore_event::Update, 1700000100);

    const auto modules = JsonOk({"history", "list", "--history-folder", folder});
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0]["serial"], "FT4XK2QZ");
    EXPECT_EQ(modules[0]["entries"], 2);

    const auto entries =
        JsonOk({"history", "show", "FT4XK2QZ", "--history-folder", folder})["entries"];
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1]["event"], "Update");
    EXPECT_EQ(entries[1]["settingsChanged"], 1);

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
