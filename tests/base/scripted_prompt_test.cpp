#include "base/scripted_prompt.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

// A test fails on a dialog nobody scripted and on a scripted answer nobody asked for.
TEST(ScriptedPrompt, TellsUnplannedDialogsAndAnswersNobodyAskedFor) {
    ScriptedPrompt prompt;
    prompt.ExpectMessage("saved");
    prompt.AnswerYesNo(Answer::Yes);
    prompt.AnswerInput("12");
    prompt.AnswerOpenFile(std::nullopt);
    EXPECT_EQ(prompt.Unused().size(), 4u);

    prompt.Message("Calibration saved.", "VX42", Icon::Information);
    EXPECT_EQ(prompt.YesNo("Replace?", "VX42", Icon::Question), Answer::Yes);
    EXPECT_TRUE(prompt.Unexpected().empty());
    EXPECT_EQ(prompt.Unused(),
              (std::vector<std::string>{"scripted input box never asked for: \"12\"",
                                        "scripted open dialog never asked for"}));
    EXPECT_FALSE(prompt.ScriptDone());

    // Asked out of turn: the entry stays, the call is unexpected.
    EXPECT_EQ(prompt.YesNoCancel("Save?", "VX42", Icon::Question), Answer::Cancel);
    EXPECT_EQ(prompt.Unexpected().size(), 1u);
    EXPECT_EQ(prompt.Unused().size(), 2u);
    EXPECT_EQ(prompt.InputBox("Value", "Set Selection", ""), "12");
    EXPECT_EQ(prompt.OpenFile({}), std::nullopt);
    EXPECT_TRUE(prompt.Unused().empty());
    EXPECT_TRUE(prompt.ScriptDone());

    // Unscripted, a question is answered No and a file dialog cancelled; a message other than
    // the one expected is unexpected.
    prompt.Clear();
    EXPECT_EQ(prompt.YesNo("Again?", "", Icon::None), Answer::No);
    EXPECT_EQ(prompt.OpenFile({}), std::nullopt);
    prompt.ExpectMessage("needle");
    prompt.Message("haystack", "", Icon::None);
    EXPECT_EQ(prompt.Unexpected().size(), 3u);
}

}  // namespace
}  // namespace vx42
