// The vendor driver's back end, through the stand-in library loaded at run time by its path.

#include "device/d2xx_bridge.h"

#include <gtest/gtest.h>

#include "base/scripted_prompt.h"
#include "base/system_text.h"
#include "device/module_link.h"
#include "link_fixture.h"
#include "support/d2xx_standin.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

// The stand-in's controls over the module behind bridge 1.
using StandIn = test::D2xxStandIn;

class D2xx : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(standIn.ok());
        ASSERT_EQ(standIn.Configure("bridge=USB Serial Port|FT000001;"
                                    "bridge=Kestrane Dialvane VX42|DV7777770123;version=2.4.1"),
                  0);
    }
    StandIn standIn{VX42_D2XX_STANDIN};
};

TEST_F(D2xx, LoadsAndBindsTheLibrary) {
    EXPECT_TRUE(D2xxLibraryLoads(VX42_D2XX_STANDIN));
    EXPECT_FALSE(D2xxLibraryLoads("libvx42-no-such-driver.so"));
    EXPECT_FALSE(D2xxBridge("libvx42-no-such-driver.so").DriverPresent());
    D2xxBridge bridge(VX42_D2XX_STANDIN);
    EXPECT_TRUE(bridge.DriverPresent());
    // A library without the driver's functions is no driver.
    D2xxBridge wrong("libm.so.6");
    EXPECT_FALSE(wrong.DriverPresent());
    int count = -1;
    EXPECT_NE(wrong.DeviceCount(count), ft::Ok);

    // The library is looked for at each open: one installed while the tool runs is found.
    const test::TempDir folder;
    const std::string installed = folder.file("libvx42-installed-later.so");
    D2xxBridge later(installed);
    EXPECT_FALSE(later.DriverPresent());
    std::filesystem::copy_file(PathFromUtf8(VX42_D2XX_STANDIN), PathFromUtf8(installed));
    EXPECT_TRUE(later.DriverPresent());
    count = -1;
    EXPECT_EQ(later.DeviceCount(count), ft::Ok);
}

// Listing, opening and the exchange itself are run by the link below; here the statuses.
TEST_F(D2xx, ReportsTheDriversStatuses) {
    D2xxBridge bridge(VX42_D2XX_STANDIN);
    std::string text;
    EXPECT_EQ(bridge.Description(5, text), ft::DeviceNotFound);
    std::uint32_t queued = 0;
    EXPECT_EQ(bridge.QueueStatus(queued), ft::InvalidHandle);  // nothing open yet
    ASSERT_EQ(bridge.OpenByDescription("Kestrane Dialvane VX42"), ft::Ok);
    EXPECT_EQ(bridge.SetBaudRate(10), ft::InvalidBaudRate);
    D2xxBridge second(VX42_D2XX_STANDIN);
    EXPECT_EQ(second.OpenByDescription("Kestrane Dialvane VX42"), ft::DeviceNotOpened);
    EXPECT_EQ(bridge.Close(), ft::Ok);
    EXPECT_EQ(bridge.Close(), ft::InvalidHandle);
}

// The link runs over each library; the event character goes through FT_SetChars where the
// library exports it, and a library without it still binds and writes a whole calibration,
// every acknowledgement waiting for the latency timer.
TEST_F(D2xx, TheLinkRunsOverTheLoadedLibraryWithOrWithoutTheEventCharacter) {
    for (const char* library : {VX42_D2XX_STANDIN, VX42_D2XX_STANDIN_WITHOUT_SET_CHARS}) {
        SCOPED_TRACE(library);
        StandIn controls(library);
        ASSERT_EQ(controls.Configure("bridge=USB Serial Port|FT000001;"
                                     "bridge=Kestrane Dialvane VX42|DV7777770123;version=2.4.1"),
                  0);
        const bool offered = library == std::string(VX42_D2XX_STANDIN);
        ScriptedPrompt prompt;
        ModuleLink link(std::make_unique<D2xxBridge>(library), prompt);
        link.SetTiming(test::FastTiming());
        link.ConnectIfOffline();
        ASSERT_TRUE(link.Online());
        EXPECT_EQ(link.DeviceSerial(), "DV777777");
        EXPECT_EQ(link.FirmwareVersion(), "2.4.1");

        Bytes cal(kCalImageSize);
        for (std::size_t i = 0; i < cal.size(); ++i) cal[i] = static_cast<std::uint8_t>(i * 7);
        ASSERT_TRUE(controls.Write(kCalBaseAddress, cal));
        CalImage image;
        ASSERT_TRUE(link.RetrieveCalibration(image, {}));
        EXPECT_EQ(Bytes(image.bytes().begin(), image.bytes().end()), cal);
        link.WriteCalibrationChange(0x0500, Bytes{0xAB, 0xCD});
        EXPECT_EQ(controls.Read(0x0500, 2), (Bytes{0xAB, 0xCD}));

        EXPECT_EQ(link.SetEventChar('P'), offered ? ft::Ok : ft::NotSupported);
        EXPECT_EQ(link.SetEventChar(std::nullopt), offered ? ft::Ok : ft::NotSupported);
        image[5] = 0x42;
        EXPECT_TRUE(link.WriteWholeCalibration(image, {}));
        EXPECT_EQ(controls.Read(kCalBaseAddress + 5, 1), Bytes{0x42});
        link.Disconnect();
        EXPECT_FALSE(link.Online());
        EXPECT_TRUE(prompt.Calls().empty());
    }
}

}  // namespace
}  // namespace vx42
