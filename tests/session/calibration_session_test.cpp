#include "session/calibration_session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/scripted_prompt.h"
#include "files/settings.h"
#include "support/demo_calibration.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

using test::TempDir;

CalImage Image(std::uint8_t seed) {
    CalImage image;
    for (int i = 0; i < kCalImageSize; ++i) image[i] = static_cast<std::uint8_t>(seed + i * 3);
    return image;
}

TEST(CommandRule, EveryModuleAndImageCommandWaitsForTheRunningTransfer) {
    for (Transfer t : {Transfer::Connect, Transfer::Disconnect, Transfer::Retrieve, Transfer::Write,
                       Transfer::CanStatus, Transfer::Upgrade}) {
        const SessionState busy{true, t, ModuleAgreement::InStep};
        for (SessionCommand c :
             {SessionCommand::Connect, SessionCommand::Retrieve, SessionCommand::Update,
              SessionCommand::Open, SessionCommand::History, SessionCommand::Compare,
              SessionCommand::CompareRestore, SessionCommand::SetCanSpeed,
              SessionCommand::FirmwareUpgrade, SessionCommand::CanStatus})
            EXPECT_FALSE(CommandEnabled(c, busy))
                << static_cast<int>(c) << " during " << static_cast<int>(t);
        // Only a status read leaves the outputs editable.
        EXPECT_EQ(CommandEnabled(SessionCommand::EditOutputs, busy), t == Transfer::CanStatus);
    }
    const SessionState offline{false, Transfer::None, ModuleAgreement::Unknown};
    EXPECT_FALSE(CommandEnabled(SessionCommand::Retrieve, offline));
    EXPECT_FALSE(CommandEnabled(SessionCommand::CanStatus, offline));
    EXPECT_TRUE(CommandEnabled(SessionCommand::History, offline));
    EXPECT_TRUE(CommandEnabled(SessionCommand::Connect, offline));
    EXPECT_TRUE(CommandEnabled(SessionCommand::EditOutputs, offline));
}

TEST(CalibrationSession, OneTransferAtATimeAndNoReplacementWhileItRuns) {
    CalImage shown = Image(1);
    CalibrationSession session(shown, "", 10);
    EXPECT_TRUE(session.Begin(Transfer::Retrieve));
    EXPECT_FALSE(session.Begin(Transfer::Write));
    EXPECT_EQ(session.transfer(), Transfer::Retrieve);
    EXPECT_FALSE(session.ReplaceShown(Image(2), ImageOrigin::RestorePoint, "A"));
    EXPECT_EQ(shown, Image(1));
    session.End();
    EXPECT_TRUE(session.ReplaceShown(Image(2), ImageOrigin::RestorePoint, "A"));
    EXPECT_EQ(shown, Image(2));
    EXPECT_EQ(session.origin(), ImageOrigin::RestorePoint);
    EXPECT_EQ(session.originName(), "A");
}

TEST(CalibrationSession, KnowsWhetherTheModuleHoldsTheCalibrationShown) {
    TempDir dir;
    CalImage shown = Image(1);
    CalibrationSession session(shown, dir.str(), 10);
    session.Connected(1, "FT000001");
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);  // nothing read or written yet
    EXPECT_TRUE(session.Retrieved(Image(5)));
    EXPECT_EQ(shown, Image(5));
    EXPECT_EQ(session.origin(), ImageOrigin::Module);
    EXPECT_EQ(session.Agreement(), ModuleAgreement::InStep);

    // A restore declined for writing: the module holds the other one, and the status says so.
    ASSERT_TRUE(session.ReplaceShown(Image(7), ImageOrigin::RestorePoint, "FT000001"));
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Differs);
    EXPECT_THAT(AgreementText(session.Agreement()), ::testing::HasSubstr("Update writes"));
    EXPECT_TRUE(session.WholeWriteEnded(true, shown, restore_event::Update));
    EXPECT_EQ(session.Agreement(), ModuleAgreement::InStep);

    // A change handed to this connection keeps the module in step; one lost makes it unknown.
    shown.SetByte(kCalBaseAddress + 10, 0x55);
    const std::uint8_t byte[1] = {0x55};
    session.ChangeHanded(1, kCalBaseAddress + 10, byte);
    EXPECT_EQ(session.Agreement(), ModuleAgreement::InStep);
    session.ChangeLost(1);
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);

    // A failed whole write leaves nothing known.
    EXPECT_TRUE(session.WholeWriteEnded(true, shown, restore_event::Update));
    EXPECT_TRUE(session.WholeWriteEnded(false, shown, restore_event::Update));
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);
    EXPECT_EQ(AgreementText(session.Agreement()), "");
}

TEST(CalibrationSession, TheSameModuleIsRememberedAcrossConnectionsAnotherIsNot) {
    CalImage shown = Image(1);
    CalibrationSession session(shown, "", 10);
    session.Connected(1, "FT000001");
    session.Retrieved(Image(2));
    session.Disconnected();
    EXPECT_EQ(session.connection(), 0u);
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);  // offline: no module to hold it
    // An edit made offline is not handed to any module.
    shown.SetByte(kCalBaseAddress, 9);
    session.ChangeHanded(0, kCalBaseAddress, std::array<std::uint8_t, 1>{9});
    session.Connected(2, "FT000001");
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Differs);
    // An edit stamped with the old connection changes nothing the tool knows of this one.
    session.ChangeHanded(1, kCalBaseAddress, std::array<std::uint8_t, 1>{9});
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Differs);
    session.Disconnected();
    session.Connected(3, "FT000002");
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);
    // A bridge without a serial number may be any module.
    session.Retrieved(Image(4));
    session.Disconnected();
    session.Connected(4, "");
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);
}

TEST(CalibrationSession, RetrievesAndWholeWritesLeaveRestorePoints) {
    TempDir dir;
    CalImage shown = Image(1);
    CalibrationSession session(shown, dir.str(), 10);
    session.Connected(1, "FT000009");
    session.Retrieved(Image(3));
    ASSERT_TRUE(session.ReplaceShown(Image(4), ImageOrigin::File, "a.DVF"));
    session.WholeWriteEnded(true, shown, "Programmed from file a.DVF");
    session.WholeWriteEnded(false, Image(6), restore_event::Update);  // not written: not kept
    const auto module = session.keeper().store()->Module("FT000009");
    ASSERT_TRUE(module);
    ASSERT_EQ(module->entries.size(), 2u);
    EXPECT_EQ(module->entries[0].event, restore_event::Retrieve);
    EXPECT_EQ(module->entries[1].event, "Programmed from file a.DVF");
    EXPECT_EQ(session.keeper().store()->Load(*module, module->entries[1]), Image(4));
}

// A blank module holds no calibration: it is not shown, not kept, and said to differ.
TEST(CalibrationSession, ABlankModuleIsKnownButNotShownOrKept) {
    TempDir dir;
    CalImage shown = Image(1);
    CalibrationSession session(shown, dir.str(), 10);
    session.Connected(1, "FT00000B");
    CalImage blank;
    blank.CopyIntoImage(Bytes(kCalImageSize, 0xFF), 0);
    EXPECT_TRUE(session.Retrieved(blank));
    EXPECT_EQ(shown, Image(1));
    EXPECT_TRUE(session.ModuleBlank());
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Differs);
    EXPECT_FALSE(session.keeper().store()->Module("FT00000B"));
    blank.SetByte(kCalBaseAddress, 0);  // one byte written: a calibration, however odd
    EXPECT_TRUE(session.Retrieved(blank));
    EXPECT_FALSE(session.ModuleBlank());
    EXPECT_EQ(shown, blank);
}

// The questions of the commands, answered by script: the session decides what follows.
class SessionSteps : public ::testing::Test {
  protected:
    void SetUp() override { settings = LoadSettings(store, dir.str(), dir.str() + "/"); }
    void TearDown() override {
        EXPECT_TRUE(prompt.Unexpected().empty()) << prompt.Unexpected()[0];
        EXPECT_TRUE(prompt.ScriptDone());
    }
    FileContext files() { return {state, prompt, settings, store}; }
    // Connected to FT000001, which is known to hold Image(2) while Image(3) is shown.
    void ConnectDiffering() {
        session.Connected(1, "FT000001");
        session.Retrieved(Image(2));
        ASSERT_TRUE(session.ReplaceShown(Image(3), ImageOrigin::File, "a.DVF"));
        session.NoteShown();
        ASSERT_EQ(session.Agreement(), ModuleAgreement::Differs);
    }

    TempDir dir;
    MemorySettingsStore store;
    Settings settings;
    FileState state;
    ScriptedPrompt prompt;
    CalImage shown = Image(1);
    CalibrationSession session{shown, "", 10};
};

TEST_F(SessionSteps, ConnectRetrievesANewModuleOnlyAndOffersToSaveWhatItReplaces) {
    EXPECT_EQ(session.AfterConnect(true, files()).kind, NextStep::Kind::None);  // offline
    session.Connected(1, "FT000001");
    // The module whose calibration was retrieved on this link keeps the program's copy.
    EXPECT_EQ(session.AfterConnect(false, files()).kind, NextStep::Kind::None);
    // Nothing shown: retrieved without a question.
    EXPECT_EQ(session.AfterConnect(true, files()).kind, NextStep::Kind::Retrieve);
    // Unsaved edits: the save question (declined), then the retrieve.
    state.CalibrationChanged = true;
    prompt.AnswerYesNo(Answer::No);
    EXPECT_EQ(session.AfterConnect(true, files()).kind, NextStep::Kind::Retrieve);
    EXPECT_EQ(prompt.Calls().back().title, "Save Changes?");
    // A calibration from a file, saved: the question names the other module.
    state.CalibrationChanged = false;
    state.FileLoaded = true;
    prompt.AnswerYesNo(Answer::No);
    EXPECT_EQ(session.AfterConnect(true, files()).kind, NextStep::Kind::Retrieve);
    EXPECT_THAT(prompt.Calls().back().text, ::testing::HasSubstr("Different VX42 module"));
    // Retrieve offers to save unsaved changes only.
    session.BeforeRetrieve(files());
    state.CalibrationChanged = true;
    prompt.AnswerYesNo(Answer::No);
    session.BeforeRetrieve(files());
    EXPECT_EQ(prompt.Calls().size(), 3u);
}

// After an upgrade, or another program keeping a restore point of the module, what it holds
// is not known: the next connect retrieves, and what the upgrade changed is offered back.
TEST_F(SessionSteps, AnUpgradeOrAnotherProgramMakesTheNextConnectRetrieve) {
    const std::string history = dir.str() + "/history";
    CalibrationSession s{shown, history, 10};
    const auto reconnect = [&](ConnectionId id) {
        s.Disconnected();
        s.Connected(id, "FT000001");
        EXPECT_EQ(s.Agreement(), ModuleAgreement::Unknown);
        EXPECT_EQ(s.AfterConnect(false, files()).kind, NextStep::Kind::Retrieve);
    };
    s.Connected(1, "FT000001");
    ASSERT_TRUE(s.Retrieved(Image(2)));
    ASSERT_TRUE(s.keeper().KeepBeforeUpgrade("FT000001", Image(2)));
    s.UpgradeEnded();
    reconnect(2);
    ASSERT_TRUE(s.Retrieved(Image(5)));  // the upgrade wrote over the calibration
    EXPECT_EQ(s.AfterConnect(false, files()).kind, NextStep::Kind::None);  // known again
    const auto before = s.TakeUpgradeChange();
    ASSERT_TRUE(before);
    EXPECT_EQ(*before, Image(2));
    EXPECT_FALSE(s.TakeUpgradeChange());  // asked once
    prompt.AnswerYesNo(Answer::Yes);
    EXPECT_EQ(s.OfferWriteBack(prompt, *before, 63, state),
              (NextStep{NextStep::Kind::WriteWhole, restore_event::Update}));
    EXPECT_THAT(prompt.Calls().back().text, ::testing::HasSubstr("63 settings"));
    EXPECT_EQ(shown, Image(2));
    EXPECT_TRUE(state.CalibrationChanged);

    state.CalibrationChanged = false;  // saved: nothing to offer before the retrieve
    RestorePoints(history).Record("FT000001", Image(7), restore_event::Update, 1);
    reconnect(3);
    // An upgrade that left the calibration as it was asks nothing afterwards.
    ASSERT_TRUE(s.keeper().KeepBeforeUpgrade("FT000001", Image(7)));
    s.UpgradeEnded();
    reconnect(4);
    ASSERT_TRUE(s.Retrieved(Image(7)));
    EXPECT_FALSE(s.TakeUpgradeChange());
    // The link found that another program had the module.
    s.WrittenElsewhere();
    reconnect(5);
}

TEST_F(SessionSteps, OpenOnlineAsksAndThenWritesTheFileWhole) {
    EXPECT_TRUE(session.ConfirmOpen(files()));  // offline and nothing unsaved: no question
    EXPECT_EQ(session.Opened(Image(4), "a.DVF"), NextStep{});
    EXPECT_EQ(shown, Image(4));
    session.Connected(1, "FT000001");
    prompt.AnswerYesNo(Answer::No);
    EXPECT_FALSE(session.ConfirmOpen(files()));
    EXPECT_EQ(prompt.Calls().back().title, "Open And Program File?");
    EXPECT_EQ(prompt.Calls().back().defaultAnswer, Answer::Yes);  // the question as it always was
    prompt.AnswerYesNo(Answer::Yes);
    EXPECT_TRUE(session.ConfirmOpen(files()));
    const NextStep next = session.Opened(Image(5), "b.DVF");
    EXPECT_EQ(next.kind, NextStep::Kind::WriteWhole);
    EXPECT_EQ(next.event, std::string(restore_event::ProgrammedFromFile) + " b.DVF");
    EXPECT_EQ(session.originName(), "b.DVF");
    // While a transfer runs nothing is replaced and nothing follows.
    ASSERT_TRUE(session.Begin(Transfer::Retrieve));
    EXPECT_EQ(session.Opened(Image(6), "c.DVF"), NextStep{});
    EXPECT_EQ(shown, Image(5));
}

TEST_F(SessionSteps, ARestoreIsOfferedForWritingToItsOwnIdleModuleOnly) {
    state.VersionText = "VX42";
    ASSERT_TRUE(session.Restored(Image(4), "FT000001", state));
    EXPECT_TRUE(state.CalibrationChanged);
    EXPECT_TRUE(state.AutoRetrieved);
    EXPECT_EQ(session.AfterRestore(prompt), NextStep{});  // offline: no question
    session.Connected(1, "FT000002");
    EXPECT_EQ(session.AfterRestore(prompt), NextStep{});  // another module: no question
    session.Disconnected();
    session.Connected(2, "FT000001");
    prompt.AnswerYesNo(Answer::No);
    EXPECT_EQ(session.AfterRestore(prompt), NextStep{});
    EXPECT_EQ(prompt.Calls().back().defaultAnswer, Answer::No);
    prompt.AnswerYesNo(Answer::Yes);
    EXPECT_EQ(session.AfterRestore(prompt),
              (NextStep{NextStep::Kind::WriteWhole, restore_event::Update}));
    ASSERT_TRUE(session.Begin(Transfer::CanStatus));
    EXPECT_EQ(session.AfterRestore(prompt), NextStep{});
    EXPECT_FALSE(session.Restored(Image(5), "FT000001", state));
    EXPECT_EQ(shown, Image(4));
}

TEST_F(SessionSteps, AWholeWriteNeedsAConnectionAndACheckWithoutErrorsOrAYes) {
    prompt.ExpectMessage("You must be connected");
    EXPECT_FALSE(session.ConfirmWholeWrite(prompt, nullptr, UnitFlags{}));
    session.Connected(1, "FT000001");
    shown = test::DamagedDemo();
    ASSERT_TRUE(HasErrors(session.CheckBeforeWrite(nullptr, UnitFlags{})));
    prompt.AnswerYesNo(Answer::No);
    EXPECT_FALSE(session.ConfirmWholeWrite(prompt, nullptr, UnitFlags{}));
    EXPECT_EQ(prompt.Calls().back().title, "Check Calibration");
    EXPECT_EQ(prompt.Calls().back().defaultAnswer, Answer::No);  // Enter writes nothing
    prompt.AnswerYesNo(Answer::Yes);
    EXPECT_TRUE(session.ConfirmWholeWrite(prompt, nullptr, UnitFlags{}));
}

TEST_F(SessionSteps, AnEditIntoAModuleThatDiffersAsksOnceACommand) {
    // In step: sent over the connection without a question.
    session.Connected(1, "FT000001");
    session.Retrieved(Image(3));
    session.NoteShown();
    EXPECT_EQ(session.StampEdit(prompt, kCalBaseAddress, 1).stamp, 1u);
    EXPECT_EQ(session.EndEditCommand(), EditRoute::Send);
    ConnectDiffering();

    // Cancel: asked once for the command's edits, each put back as it was shown.
    shown.SetByte(kCalBaseAddress, 0xAA);
    shown.SetByte(kCalBaseAddress + 5, 0xBB);
    prompt.AnswerYesNoCancel(Answer::Cancel);
    const EditStamp first = session.StampEdit(prompt, kCalBaseAddress, 1);
    EXPECT_EQ(first.stamp, 0u);
    EXPECT_TRUE(first.asked);
    const EditStamp second = session.StampEdit(prompt, kCalBaseAddress + 5, 1);
    EXPECT_FALSE(second.asked);
    EXPECT_EQ(shown, Image(3));
    EXPECT_EQ(session.EndEditCommand(), EditRoute::Drop);

    // The next command asks again: No keeps the edit in the calibration shown only.
    shown.SetByte(kCalBaseAddress, 0xAA);
    prompt.AnswerYesNoCancel(Answer::No);
    EXPECT_EQ(session.StampEdit(prompt, kCalBaseAddress, 1).stamp, 0u);
    EXPECT_EQ(shown.Byte(kCalBaseAddress), 0xAA);
    EXPECT_EQ(session.EndEditCommand(), EditRoute::Offline);
    prompt.AnswerYesNoCancel(Answer::Yes);
    EXPECT_EQ(session.StampEdit(prompt, kCalBaseAddress, 1).stamp, 0u);
    EXPECT_EQ(session.EndEditCommand(), EditRoute::WriteWhole);
    EXPECT_EQ(prompt.Calls().back().title, "Module Holds A Different Calibration");
    EXPECT_EQ(prompt.Calls().back().defaultAnswer, Answer::No);  // kept, not written
}

TEST(CheckErrorLines, NamesTheErrorsOnlyAndCountsWhatIsNotListed) {
    std::vector<Finding> findings;
    for (int i = 0; i < 4; ++i)
        findings.push_back({"r",
                            i == 1 ? Severity::Warning : Severity::Error,
                            0,
                            "s",
                            "error " + std::to_string(i),
                            {}});
    EXPECT_EQ(CheckErrorLines(findings, 2), "error 0\nerror 2\n... and 1 more.");
    EXPECT_EQ(CheckErrorLines(findings), "error 0\nerror 2\nerror 3");
}

}  // namespace
}  // namespace vx42
