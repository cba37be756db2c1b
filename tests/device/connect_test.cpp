// Finding, opening, identifying and closing the module.

#include <gtest/gtest.h>

#include <functional>

#include "link_fixture.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

using test::BridgeMaker;

sim::SimConfig Bridges(std::vector<sim::BridgeSetup> bridges) {
    sim::SimConfig c;
    c.bridges = std::move(bridges);
    return c;
}

// The one message of a failed connect: `text`, or `text` and then advice holding `advice`.
void ExpectConnectionError(const ScriptedPrompt& prompt, const std::string& text,
                           const std::vector<std::string>& advice = {}) {
    const auto calls = prompt.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, PromptKind::Message);
    if (advice.empty()) {
        EXPECT_EQ(calls[0].text, text);
    }
    EXPECT_EQ(calls[0].text.substr(0, text.size()), text);
    for (const auto& part : advice) EXPECT_NE(calls[0].text.find(part), std::string::npos) << part;
    EXPECT_EQ(calls[0].title, "Connection Error");
    EXPECT_EQ(calls[0].icon, Icon::Exclamation);
}

// A bridge this user may not open.
class DeniedBridge : public sim::SimBridge {
  public:
    using SimBridge::SimBridge;
    bool AccessDenied() const override { return true; }
};

#ifdef __linux__
constexpr const char* kDriverNote =
    "\r\n\r\nThe vendor's driver library (libftd2xx.so) is not installed on this computer; the "
    "tool uses libftdi1 instead when it chooses the driver itself (--device auto).";
const std::vector<std::string> kPermissionAdvice{"permission problem", "60-vx42-bridge.rules",
                                                 "sudo apt install ./vx42-configurator_"};
#else
constexpr const char* kDriverNote = "";
const std::vector<std::string> kPermissionAdvice{};
#endif

TEST(Connect, FindsTheModuleSetsTheLineAndIdentifies) {
    // Two bridges match: the lowest index wins.
    LinkFixture f(Bridges({{"USB Serial", "XX000001"},
                           {"Kestrane Dialvane VX42", "DV12345678"},
                           {"Dialvane VX42 B", "DVBBBBBB"}}));
    f.module(1).Version() = {2, 3, 4};
    f.link.ConnectIfOffline();
    EXPECT_TRUE(f.link.Online());
    EXPECT_TRUE(f.link.DeviceOpen());
    EXPECT_EQ(f.link.DeviceSerial(), "DV123456");  // the first 8 characters
    EXPECT_EQ(f.link.FirmwareVersion(), "2.3.4");
    EXPECT_EQ(f.sim->BaudRate(1), 100000u);
    EXPECT_EQ(f.sim->LatencyTimer(1), 2);
    EXPECT_FALSE(f.sim->IsOpen(2));
    EXPECT_TRUE(f.prompt.Calls().empty());

    f.link.ConnectIfOffline();  // already online: nothing is sent
    EXPECT_EQ(f.sim->Exchanges(), 1);
    f.link.Disconnect();
    EXPECT_FALSE(f.link.Online());
    EXPECT_FALSE(f.sim->IsOpen(1));
    // A link closed already (as an upgrade leaves it) is not closed again: no error.
    f.link.Disconnect();
    EXPECT_TRUE(f.prompt.Calls().empty());
}

TEST(Connect, ListingOpeningAndWaitingFailuresNameTheirCause) {
    // The driver is asked once when nothing is attached, five passes over three calls when
    // nothing matches; a bridge that cannot be asked yet is waited for, then the next tried.
    const sim::BridgeSetup module{"Dialvane VX42", "DV000001"};
    const std::vector<sim::BridgeSetup> cables{{"USB Serial", "XX000001"}, {"Cable", "XX000002"}};
    using Setup = std::function<void(LinkFixture&)>;
    const Setup notOpened = [](LinkFixture& f) { f.sim->FailListing(0, ft::DeviceNotOpened, 5); };
    const Setup ioError = [](LinkFixture& f) { f.sim->FailListing(0, ft::IoError, 5); };
    const Setup heldElsewhere = [](LinkFixture& f) {
        int handle = 0;
        ASSERT_EQ(f.sim->Open("Dialvane VX42", handle), ft::Ok);
    };
    const Setup noDriver = [](LinkFixture& f) { f.bridge().SetDriverPresent(false); };
    struct Case {
        std::vector<sim::BridgeSetup> bridges;
        Setup setup;
        std::string message;
        int driverCalls = -1;  // not checked
        bool denied = false;   // a bridge this user may not open
    };
    const std::vector<Case> cases{
        {{}, {}, "No Dialvane found.", 1},
        {cables, {}, "The Dialvane could not be found. Error Code: 0", 5 * 3},
        {{module}, notOpened, "Still failed. Error Code:3"},
        {{module}, ioError, "List device failed. Error Code:4"},
        {{module}, heldElsewhere, "The Dialvane could not be opened. Error Code: 3"},
        // No driver: no driver call, and where the driver library is named, what to do.
        {{module},
         noDriver,
         "Driver DLL not found.\r\nIf the communication cable has never been plugged into this "
         "computer do so now.\r\nIf the cable has been plugged in check device manager to make "
         "sure the driver has installed correctly." +
             std::string(kDriverNote),
         0},
        // A permission problem is named after the driver's own message.
        {{module}, notOpened, "Still failed. Error Code:3", -1, true},
    };
    const BridgeMaker denied = [](auto s) { return std::make_unique<DeniedBridge>(std::move(s)); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        LinkFixture f(Bridges(c.bridges), c.denied ? denied : BridgeMaker{});
        if (c.setup) c.setup(f);
        EXPECT_FALSE(f.link.ConnectModule());
        ExpectConnectionError(f.prompt, c.message,
                              c.denied ? kPermissionAdvice : std::vector<std::string>{});
        if (c.driverCalls >= 0) {
            EXPECT_EQ(f.sim->DriverCalls(), c.driverCalls);
        }
        EXPECT_FALSE(f.link.DeviceOpen());
    }

    LinkFixture f(Bridges({module, {"Dialvane VX42 B", "DV000002"}}));
    f.sim->FailListing(0, ft::DeviceNotOpened, 1);
    ASSERT_TRUE(f.link.ConnectModule());
    EXPECT_EQ(f.link.DeviceSerial(), "DV000002");
}

TEST(Connect, AModuleAnotherProgramIsConnectedToIsNamedAsInUse) {
    test::TempDir dir;
    sim::SimConfig shared;
    shared.statePath = dir.file("module.state");
    LinkFixture first(shared), second(shared);
    first.Connect();
    EXPECT_FALSE(second.link.ConnectModule());
    ExpectConnectionError(second.prompt, "The Dialvane could not be opened. Error Code: 3",
                          {"The module is in use: another program is connected to it"});
    first.link.Disconnect();
    // A connect that opens the bridge but hears no firmware leaves the news for the next one.
    for (int i = 1; i <= 5; ++i)
        second.sim->InjectAt(second.sim->Exchanges() + i, sim::Fault::Drop);
    EXPECT_FALSE(second.link.ConnectModule());
    EXPECT_TRUE(second.link.ConnectModule());
    // The first program may have written the module while it had it.
    EXPECT_TRUE(second.link.WrittenElsewhere());
    second.link.Disconnect();
    EXPECT_TRUE(second.link.ConnectModule());
    EXPECT_FALSE(second.link.WrittenElsewhere());
}

TEST(Connect, SilentModuleIsAskedFiveTimesThenClosed) {
    LinkFixture f;
    for (int i = 1; i <= 5; ++i) f.sim->InjectAt(i, sim::Fault::Drop);
    EXPECT_FALSE(f.link.ConnectModule());
    ExpectConnectionError(f.prompt, "Get Firmware Version Failed");
    EXPECT_EQ(f.sim->Exchanges(), 5);
    EXPECT_FALSE(f.link.DeviceOpen());
    EXPECT_FALSE(f.sim->IsOpen(0));
    EXPECT_EQ(f.link.FirmwareVersion(), "");

    // The fifth attempt of another module answers.
    LinkFixture g;
    for (int i = 1; i <= 4; ++i) g.sim->InjectAt(i, sim::Fault::CorruptChecksum);
    EXPECT_TRUE(g.link.ConnectModule());
    EXPECT_EQ(g.sim->Exchanges(), 5);
}

// Opening for an upgrade sends nothing; a close that fails keeps the link online.
TEST(Connect, UpgradeOpenSendsNothingAndAFailedCloseKeepsTheLinkOnline) {
    LinkFixture u;
    ASSERT_TRUE(u.link.OpenForUpgrade());
    EXPECT_TRUE(u.link.DeviceOpen());
    EXPECT_FALSE(u.link.Online());
    EXPECT_EQ(u.sim->Exchanges(), 0);
    EXPECT_EQ(u.sim->BaudRate(0), 100000u);

    LinkFixture f;
    f.Connect();
    f.sim->Unplug(0);
    f.link.Disconnect();
    EXPECT_TRUE(f.link.Online());
    ExpectConnectionError(f.prompt, "Failed to close USB. Error Code:4");
}

}  // namespace
}  // namespace vx42
