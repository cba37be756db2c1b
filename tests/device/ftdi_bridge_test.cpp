// The libftdi1 back end, as far as a machine without a bridge allows, and the choice of back end.

#include "device/ftdi_bridge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/scripted_prompt.h"
#include "device/bridge_factory.h"
#include "device/d2xx_bridge.h"
#include "device/module_link.h"

namespace vx42 {
namespace {

// On this machine's own USB: none at all (a container) or no bridge attached.
TEST(Ftdi, WithoutABridgeTheConnectFindsNone) {
    FtdiBridge probe;
    int count = -1;
    const FtStatus listed = probe.DeviceCount(count);
    if (count > 0) GTEST_SKIP() << "a USB-serial bridge is attached to this machine";

    ScriptedPrompt prompt;
    ModuleLink link(std::make_unique<FtdiBridge>(), prompt);
    link.ConnectIfOffline();
    EXPECT_FALSE(link.Online());
    const auto calls = prompt.Calls();
    ASSERT_EQ(calls.size(), 1u);
    if (probe.UsbUnreachable()) {
        EXPECT_EQ(listed, ft::IoError);
        EXPECT_THAT(calls[0].text, ::testing::StartsWith("Failed to get a list of USB devices. "
                                                         "Error Code:4\r\n\r\nUSB could not be "
                                                         "reached"));
    } else {
        EXPECT_EQ(listed, ft::Ok);
        EXPECT_EQ(calls[0].text, "No Dialvane found.");
    }
    EXPECT_EQ(calls[0].title, "Connection Error");
}

// The names themselves are the command line's (cli's --device); here the automatic choice.
TEST(BridgeChoice, AutoTakesTheVendorLibraryOnlyWhenItLoads) {
    const bool vendor = D2xxLibraryLoads(kD2xxLibraryName);
    EXPECT_EQ(ResolveBridgeKind(BridgeKind::Auto), vendor ? BridgeKind::D2xx : BridgeKind::Ftdi);
    EXPECT_EQ(ResolveBridgeKind(BridgeKind::Sim), BridgeKind::Sim);
    EXPECT_NE(dynamic_cast<FtdiBridge*>(MakeBridge(BridgeKind::Ftdi).get()), nullptr);
}

}  // namespace
}  // namespace vx42
