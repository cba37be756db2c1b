#include "app/window_arguments.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "base/error_log.h"
#include "base/system_text.h"

namespace vx42 {
namespace {

struct Outcome {
    std::optional<int> status;
    WindowArguments arguments;
    std::string out, err;
};

Outcome Read(std::vector<const char*> args, StartupMode mode = StartupMode::Full) {
    args.insert(args.begin(), mode == StartupMode::Relay ? "/usr/bin/VX42RelayControl" : "VX42");
    Outcome o;
    std::ostringstream out, err;
    o.status = ReadWindowArguments(static_cast<int>(args.size()), args.data(), mode, o.arguments,
                                   out, err);
    o.out = out.str();
    o.err = err.str();
    return o;
}

TEST(WindowArguments, AFileAndTheSimulatorStartTheWindow) {
    const Outcome none = Read({});
    EXPECT_FALSE(none.status || none.arguments.simulator || !none.arguments.file.empty());
    const Outcome both = Read({"--simulator", "/jobs/truck 12.DVF"});
    EXPECT_TRUE(!both.status && both.arguments.simulator);
    // (On Windows the path is on the current drive, which it then names.)
    EXPECT_EQ(both.arguments.file,
              Utf8FromPath(std::filesystem::absolute(PathFromUtf8("/jobs/truck 12.DVF"))));
    EXPECT_TRUE(both.out.empty() && both.err.empty());

    // A file named from the current folder is named whole: Save writes beside it.
    const Outcome relative = Read({"jobs/../truck.DVF"});
    ASSERT_FALSE(relative.status);
    EXPECT_EQ(relative.arguments.file,
              Utf8FromPath((std::filesystem::current_path() / "truck.DVF").lexically_normal()));
}

// The texts of --version and the program's own help are the command line test's
// (window_command_line_test.sh).
TEST(WindowArguments, HelpAndVersionEndTheRunWithoutAWindow) {
    const Outcome help = Read({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("vx42ctl"), std::string::npos) << help.out;
    EXPECT_TRUE(help.err.empty());
    EXPECT_EQ(Read({"--version"}).status, 0);
    EXPECT_NE(Read({"-h"}, StartupMode::Relay).out.find("VX42RelayControl"), std::string::npos);
}

TEST(WindowArguments, WhatTheWindowDoesNotTakeIsRefusedInOneLine) {
    struct Case {
        std::vector<const char*> args;
        const char* named;
    };
    const Case cases[] = {
        {{"--simulater"}, "--simulater"},
        {{"-platform", "offscreen"}, "-platform"},
        {{"a.DVF", "b.DVF"}, "b.DVF"},
    };
    for (const Case& c : cases) {
        const Outcome o = Read(c.args);
        EXPECT_EQ(o.status, kUsageStatus) << c.named;
        EXPECT_TRUE(o.out.empty());
        // One line, naming the program, what was refused and where help is.
        EXPECT_TRUE(o.err.rfind("VX42: ", 0) == 0 && o.err.find(c.named) != std::string::npos &&
                    o.err.find("VX42 --help") != std::string::npos &&
                    o.err.find('\n') == o.err.size() - 1)
            << o.err;
    }
}

}  // namespace
}  // namespace vx42
