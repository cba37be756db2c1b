#include "app/startup.h"

#include <gtest/gtest.h>

#include "base/error_log.h"

namespace vx42 {
namespace {

TEST(Startup, TheProgramNameChoosesTheMode) {
    EXPECT_EQ(ModeFromProgramName("/opt/vx42/VX42RelayControl"), StartupMode::Relay);
    EXPECT_EQ(ModeFromProgramName("C:\\VX42\\VX42RelayControl.exe"), StartupMode::Relay);
    EXPECT_EQ(ModeFromProgramName("VX42"), StartupMode::Full);
    EXPECT_EQ(ModeFromProgramName("vx42relaycontrol"), StartupMode::Full);  // compared exactly
    EXPECT_EQ(ModeFromProgramName("/usr/bin/something-else"), StartupMode::Full);
    EXPECT_EQ(VersionTextFor(StartupMode::Full), "VX42 Version " + ProgramVersion());
    EXPECT_EQ(VersionTextFor(StartupMode::Relay), "VX42 Relay Control Version " + ProgramVersion());
}

TEST(Startup, OnlineDisplay) {
    EXPECT_STREQ(OnlineStatusDisplay(false).labelCaption, "Offline");
    EXPECT_STREQ(OnlineStatusDisplay(false).menuCaption, "Connect");
    EXPECT_EQ(OnlineStatusDisplay(false).rgb, 0xFF0000u);
    EXPECT_STREQ(OnlineStatusDisplay(true).labelCaption, "Online");
    EXPECT_STREQ(OnlineStatusDisplay(true).menuCaption, "Disconnect");
    EXPECT_EQ(OnlineStatusDisplay(true).rgb, 0x00FF00u);
}

TEST(Startup, StatusBarTexts) {
    StatusFacts offline;
    StatusFacts simulatedOnline;
    simulatedOnline.online = simulatedOnline.simulated = true;
    simulatedOnline.serial = "DV42A001";
    simulatedOnline.firmware = "2.1.0";
    simulatedOnline.autoRetrieved = simulatedOnline.hasCanSpeed = true;
    simulatedOnline.canKbits = 250;
    StatusFacts changedFile;
    changedFile.fileLoaded = changedFile.changed = changedFile.hasCanSpeed = true;
    changedFile.fileName = "truck.DVF";
    changedFile.canKbits = 1000;
    StatusFacts changedNothing = offline;
    changedNothing.changed = true;  // no calibration shown: nothing to be unsaved
    const struct {
        StatusFacts facts;
        StatusTexts texts;
    } cases[] = {
        {offline, {"Offline", "", "No File Loaded", ""}},
        {simulatedOnline,
         {"Online (simulated module)", "Module DV42A001, firmware 2.1.0", "Auto Retrieved File",
          "CAN bus 250 kbit/s"}},
        {changedFile, {"Offline", "", "File: truck.DVF (unsaved changes)", "CAN bus 1 Mbit/s"}},
        {changedNothing, {"Offline", "", "No File Loaded", ""}},
    };
    for (const auto& c : cases) {
        const StatusTexts t = StatusBarTexts(c.facts);
        EXPECT_EQ(t.connection, c.texts.connection);
        EXPECT_EQ(t.module, c.texts.module);
        EXPECT_EQ(t.file, c.texts.file);
        EXPECT_EQ(t.canSpeed, c.texts.canSpeed);
    }
}

}  // namespace
}  // namespace vx42
