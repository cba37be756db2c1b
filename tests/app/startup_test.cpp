#include "app/startup.h"

#include <gtest/gtest.h>

#include "app/error_log.h"

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

}  // namespace
}  // namespace vx42
