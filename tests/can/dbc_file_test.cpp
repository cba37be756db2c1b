#include "can/dbc_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace vx42 {
namespace {

const std::filesystem::path kDbcFolder =
    std::filesystem::path(VX42_SOURCE_DIR) / "tests/can/data/dbc";

// The messages and signals of a file counted by their lines, not by the reader.
std::pair<std::size_t, std::size_t> CountLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::regex message("^BO_ "), signal("^[ \t]*SG_ ");
    std::size_t messages = 0, signals = 0;
    for (std::string line; std::getline(in, line);) {
        messages += std::regex_search(line, message);
        signals += std::regex_search(line, signal);
    }
    return {messages, signals};
}

TEST(DbcFile, EveryPublishedFileReadsWhole) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kDbcFolder)) {
        if (entry.path().extension() != ".dbc") continue;
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        const DbcFile file = ReadDbcFile(entry.path().string());
        EXPECT_EQ(file.problemCount, 0u) << (file.problems.empty() ? "" : file.problems[0].text);
        const auto [messages, signals] = CountLines(entry.path());
        EXPECT_GT(messages, 0u);
        EXPECT_EQ(file.messages.size(), messages);
        EXPECT_EQ(file.SignalCount(), signals);
    }
    EXPECT_EQ(files, 6);
}

// Each edge case once: extended identifier, Motorola and Intel, signed, multiplexing, a
// multi-line comment with escaped quotes, a Latin-1 unit, value tables, sections left aside,
// and a damaged signal line reported by number and skipped.
TEST(DbcFile, ReadsEveryPartOfASignalAndReportsDamagedLines) {
    const std::string text =
        "VERSION \"\"\r\n"                                                           // 1
        "BU_: ECU Dash\r\n"                                                          // 2
        "BO_ 2566844672 EEC1: 8 ECU\r\n"                                             // 3
        " SG_ EngineSpeed : 24|16@1+ (0.125,0) [0|8031.875] \"rpm\" Dash,Gauge\r\n"  // 4
        " SG_ Coolant : 7|12@0+ (0.1,-40.5) [-40|360] \"\xB0"
        "C\" Dash\r\n"                                                   // 5
        " SG_ Torque : 32|8@1- (1,0) [-125|125] \"%\" Dash\r\n"          // 6
        " SG_ Page M : 40|4@1+ (1,0) [0|15] \"\" Dash\r\n"               // 7
        " SG_ PageOne m1 : 44|4@1+ (1E-002,+2) [0|1] \"\" Dash\r\n"      // 8
        " SG_ Broken : 48|x@1+ (1,0) [0|1] \"\" Dash\r\n"                // 9
        "\r\n"                                                           // 10
        "BO_ 291 Small: 2 Dash\r\n"                                      // 11
        " SG_ Bit : 0|1@1+ (1,0) [0|1] \"\" ECU\r\n"                     // 12
        "BA_DEF_ SG_ \"GenSigStartValue\" INT 0 10000;\r\n"              // 13
        "CM_ SG_ 2566844672 EngineSpeed \"Crankshaft \\\"speed\\\"\r\n"  // 14
        "second line\";\r\n"                                             // 15
        "CM_ BO_ 291 \"Small frame\";\r\n"                               // 16
        "VAL_ 2566844672 Page 0 \"Off\" 1 \"On\" ;\r\n"                  // 17
        "VAL_ 99 Nowhere 0 \"x\";\r\n";                                  // 18
    const DbcFile file = ReadDbc(text, "test");

    ASSERT_EQ(file.problemCount, 1u);
    EXPECT_EQ(file.problems[0].line, 9);
    EXPECT_NE(file.problems[0].text.find("bit length"), std::string::npos);

    ASSERT_EQ(file.messages.size(), 2u);
    const DbcMessage& eec1 = file.messages[0];
    EXPECT_EQ(std::tuple(eec1.extended, eec1.id, eec1.name, eec1.length),
              std::tuple(true, 0x18FEF100u, "EEC1", 8));
    ASSERT_EQ(eec1.signalList.size(), 5u);

    const DbcSignal& speed = eec1.signalList[0];
    EXPECT_EQ(std::tuple(speed.startBit, speed.length, speed.motorola, speed.isSigned, speed.factor,
                         speed.maximum, speed.unit),
              std::tuple(24, 16, false, false, 0.125, 8031.875, "rpm"));
    EXPECT_EQ(speed.receivers, (std::vector<std::string>{"Dash", "Gauge"}));
    EXPECT_EQ(speed.comment, "Crankshaft \"speed\"\r\nsecond line");

    const DbcSignal& coolant = eec1.signalList[1];  // Latin-1 0xB0 read as UTF-8
    EXPECT_EQ(std::tuple(coolant.motorola, coolant.offset, coolant.unit),
              std::tuple(true, -40.5, "°C"));

    EXPECT_TRUE(eec1.signalList[2].isSigned);
    EXPECT_TRUE(eec1.signalList[3].multiplexor && !eec1.signalList[3].multiplexed());
    EXPECT_EQ(eec1.signalList[3].values,
              (std::vector<std::pair<std::int64_t, std::string>>{{0, "Off"}, {1, "On"}}));
    EXPECT_EQ(std::tuple(eec1.signalList[4].multiplexValue, eec1.signalList[4].factor,
                         eec1.signalList[4].offset),
              std::tuple(1, 0.01, 2.0));

    const DbcMessage& small = file.messages[1];
    EXPECT_EQ(std::tuple(small.extended, small.id, small.comment, small.signalList.size()),
              std::tuple(false, 291u, "Small frame", 1u));
}

TEST(DbcFile, DamageNeverSpreadsToWhatFollows) {
    const std::string text =
        "BO_ 100 : 8 X\n"                            // 1: no name: its signals go with it
        " SG_ Lost : 0|8@1+ (1,0) [0|1] \"\" X\n"    // 2
        " SG_ Orphan : 0|8@1+ (1,0) [0|1] \"\" X\n"  // 3 (after a section: outside a message)
        "BO_ 101 Good: 8 X\n"                        // 4
        " SG_ A : 0|8@1+ (1,0 [0|1] \"\" X\n"        // 5
        " SG_ B : 8|8@2+ (1,0) [0|1] \"\" X\n"       // 6
        " SG_ C : 16|8@1+ (1,0) [0|1] \"\" X\n"      // 7
        "CM_ SG_ 101 C \"never closed;\n"            // 8
        "BO_ 102 Last: 1 X\n";                       // 9
    const std::string withSection =
        text.substr(0, text.find(" SG_ Orphan")) + "BS_:\n" + text.substr(text.find(" SG_ Orphan"));
    const DbcFile file = ReadDbc(withSection, "test");
    std::vector<int> lines;
    for (const DbcProblem& p : file.problems) lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<int>{1, 4, 6, 7, 9}));
    ASSERT_EQ(file.messages.size(), 2u);
    ASSERT_EQ(file.messages[0].signalList.size(), 1u);
    EXPECT_EQ(std::tuple(file.messages[0].name, file.messages[0].signalList[0].name,
                         file.messages[1].name),
              std::tuple("Good", "C", "Last"));
}

TEST(DbcFile, CountsBeyondTheCapsRefuseTheFile) {
    std::string text;
    for (std::size_t i = 0; i <= limits::kDbcMessages; ++i) text += "BO_ 1 M: 8 X\n";
    EXPECT_THROW(ReadDbc(text, "big"), InputCapError);
    text.resize(text.size() / 2);
    EXPECT_NO_THROW(ReadDbc(text, "half"));
}

}  // namespace
}  // namespace vx42
