#include "session/calibration_session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/scripted_prompt.h"
#include "files/settings.h"
#include "support/demo_calibration.h"
#include "support/files_bytes.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

using test::TempDir;

constexpr auto Image = test::PatternedImage;

TEST(CommandRule, EveryModuleAndImageCommandWaitsForTheRunningTransfer) {
    for (Transfer t : {Transfer::Connect, Transfer::Disconnect, Transfer::Retrieve, Transfer::Write,
                       Transfer::CanStatus, Transfer::Upgrade}) {
        const SessionState busy{true, t, ModuleAgreement::InStep};
        for (SessionCommand c :
             {SessionCommand::Connect, SessionCommand::Retrieve, SessionCommand::Update,
              SessionCommand::Open, SessionCommand::History, SessionCommand::Compare,
              SessionCommand::CompareRestore, SessionCommand::SetCanSpeed,
              SessionCommand::FirmwareUpgrade, SessionCommand::CanStatus})
            EXPECT_THAT(CommandRefusal(c, busy), ::testing::HasSubstr(TransferName(t)))
                << static_cast<int>(c) << " during " << static_cast<int>(t);
        // Only a status read leaves the outputs editable.
        EXPECT_EQ(CommandEnabled(SessionCommand::EditOutputs, busy), t == Transfer::CanStatus);
    }
    const SessionState offline{false, Transfer::None, ModuleAgreement::Unknown};
    EXPECT_THAT(CommandRefusal(SessionCommand::Retrieve, offline),
                ::testing::HasSubstr("Connect to the module first"));
    EXPECT_EQ((std::vector{CommandEnabled(SessionCommand::CanStatus, offline),
                           CommandEnabled(SessionCommand::History, offline),
                           CommandEnabled(SessionCommand::Connect, offline),
                           CommandEnabled(SessionCommand::EditOutputs, offline)}),
              (std::vector{false, true, true, true}));
}

// A session over a calibration shown, its file state and a history folder; the questions of
// the commands answered by script (every answer used, no question unscripted).
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
        session.TellAgreement(false);
        ASSERT_EQ(session.Agreement(), ModuleAgreement::Differs);
    }

    TempDir dir;
    const std::string history = dir.str() + "/history";
    MemorySettingsStore store;
    Settings settings;
    FileState state;
    ScriptedPrompt prompt;
    CalImage shown = Image(1);
    CalibrationSession session{shown, state, history, 10};
};

TEST_F(SessionSteps, OneTransferAtATimeAndNoReplacementWhileItRuns) {
    EXPECT_TRUE(session.Begin(Transfer::Retrieve));
    EXPECT_FALSE(session.Begin(Transfer::Write));
    EXPECT_EQ(session.transfer(), Transfer::Retrieve);
    EXPECT_FALSE(session.ReplaceShown(Image(2), ImageOrigin::RestorePoint, "A"));
    EXPECT_EQ(shown, Image(1));
    session.End();
    EXPECT_TRUE(session.ReplaceShown(Image(2), ImageOrigin::RestorePoint, "A"));
    EXPECT_EQ(std::tuple(shown, session.origin(), session.originName()),
              std::tuple(Image(2), ImageOrigin::RestorePoint, "A"));
}

TEST_F(SessionSteps, KnowsWhetherTheModuleHoldsTheCalibrationShown) {
    session.Connected(1, "FT000001");
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);  // nothing read or written yet
    EXPECT_TRUE(session.Retrieved(Image(5)));
    EXPECT_EQ(std::tuple(shown, session.origin(), session.Agreement()),
              std::tuple(Image(5), ImageOrigin::Module, ModuleAgreement::InStep));

    // A restore declined for writing: the module holds the other one, and the status says so.
    ASSERT_TRUE(session.ReplaceShown(Image(7), ImageOrigin::RestorePoint, "FT000001"));
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Differs);
    EXPECT_THAT(AgreementText(session.Agreement()), ::testing::HasSubstr("Update writes"));
    EXPECT_TRUE(session.WholeWriteEnded(true, shown, restore_event::Update));
    EXPECT_EQ(session.Agreement(), ModuleAgreement::InStep);

    // A change handed to this connection keeps the module in step; one lost makes it unknown,
    // which the status bar says as it says a different calibration.
    shown.SetByte(kCalBaseAddress + 10, 0x55);
    const std::uint8_t byte[1] = {0x55};
    session.ChangeHanded(1, kCalBaseAddress + 10, byte);
    EXPECT_EQ(std::pair(session.Agreement(), session.AgreementLine()),
              std::pair(ModuleAgreement::InStep, std::string()));
    session.ChangeLost(1);
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);
    EXPECT_TRUE(session.ModuleMayDiffer());
    EXPECT_THAT(session.AgreementLine(), ::testing::HasSubstr("different calibration"));

    // A failed whole write leaves nothing known.
    EXPECT_TRUE(session.WholeWriteEnded(true, shown, restore_event::Update));
    EXPECT_TRUE(session.WholeWriteEnded(false, shown, restore_event::Update));
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);
    EXPECT_THAT(session.AgreementLine(), ::testing::HasSubstr("different calibration"));
    session.Disconnected();
    EXPECT_EQ(session.AgreementLine(), "");  // no module to differ
}

TEST_F(SessionSteps, TheSameModuleIsRememberedAcrossConnectionsAnotherIsNot) {
    session.Connected(1, "FT000001");
    EXPECT_TRUE(session.NewModule());
    session.Retrieved(Image(2));
    EXPECT_FALSE(session.NewModule());
    session.Disconnected();
    // Offline: no module to hold it.
    EXPECT_EQ(std::pair(session.connection(), session.Agreement()),
              std::pair(ConnectionId{0}, ModuleAgreement::Unknown));
    // An edit made offline is not handed to any module.
    shown.SetByte(kCalBaseAddress, 9);
    session.ChangeHanded(0, kCalBaseAddress, std::array<std::uint8_t, 1>{9});
    session.Connected(2, "FT000001");
    EXPECT_FALSE(session.NewModule());  // the program's copy is kept, edited or not
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Differs);
    // An edit stamped with the old connection changes nothing the tool knows of this one.
    session.ChangeHanded(1, kCalBaseAddress, std::array<std::uint8_t, 1>{9});
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Differs);
    session.Disconnected();
    session.Connected(3, "FT000002");
    EXPECT_TRUE(session.Agreement() == ModuleAgreement::Unknown && session.NewModule());
    // A retrieve that did not arrive whole leaves it new: the next connect retrieves again.
    session.Disconnected();
    session.Connected(4, "FT000002");
    EXPECT_TRUE(session.NewModule());
    // A connect that failed half way forgets what was known.
    session.Retrieved(Image(4));
    session.ForgetModule();
    EXPECT_TRUE(session.Agreement() == ModuleAgreement::Unknown && session.NewModule());
    // A bridge without a serial number may be any module.
    session.Retrieved(Image(4));
    session.Disconnected();
    session.Connected(5, "");
    EXPECT_TRUE(session.Agreement() == ModuleAgreement::Unknown && session.NewModule());
}

TEST_F(SessionSteps, RetrievesAndWholeWritesLeaveRestorePoints) {
    session.Connected(1, "FT000009");
    session.Retrieved(Image(3));
    ASSERT_TRUE(session.ReplaceShown(Image(4), ImageOrigin::File, "a.DVF"));
    session.WholeWriteEnded(true, shown, "Programmed from file a.DVF");
    session.WholeWriteEnded(false, Image(6), restore_event::Update);  // not written: not kept
    const auto module = session.keeper().store()->Module("FT000009");
    ASSERT_TRUE(module);
    ASSERT_EQ(module->entries.size(), 2u);
    EXPECT_EQ(
        std::pair(module->entries[0].event, module->entries[1].event),
        std::pair(std::string(restore_event::Retrieve), std::string("Programmed from file a.DVF")));
    EXPECT_EQ(session.keeper().store()->Load(*module, module->entries[1]), Image(4));
}

// A blank module holds no calibration: it is not shown, not kept, and said to differ.
TEST_F(SessionSteps, ABlankModuleIsKnownButNotShownOrKept) {
    session.Connected(1, "FT00000B");
    CalImage blank = test::ImageOf(Bytes(kCalImageSize, 0xFF));
    EXPECT_TRUE(session.Retrieved(blank));
    EXPECT_TRUE(shown == Image(1) && session.ModuleBlank());
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Differs);
    EXPECT_FALSE(session.keeper().store()->Module("FT00000B"));
    blank.SetByte(kCalBaseAddress, 0);  // one byte written: a calibration, however odd
    EXPECT_TRUE(session.Retrieved(blank));
    EXPECT_TRUE(!session.ModuleBlank() && shown == blank);
}

TEST_F(SessionSteps, ConnectRetrievesANewModuleOnlyAndOffersToSaveWhatItWouldLose) {
    EXPECT_EQ(session.AfterConnect(files()).kind, NextStep::Kind::None);  // offline
    // What is shown, how the save question is answered ("" asks nothing), whether the save
    // dialog is cancelled, and whether the retrieve follows.
    struct Row {
        bool fileLoaded, autoRetrieved, changed;
        const char* asked;  // the question's title or text, "" when none is asked
        Answer answer;
        bool saveCancelled;
        bool retrieves;
    };
    const Row rows[] = {
        {false, false, false, "", Answer::No, false, true},  // nothing shown
        {true, false, false, "", Answer::No, false, true},   // a file, saved: nothing lost
        {false, true, false, "", Answer::No, false, true},   // another module's, unchanged
        {true, false, true, "Save Changes?", Answer::No, false, true},
        {true, false, true, "Save Changes?", Answer::Yes, true, false},  // the save cancelled
        {false, true, true, "Different VX42 module", Answer::No, false, true},
        {false, true, true, "Different VX42 module", Answer::Yes, true, false},
    };
    int serial = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.asked);
        ++serial;
        session.Connected(serial, "FT00000" + std::to_string(serial));
        state.FileLoaded = r.fileLoaded;
        state.AutoRetrieved = r.autoRetrieved;
        state.CalibrationChanged = r.changed;
        const std::size_t calls = prompt.Calls().size();
        if (*r.asked) prompt.AnswerYesNo(r.answer);
        if (r.saveCancelled) prompt.AnswerSaveFile(std::nullopt);
        EXPECT_EQ(session.AfterConnect(files()).kind,
                  r.retrieves ? NextStep::Kind::Retrieve : NextStep::Kind::None);
        EXPECT_EQ(prompt.Calls().size(), calls + (*r.asked ? 1 : 0) + (r.saveCancelled ? 1 : 0));
        if (*r.asked) {
            EXPECT_THAT(prompt.Calls()[calls].title + prompt.Calls()[calls].text,
                        ::testing::HasSubstr(r.asked));
        }
        EXPECT_TRUE(state.CalibrationChanged == r.changed);
    }
    // The module whose calibration was retrieved in this session keeps the program's copy.
    ASSERT_TRUE(session.Retrieved(Image(2)));
    state.CalibrationChanged = true;
    EXPECT_EQ(session.AfterConnect(files()).kind, NextStep::Kind::None);
    // Retrieve offers to save unsaved changes; a save chosen and cancelled stops it.
    prompt.AnswerYesNo(Answer::No);
    EXPECT_TRUE(session.BeforeRetrieve(files()));
    prompt.AnswerYesNo(Answer::Yes);
    prompt.AnswerSaveFile(std::nullopt);
    EXPECT_FALSE(session.BeforeRetrieve(files()));
    state.CalibrationChanged = false;
    EXPECT_TRUE(session.BeforeRetrieve(files()));  // nothing unsaved: no question
}

// After an upgrade, or another program keeping a restore point of the module, what it holds
// is not known: the next connect retrieves, and what the upgrade changed is offered back.
TEST_F(SessionSteps, AnUpgradeOrAnotherProgramMakesTheNextConnectRetrieve) {
    CalibrationSession& s = session;
    const auto reconnect = [&](ConnectionId id) {
        s.Disconnected();
        s.Connected(id, "FT000001");
        EXPECT_EQ(s.Agreement(), ModuleAgreement::Unknown);
        EXPECT_EQ(s.AfterConnect(files()).kind, NextStep::Kind::Retrieve);
    };
    s.Connected(1, "FT000001");
    ASSERT_TRUE(s.Retrieved(Image(2)));
    ASSERT_TRUE(s.keeper().KeepBeforeUpgrade("FT000001", Image(2)));
    s.UpgradeEnded();
    reconnect(2);
    ASSERT_TRUE(s.Retrieved(Image(5)));  // the upgrade wrote over the calibration
    EXPECT_EQ(s.AfterConnect(files()).kind, NextStep::Kind::None);  // known again
    const auto before = s.TakeUpgradeChange();
    ASSERT_TRUE(before);
    EXPECT_EQ(*before, Image(2));
    EXPECT_FALSE(s.TakeUpgradeChange());  // asked once
    prompt.AnswerYesNo(Answer::Yes);
    EXPECT_EQ(s.OfferWriteBack(prompt, *before, 63),
              (NextStep{NextStep::Kind::WriteWhole, restore_event::Update}));
    EXPECT_THAT(prompt.Calls().back().text, ::testing::HasSubstr("63 settings"));
    EXPECT_TRUE(shown == Image(2) && state.CalibrationChanged);

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
    // The question as it always was.
    EXPECT_EQ(std::pair(prompt.Calls().back().title, prompt.Calls().back().defaultAnswer),
              std::pair(std::string("Open And Program File?"), Answer::Yes));
    prompt.AnswerYesNo(Answer::Yes);
    EXPECT_TRUE(session.ConfirmOpen(files()));
    EXPECT_EQ(session.Opened(Image(5), "b.DVF"),
              (NextStep{NextStep::Kind::WriteWhole,
                        std::string(restore_event::ProgrammedFromFile) + " b.DVF"}));
    EXPECT_EQ(session.originName(), "b.DVF");
    // While a transfer runs nothing is replaced and nothing follows.
    ASSERT_TRUE(session.Begin(Transfer::Retrieve));
    EXPECT_EQ(session.Opened(Image(6), "c.DVF"), NextStep{});
    EXPECT_EQ(shown, Image(5));

    // A file read while a transfer runs is refused in words: the name and the mark stay.
    WriteCalibrationFile(dir.file("c.DVF"), Image(6));
    state.FileLoaded = true;
    state.CurrentFileName = "b.DVF";
    state.CalibrationChanged = true;
    const auto refused = session.Open(files(), dir.file("c.DVF"));
    ASSERT_FALSE(refused);
    EXPECT_THAT(refused.error().message, ::testing::HasSubstr("the retrieve"));
    EXPECT_EQ(std::tuple(state.CurrentFileName, state.CalibrationChanged, shown),
              std::tuple("b.DVF", true, Image(5)));
    session.End();
    const auto opened = session.Open(files(), dir.file("c.DVF"));
    ASSERT_TRUE(opened && *opened);
    EXPECT_EQ((*opened)->kind, NextStep::Kind::WriteWhole);
    EXPECT_EQ(std::tuple(state.CurrentFileName, state.CalibrationChanged, shown),
              std::tuple("c.DVF", false, Image(6)));
}

TEST_F(SessionSteps, ARestoreIsOfferedForWritingToItsOwnIdleModuleOnly) {
    state.VersionText = "VX42";
    ASSERT_TRUE(session.Restored(Image(4), "FT000001"));
    EXPECT_TRUE(state.CalibrationChanged && state.AutoRetrieved);
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
    EXPECT_FALSE(session.Restored(Image(5), "FT000001"));
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
    // Enter writes nothing.
    EXPECT_EQ(std::pair(prompt.Calls().back().title, prompt.Calls().back().defaultAnswer),
              std::pair(std::string("Check Calibration"), Answer::No));
    prompt.AnswerYesNo(Answer::Yes);
    EXPECT_TRUE(session.ConfirmWholeWrite(prompt, nullptr, UnitFlags{}));
    // The module holds those errors already: the write brings none, so nothing is asked.
    ASSERT_TRUE(session.Retrieved(test::DamagedDemo()));
    shown.SetByte(CalAddresses().CanSpeed + 1, 0x7D);
    EXPECT_TRUE(session.ConfirmWholeWrite(prompt, nullptr, UnitFlags{}));
    // One error more than the module holds: asked, and only that error is named.
    shown = test::DamagedDemo(3, 6);
    prompt.AnswerYesNo(Answer::No);
    EXPECT_FALSE(session.ConfirmWholeWrite(prompt, nullptr, UnitFlags{}));
    EXPECT_THAT(prompt.Calls().back().text, ::testing::HasSubstr("analog table"));
    EXPECT_THAT(prompt.Calls().back().text,
                ::testing::Not(::testing::HasSubstr("data breakpoint")));
}

TEST_F(SessionSteps, EditsThatMakeTheCheckFailAreKeptOutOfTheModuleAndSaid) {
    shown = test::DemoCalibration();
    session.Connected(1, "FT000001");
    ASSERT_TRUE(session.Retrieved(shown));
    session.TellAgreement(false);
    // A data breakpoint below the one before it: not staged, and the error is said.
    const FormatContext raw;
    const OutputScope out{shown, raw, 0};
    const int cell = *CellAddress(out, TableGrid::Analog, 0, 3);
    shown.StoreWord(cell, shown.Word(*CellAddress(out, TableGrid::Analog, 0, 2)) - 1);
    EXPECT_FALSE(session.StageEdits(nullptr, UnitFlags{}));
    EXPECT_THAT(session.HeldBackText(), ::testing::HasSubstr("data breakpoint 3"));
    session.TellAgreement(false);
    // Held back with it until an edit mends it: then staged together, and nothing is said.
    shown.SetByte(CalAddresses().CanSpeed + 1, 0x7D);
    EXPECT_FALSE(session.StageEdits(nullptr, UnitFlags{}));
    EXPECT_TRUE(session.EditsHeld());
    session.TellAgreement(false);
    shown.StoreWord(cell, shown.Word(cell) + 2);
    EXPECT_TRUE(session.StageEdits(nullptr, UnitFlags{}));
    EXPECT_EQ(session.HeldBackText(), "");
    session.TellAgreement(false);
    // A function that takes the table into use is staged: the cells are filled next.
    const int function = CalAddresses().OutputCal[0].FunctionFlags;
    const std::uint8_t analog = shown.Byte(function);
    shown.SetByte(function, 0x01);  // "Off", a breakpoint out of order
    shown.StoreWord(cell, 0);
    session.TellAgreement(false);
    shown.SetByte(function, analog);
    EXPECT_TRUE(session.StageEdits(nullptr, UnitFlags{}));
}

TEST_F(SessionSteps, AnEditIntoAModuleThatDiffersAsksOnceACommand) {
    // In step: sent over the connection without a question.
    session.Connected(1, "FT000001");
    ASSERT_TRUE(session.Retrieved(Image(3)));
    session.TellAgreement(false);
    EXPECT_EQ(session.StampEdit(prompt, kCalBaseAddress, 1).stamp, 1u);
    bool changed = true;
    EXPECT_EQ(session.EndEditCommand(changed), EditRoute::Send);
    // An edit that did not land: what the module holds is not known, and the next edit asks.
    session.ChangeLost(1);
    prompt.AnswerYesNoCancel(Answer::No);
    EXPECT_TRUE(session.StampEdit(prompt, kCalBaseAddress, 1).asked);
    EXPECT_EQ(session.EndEditCommand(changed), EditRoute::Offline);
    ConnectDiffering();

    // Cancel: asked once for the command's edits, each put back as it was shown, and the
    // changed mark with them.
    shown.SetByte(kCalBaseAddress, 0xAA);
    shown.SetByte(kCalBaseAddress + 5, 0xBB);
    prompt.AnswerYesNoCancel(Answer::Cancel);
    const EditStamp first = session.StampEdit(prompt, kCalBaseAddress, 1);
    EXPECT_TRUE(first.stamp == 0 && first.asked);
    session.TellAgreement(true);  // shown meanwhile: what a Cancel puts back stays
    const EditStamp second = session.StampEdit(prompt, kCalBaseAddress + 5, 1);
    EXPECT_FALSE(second.asked);
    EXPECT_EQ(shown, Image(3));
    EXPECT_EQ(session.EndEditCommand(changed), EditRoute::Drop);
    EXPECT_FALSE(changed);

    // The next command asks again: No keeps the edit in the calibration shown only.
    shown.SetByte(kCalBaseAddress, 0xAA);
    changed = true;
    prompt.AnswerYesNoCancel(Answer::No);
    EXPECT_EQ(session.StampEdit(prompt, kCalBaseAddress, 1).stamp, 0u);
    EXPECT_EQ(shown.Byte(kCalBaseAddress), 0xAA);
    EXPECT_EQ(session.EndEditCommand(changed), EditRoute::Offline);
    EXPECT_TRUE(changed);
    // Yes: the whole write is owed, and no other transfer begins before it.
    prompt.AnswerYesNoCancel(Answer::Yes);
    EXPECT_EQ(session.StampEdit(prompt, kCalBaseAddress, 1).stamp, 0u);
    EXPECT_TRUE(session.WholeWriteOwed());
    EXPECT_FALSE(session.Begin(Transfer::Disconnect));
    EXPECT_THAT(session.BusyText(Transfer::Disconnect), ::testing::HasSubstr("chose to write"));
    EXPECT_EQ(session.EndEditCommand(changed), EditRoute::WriteWhole);
    EXPECT_FALSE(session.WholeWriteOwed());
    // A whole write begun before the command ended is the one owed.
    prompt.AnswerYesNoCancel(Answer::Yes);
    EXPECT_TRUE(session.StampEdit(prompt, kCalBaseAddress, 1).asked);
    EXPECT_TRUE(session.Begin(Transfer::Write));
    EXPECT_FALSE(session.WholeWriteOwed());
    EXPECT_EQ(session.EndEditCommand(changed), EditRoute::Send);
    // Kept, not written.
    EXPECT_EQ(std::pair(prompt.Calls().back().title, prompt.Calls().back().defaultAnswer),
              std::pair(std::string("Module Holds A Different Calibration"), Answer::No));
}

TEST(CheckErrorLines, NamesTheErrorsOnlyAndCountsWhatIsNotListed) {
    std::vector<Finding> findings(4);
    for (int i = 0; i < 4; ++i) findings[i].message = "error " + std::to_string(i);
    findings[1].severity = Severity::Warning;
    EXPECT_EQ(CheckErrorLines(findings, 2), "error 0\nerror 2\n... and 1 more.");
    EXPECT_EQ(CheckErrorLines(findings), "error 0\nerror 2\nerror 3");
}

}  // namespace
}  // namespace vx42
