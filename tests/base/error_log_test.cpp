#include "base/error_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/scripted_prompt.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

TEST(ErrorLog, LineJoinsTheFieldsAndStaysOnOneLine) {
    const std::string line = FormatLogLine("2026-12-06 10:00:00", "2.1.0",
                                           {75, "Path/File access error\r\non two lines", "VX42"},
                                           {"frmMain", "menuFileOpen", "Click"});
    EXPECT_EQ(line,
              "2026-12-06 10:00:00, 2.1.0, VX42, 75, Path/File access error  on two lines, "
              "frmMain, menuFileOpen, Click");
}

TEST(ErrorLog, TrappedHandlerShowsLogsAndEnds) {
    test::TempDir dir;
    ErrorLog log(dir.str());
    ScriptedPrompt prompt;
    prompt.ExpectMessage("9 Subscript out of range");
    prompt.ExpectMessage("1234 The module went away");
    bool restRan = false;
    EXPECT_FALSE(RunTrapped({"frmMain", "cmdUpdate", "Click"}, prompt, log, [&] {
        std::vector<int> v;
        (void)v.at(3);  // an error inside a calculation called from the handler
        restRan = true;
    }));
    EXPECT_FALSE(restRan);
    EXPECT_FALSE(RunTrapped({"frmMain", "txtOnA", "KeyPress"}, prompt, log,
                            [] { throw NumberedError(1234, "The module went away", "modFTDI"); }));
    EXPECT_TRUE(RunTrapped({"frmMain", "TabStrip", "Click"}, prompt, log, [] {}));

    EXPECT_TRUE(prompt.Unexpected().empty());
    const auto calls = prompt.Calls();
    ASSERT_EQ(calls.size(), 2u);
    // The location goes only to the log.
    EXPECT_TRUE(calls[0].icon == Icon::Exclamation &&
                calls[0].text.find("cmdUpdate") == std::string::npos);

    const auto lines = Lines(log.path());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(", " + ProgramVersion() + ", VX42, 9, "), std::string::npos);
    EXPECT_NE(lines[0].find(", frmMain, cmdUpdate, Click"), std::string::npos);
    EXPECT_NE(lines[1].find(", modFTDI, 1234, The module went away, frmMain, txtOnA, KeyPress"),
              std::string::npos);
}

TEST(ErrorLog, AnUnwritableLogDropsTheEntryQuietly) {
    // A folder where the log file belongs cannot be written, whoever runs the test.
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "Error Logs" / "ErrLogDVN.log");
    ErrorLog log(dir.str());
    ScriptedPrompt prompt;
    prompt.ExpectMessage("51 boom");
    EXPECT_FALSE(log.Append({1, "x", "y"}, {}));
    EXPECT_FALSE(RunTrapped({}, prompt, log, [] { throw std::runtime_error("boom"); }));
    EXPECT_TRUE(prompt.Unexpected().empty());
}

}  // namespace
}  // namespace vx42
