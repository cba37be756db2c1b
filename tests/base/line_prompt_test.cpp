#include "base/line_prompt.h"

#include <gtest/gtest.h>

#include <vector>

namespace vx42 {
namespace {

class RecordingLinePrompt : public LinePrompt {
  public:
    using LinePrompt::LinePrompt;
    std::vector<std::string> lines;

  protected:
    void WriteLine(const std::string& line) override { lines.push_back(line); }
};

TEST(LinePrompt, MessagesBecomeOneLineAfterOperationAndTitle) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain"},
        {"first\nsecond", "first; second"},
        {"first  \r\nsecond\rthird", "first; second; third"},
        {"ends with a break\r\n", "ends with a break"},
        {"\n\nleading breaks", "leading breaks"},
        {"", ""},
    };
    for (const auto& [text, line] : cases) EXPECT_EQ(LinePrompt::OneLine(text), line) << text;

    RecordingLinePrompt prompt;
    prompt.Message("no title");
    prompt.SetOperation("write");
    prompt.Message("Saved.\nDone", "Calibration");
    EXPECT_EQ(prompt.lines,
              (std::vector<std::string>{"no title", "write: Calibration: Saved.; Done"}));
    EXPECT_EQ(std::pair(prompt.MessagesShown(), prompt.LastMessage()),
              std::pair(2, std::string("Saved.\nDone")));
}

TEST(LinePrompt, QuestionsTakeTheStandingAnswerAndSaySo) {
    RecordingLinePrompt refuse("--yes");
    EXPECT_EQ(refuse.YesNo("Overwrite?"), Answer::No);
    EXPECT_EQ(refuse.YesNoCancel("Save changes?"), Answer::Cancel);
    EXPECT_EQ(refuse.lines,
              (std::vector<std::string>{"Overwrite? [no: pass --yes to answer yes]",
                                        "Save changes? [cancelled: pass --yes to answer yes]"}));

    RecordingLinePrompt allow("--yes", true);
    EXPECT_EQ(allow.YesNo("Overwrite?"), Answer::Yes);
    EXPECT_EQ(allow.YesNoCancel("Save changes?"), Answer::Yes);
    EXPECT_EQ(allow.lines.back(), "Save changes? [yes: --yes]");
    EXPECT_EQ(allow.MessagesShown(), 2);

    RecordingLinePrompt noWayToAllow;
    EXPECT_EQ(noWayToAllow.YesNo("Overwrite?"), Answer::No);
    EXPECT_EQ(noWayToAllow.lines.back(), "Overwrite? [no]");

    // Nothing to choose a file or type a text with: every dialog is cancelled, silently.
    EXPECT_FALSE(allow.OpenFile({}) || allow.SaveFile({}) ||
                 allow.InputBox("Name", "Library", "x"));
    EXPECT_EQ(allow.MessagesShown(), 2);
}

}  // namespace
}  // namespace vx42
