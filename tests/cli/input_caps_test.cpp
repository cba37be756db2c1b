// vx42ctl on hostile inputs: every reader refuses what is beyond its caps with one line naming
// the file and the cap, and writes nothing. The caps' own edges are the readers' tests'.

#include <filesystem>

#include "cli/cli_fixture.h"

namespace vx42::test {
namespace {

using InputCaps = CliTest;

TEST_F(InputCaps, EachReaderRefusesWithTheFileAndTheCap) {
    const std::string out = dir.file("out");
    const struct {
        const char *group, *verb, *name;
        std::size_t bytes;
        char fill;
        const char* says;  // after the file's name
    } cases[] = {
        {"library", "show", "big.DVM", (16 << 20) + 1, 'x',
         "is too large (16,777,217 bytes; at most 16,777,216 bytes)"},
        {"calibration", "build", "deep.json", 4 << 20, '[', "has more than 16 levels of nesting"},
        {"library", "build", "deep.json", 60'000'000, '[', "has more than 16 levels of nesting"},
        {"calibration", "build", "huge.json", (4 << 20) + 1, ' ',
         "is too large (4,194,305 bytes; at most 4,194,304 bytes)"},
        {"presets", "show", "big.CFG", (1 << 20) + 1, '\n',
         "is too large (1,048,577 bytes; at most 1,048,576 bytes)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.group) + " " + c.verb + " " + c.name);
        std::vector<std::string> args{c.group, c.verb,
                                      WriteText(c.name, std::string(c.bytes, c.fill))};
        if (args[1] == "build") args.insert(args.end(), {"-o", out});
        ExpectFailure(RunCli(args), std::string(c.name) + "\" " + c.says);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

}  // namespace
}  // namespace vx42::test
