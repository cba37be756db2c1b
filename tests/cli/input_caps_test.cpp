// vx42ctl on hostile inputs: every reader refuses what is beyond its caps or not its format
// with one line naming the file and what is wrong, and writes nothing.

#include <filesystem>

#include "cli/cli_fixture.h"

namespace vx42::test {
namespace {

using InputCaps = CliTest;

TEST_F(InputCaps, EachReaderRefusesWithTheFileAndTheCap) {
    const std::string out = dir.file("out");
    std::string blocks;
    for (int i = 0; i < 1001; ++i) blocks += "<GaugePreset>\n</GaugePreset>\n";
    const struct {
        std::vector<std::string> args;
        std::string name;
        std::string bytes;
        std::string says;
    } cases[] = {
        {{"library", "show"},
         "big.DVM",
         std::string((16 << 20) + 1, 'x'),
         "big.DVM\" is too large (16,777,217 bytes; at most 16,777,216 bytes)"},
        {{"calibration", "build"},
         "overflow.json",
         R"({"Messages":[1e400]})",
         "overflow.json\" is not valid JSON: number overflow"},
        {{"calibration", "build"},
         "brackets.json",
         std::string(4 << 20, '['),
         "brackets.json\" has more than 16 levels of nesting"},
        {{"library", "build"},
         "brackets.json",
         std::string(60'000'000, '['),
         "brackets.json\" has more than 16 levels of nesting"},
        {{"calibration", "build"},
         "huge.json",
         std::string((4 << 20) + 1, ' '),
         "huge.json\" is too large (4,194,305 bytes; at most 4,194,304 bytes)"},
        {{"library", "build"},
         "offset.json",
         R"({"Messages":[{"CanId":1,"Name":"A","Description":"","DataLength":8,"StartByte":0,)"
         R"("StartBit":0,"BitLength":8,"BigEndian":false,"ClearRtr":false,)"
         R"("Offset":18446744073709551615,"Multiplier":1,"Unit":"","EndianLength":1}]})",
         "offset.json\": field \"Messages[0].Offset\" must be an integer from -2147483648"},
        {{"presets", "show"},
         "big.CFG",
         std::string((1 << 20) + 1, '\n'),
         "big.CFG\" is too large (1,048,577 bytes; at most 1,048,576 bytes)"},
        {{"presets", "show"}, "blocks.CFG", blocks, "blocks.CFG\" has more than 1,000 presets"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.args;
        args.push_back(WriteText(c.name, c.bytes));
        if (c.args[1] == "build") args.insert(args.end(), {"-o", out});
        ExpectFailure(RunCli(args), c.says);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

}  // namespace
}  // namespace vx42::test
