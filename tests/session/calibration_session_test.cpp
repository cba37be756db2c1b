#include "session/calibration_session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
    EXPECT_FALSE(session.Retrieved(Image(5)));
    EXPECT_EQ(shown, Image(5));
    EXPECT_EQ(session.origin(), ImageOrigin::Module);
    EXPECT_EQ(session.Agreement(), ModuleAgreement::InStep);

    // A restore declined for writing: the module holds the other one, and the status says so.
    ASSERT_TRUE(session.ReplaceShown(Image(7), ImageOrigin::RestorePoint, "FT000001"));
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Differs);
    EXPECT_THAT(AgreementText(session.Agreement()), ::testing::HasSubstr("Update writes"));
    EXPECT_FALSE(session.WholeWriteEnded(true, shown, restore_event::Update));
    EXPECT_EQ(session.Agreement(), ModuleAgreement::InStep);

    // A change handed to this connection keeps the module in step; one lost makes it unknown.
    shown.SetByte(kCalBaseAddress + 10, 0x55);
    const std::uint8_t byte[1] = {0x55};
    session.ChangeHanded(1, kCalBaseAddress + 10, byte);
    EXPECT_EQ(session.Agreement(), ModuleAgreement::InStep);
    session.ChangeLost(1);
    EXPECT_EQ(session.Agreement(), ModuleAgreement::Unknown);

    // A failed whole write leaves nothing known.
    EXPECT_FALSE(session.WholeWriteEnded(true, shown, restore_event::Update));
    EXPECT_FALSE(session.WholeWriteEnded(false, shown, restore_event::Update));
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
