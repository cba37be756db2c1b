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
    for (const bool online : {false, true}) {
        const auto shown = OnlineStatusDisplay(online);
        EXPECT_EQ(
            std::tuple(std::string(shown.labelCaption), std::string(shown.menuCaption), shown.rgb),
            online ? std::tuple("Online", "Disconnect", 0x00FF00u)
                   : std::tuple("Offline", "Connect", 0xFF0000u));
    }
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
        EXPECT_EQ(std::tie(t.connection, t.module, t.file, t.canSpeed),
                  std::tie(c.texts.connection, c.texts.module, c.texts.file, c.texts.canSpeed));
    }
}

}  // namespace
}  // namespace vx42
