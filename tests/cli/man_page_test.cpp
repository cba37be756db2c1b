// The man page's command sections, made from the commands themselves, and the keys read from
// the terminal.

#include "cli/man_page.h"

#include <gtest/gtest.h>

#include "cli/commands.h"
#include "cli/terminal_keys.h"
#include "cli_fixture.h"

namespace vx42::cli {
namespace {

// The text of the section titled `title`, up to the next section.
std::string SectionText(const std::string& page, const std::string& title) {
    const auto start = page.find(".SH \"" + title + "\"\n");
    if (start == std::string::npos) return {};
    const auto end = page.find("\n.SH ", start + 1);
    return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

using test::Occurrences;

struct ManPageTest : ::testing::Test {
    ManPageTest() { DescribeCommands(app, session); }
    Session session;
    CLI::App app;
};

TEST_F(ManPageTest, EachCommandGroupIsASectionAndEachCommandInIt) {
    const std::string page = ManPageCommands(app);
    struct Expected {
        const char* section;
        std::vector<const char*> commands;
    };
    const Expected groups[] = {
        {"CALIBRATION COMMANDS", {"calibration show", "calibration diff", "calibration check"}},
        {"LIBRARY COMMANDS", {"library show", "library import-dbc"}},
        {"HISTORY COMMANDS", {"history list", "history export"}},
        {"FILE COMMANDS", {"map", "srec2blu"}},
        {"MODULE COMMANDS", {"info", "retrieve", "upgrade", "demo"}},
    };
    for (const auto& group : groups) {
        const std::string section = SectionText(page, group.section);
        ASSERT_FALSE(section.empty()) << group.section << " in\n" << page;
        for (const char* command : group.commands)
            EXPECT_NE(section.find(".SS \"" + std::string(command) + "\"\n"), std::string::npos)
                << command << " in " << group.section;
    }
    // The footer every command's help repeats is said once, by the page's own section.
    EXPECT_EQ(page.find("Exit status"), std::string::npos);

    // Sections come from the command tree, so a command has its page without a word written
    // for it; "calibration report" is one such.
    const std::string section = SectionText(page, "CALIBRATION COMMANDS");
    const auto at = section.find(".SS \"calibration report\"\n");
    ASSERT_NE(at, std::string::npos) << section;
    EXPECT_NE(section.find(
                  "\\fBvx42ctl calibration report\\fR [\\fB\\-\\-output\\fR\\~\\fIFILE\\fR] ", at),
              std::string::npos)
        << section.substr(at);
    EXPECT_NE(section.find(
                  ".TP\n\\fB\\-o\\fR, \\fB\\-\\-output\\fR \\fIFILE\\fR\nHTML file to write", at),
              std::string::npos)
        << section.substr(at);
}

TEST_F(ManPageTest, OptionsEveryCommandOfASectionTakesAreListedOnce) {
    const std::string section = SectionText(ManPageCommands(app), "MODULE COMMANDS");
    EXPECT_EQ(Occurrences(section, "\\fB\\-\\-device\\fR \\fIDEVICE\\fR"), 1u) << section;
    const auto retrieve = section.find(".SS \"retrieve\"\n");
    const auto next = section.find(".SS ", retrieve + 1);
    ASSERT_NE(retrieve, std::string::npos);
    const std::string own = section.substr(retrieve, next - retrieve);
    EXPECT_NE(own.find("[\\fImodule options\\fR]"), std::string::npos) << own;
    EXPECT_EQ(own.find("sim\\-state"), std::string::npos) << own;
    // A command's own option of the same name but another meaning is its own.
    const std::string demo = section.substr(section.find(".SS \"demo\"\n"));
    EXPECT_EQ(demo.find("[\\fImodule options\\fR]"), std::string::npos) << demo;
    EXPECT_NE(demo.find("\\fB\\-\\-sim\\-state\\fR \\fIFILE\\fR"), std::string::npos) << demo;
    // A folder option's value is a folder.
    EXPECT_NE(ManPageCommands(app).find("\\fB\\-\\-library\\-folder\\fR \\fIDIR\\fR"),
              std::string::npos);
}

TEST(ManPage, TextIsKeptFromRoffRequestsAndTheMarksAreReplaced) {
    CLI::App app("tool", "tool");
    CLI::App* group = app.add_subcommand("group", "Things");
    group->group("Commands");
    std::string value;
    group->add_subcommand("odd", ".starts with a dot, holds a \\ and --an-option")
        ->add_option("VALUE", value, "'quoted");
    const std::string page = ManPage(app, std::string("before\n") + kCommandsMark + "\nafter\n");
    EXPECT_EQ(page.rfind("before\n", 0), 0u);
    EXPECT_EQ(page.find(kCommandsMark), std::string::npos);
    EXPECT_NE(page.find("\n\\&.starts with a dot, holds a \\e and \\-\\-an-option\n"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("\n\\&'quoted\n"), std::string::npos) << page;
    EXPECT_EQ(page.substr(page.size() - 6), "after\n");
}

TEST(TerminalKeys, BytesOfOneKeyPress) {
    using K = KeyPress;
    const struct {
        const char* bytes;
        std::optional<KeyPress> key;
    } rows[] = {
        {"\x1b[A", K{K::Up}},      {"\x1b[1;2B", K{K::Down, true}},
        {"\x1b[5~", K{K::PageUp}}, {"\x1b[6;2~", K{K::PageDown, true}},
        {"\x1b[C", K{K::Other}},   {"\r", K{K::Enter}},
        {"\n", K{K::Enter}},       {"b", K{K::Char, false, 'b'}},
        {"\x1bq", K{K::Escape}},   {"\x1b", std::nullopt},  // Escape alone, or a sequence to come
        {"\x1b[1;", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(DecodeKey(row.bytes), row.key) << row.bytes + 1;
}

}  // namespace
}  // namespace vx42::cli
