// The libftdi1 back end end to end: the real libftdi1 drives emulated USB-serial bridges
// through libusb's functions, which this program takes from the USB stand-in; the module
// simulator answers behind the bridge named "Dialvane".

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/scripted_prompt.h"
#include "device/can_bus.h"
#include "device/ftdi_bridge.h"
#include "device/module_link.h"
#include "device/sim/sim_bridge.h"
#include "device/sim/standin/usb_standin.h"
#include "firmware/upgrade.h"
#include "link_fixture.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
namespace usb = sim::usb;

constexpr int kPlainCable = 0;
constexpr int kModuleBridge = 1;
constexpr const char* kModuleDescriptionText = "Kestrane Dialvane VX42";

sim::SimConfig TwoCables() {
    sim::SimConfig config;
    config.bridges = {{"FT232R USB UART", "A50285BI"}, {kModuleDescriptionText, "DV42A001"}};
    config.version = {2, 4, 1};
    config.lateSeconds = 0.025;
    return config;
}

Bytes Pattern(std::size_t n, int seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 13 + seed);
    return b;
}

class FtdiUsb : public ::testing::Test {
  protected:
    void TearDown() override { usb::Detach(); }

    void Plug(sim::SimConfig config = TwoCables(), usb::BusSetup bus = {}) {
        sim = std::make_shared<sim::Simulator>(std::move(config));
        usb::Attach(sim, std::move(bus));
        // What the system shows of each device without opening it.
        for (const auto& entry : std::filesystem::directory_iterator(sysfs.path()))
            std::filesystem::remove_all(entry.path());
        for (int i = 0; i < sim->BridgeCount(); ++i) {
            const auto folder = sysfs.path() / ("1-" + std::to_string(i + 1));
            std::filesystem::create_directories(folder);
            std::ofstream(folder / "product") << sim->SetupOf(i).description << "\n";
        }
    }

    std::unique_ptr<ModuleLink> Link() {
        auto link = std::make_unique<ModuleLink>(std::make_unique<FtdiBridge>(sysfs.str()), prompt);
        link->SetTiming(test::FastTiming());
        return link;
    }
    // A link that connected, told nothing on the way.
    std::unique_ptr<ModuleLink> Connected() {
        auto link = Link();
        link->ConnectIfOffline();
        EXPECT_TRUE(link->Online()) << ::testing::PrintToString(Messages());
        return link;
    }

    sim::SimModule& module() { return sim->Module(kModuleBridge); }
    Bytes Calibration() { return module().Read(kCalBaseAddress, kCalImageSize); }

    std::vector<usb::ControlRequest> Sent(std::uint8_t request) {
        std::vector<usb::ControlRequest> out;
        for (const auto& r : usb::Requests(kModuleBridge))
            if (r.request == request) out.push_back(r);
        return out;
    }

    std::vector<std::string> Messages() {
        std::vector<std::string> out;
        for (const auto& call : prompt.Calls()) out.push_back(call.text);
        return out;
    }

    test::TempDir sysfs;
    std::shared_ptr<sim::Simulator> sim;
    ScriptedPrompt prompt;
};

// Retrieves and staged changes through USB are compared with the in-process bridge below.
TEST_F(FtdiUsb, FindsTheModuleBesideAPlainCableAndReadsItsCanStatus) {
    Plug(TwoCables(), usb::ParseBusSetup("others=2"));
    auto link = Connected();
    EXPECT_EQ(std::tuple(link->DeviceSerial(), link->FirmwareVersion(), sim->IsOpen(kPlainCable)),
              std::tuple("DV42A001", "2.4.1", false));

    // The primary slots' status words are read.
    module().Write(CanStatusAddress(0), Bytes{0x00, 0x01});
    module().Write(CanStatusAddress(2), Bytes{0x00, 0x00});
    const auto status = CanSlotStatus(*link, CalImage{});
    EXPECT_EQ(std::pair(status[0], status[2]),
              std::pair(SlotStatus::Receiving, SlotStatus::NotReceiving));

    link->Disconnect();
    EXPECT_FALSE(link->Online());
    EXPECT_FALSE(sim->IsOpen(kModuleBridge));
    EXPECT_THAT(Messages(), ::testing::IsEmpty());
}

// The module's cable left at 7E1 by a terminal program, with a kernel serial driver on its
// interface and another of the product ids libftdi1 looks for.
TEST_F(FtdiUsb, TheChipIsSetToTheModulesRateAnd8N1AndTheKernelDriverDetached) {
    Plug(TwoCables(), usb::ParseBusSetup("line=1:7E1;kernel-driver=1;product=1:6015"));
    auto link = Connected();
    EXPECT_EQ(usb::Line(kModuleBridge), usb::kLine8N1);
    EXPECT_FALSE(usb::KernelDriverAttached(kModuleBridge));

    // The open resets the chip (which keeps its data format), then the line is set.
    const auto requests = usb::Requests(kModuleBridge);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(std::pair(requests.front().request, requests.front().value),
              std::pair(usb::request::Reset, std::uint16_t{0}));
    const auto rates = Sent(usb::request::BaudRate);
    ASSERT_FALSE(rates.empty());
    const double baud = usb::BaudFromDivisor(rates.back().value, rates.back().index);
    EXPECT_NEAR(baud, kLineSpeed, kLineSpeed * sim::Simulator::kBaudTolerance);
    EXPECT_EQ(sim->BaudRate(kModuleBridge), kLineSpeed);
    const auto latency = Sent(usb::request::LatencyTimer);
    ASSERT_EQ(latency.size(), 1u);
    EXPECT_EQ(latency[0].value, kLatencyTimerMs);
    // Every exchange starts by emptying what waits for the host.
    const auto resets = Sent(usb::request::Reset);
    EXPECT_TRUE(std::any_of(resets.begin(), resets.end(), [](auto& r) { return r.value == 2; }));
}

TEST_F(FtdiUsb, WholeWriteLandsAndFlushesEachBlocksAcknowledgementWithTheEventCharacter) {
    Plug();
    auto link = Connected();
    CalImage image;
    image.CopyIntoImage(Pattern(kCalImageSize, 3), 0);
    const auto before = usb::Requests(kModuleBridge).size();
    ASSERT_TRUE(link->WriteWholeCalibration(image, {}));
    EXPECT_EQ(Calibration(), Bytes(image.bytes().begin(), image.bytes().end()));
    EXPECT_FALSE(module().Frozen());
    EXPECT_EQ(module().Read(address::Marker, 2), (Bytes{0xCB, 0xE0}));
    const auto all = usb::Requests(kModuleBridge);
    std::vector<std::uint16_t> events;
    for (std::size_t i = before; i < all.size(); ++i)
        if (all[i].request == usb::request::EventChar) events.push_back(all[i].value);
    // "P" turned on (bit 8 enables), and off again afterwards.
    EXPECT_EQ(events, (std::vector<std::uint16_t>{0x100 | 'P', 0}));
    EXPECT_FALSE(sim->EventChar(kModuleBridge));

    // A retrieve is left to the latency timer.
    const auto counted = usb::Requests(kModuleBridge).size();
    ASSERT_TRUE(link->RetrieveCalibration(image, {}));
    for (std::size_t i = counted; i < usb::Requests(kModuleBridge).size(); ++i)
        EXPECT_NE(usb::Requests(kModuleBridge)[i].request, usb::request::EventChar);
}

TEST_F(FtdiUsb, FirmwareUpgradeOf128KiBLandsByteForByte) {
    Plug();
    auto link = Link();
    UpgradeFile file;
    file.fileName = "app.ROM";
    file.extension = "ROM";
    std::map<std::uint32_t, std::uint8_t> expected;
    for (int r = 0; r < 8; ++r) {
        FirmwareRecord record{1, 16 * 1024, 0x010000 + r * 16 * 1024, Pattern(16 * 1024, r)};
        for (int i = 0; i < record.length; ++i)
            expected[static_cast<std::uint32_t>(record.address + i)] =
                record.data[static_cast<std::size_t>(i)];
        file.firmware.records.push_back(std::move(record));
    }
    file.firmware.recordCount = 8;
    EXPECT_EQ(StartUpgrade(*link, false, file, {}, {}), UpgradeOutcome::Complete);
    EXPECT_EQ(module().ProgramMemory(), expected);
    EXPECT_EQ(std::pair(module().UpgradeFinished(), module().Resets()), std::pair(true, 1));
    EXPECT_THAT(Messages(), ::testing::IsEmpty());
}

// What a connect, a retrieve and a staged change came to, with one fault struck.
struct Outcome {
    bool online = false, retrieved = false;
    std::vector<std::string> messages;
    std::vector<Bytes> requests;
    Bytes calibration;
    bool operator==(const Outcome&) const = default;
};

Outcome RunWithFault(bool throughUsb, Fault fault, int exchange) {
    sim::SimConfig config = TwoCables();
    config.faultsAt[exchange] = fault;
    // A late reply comes well after the reply's time-out and well before the pause after it
    // ends, so that neither path's scheduling can move it to the other side.
    config.lateSeconds = 0.05;
    LinkTiming timing = test::FastTiming();
    timing.retryPauseMs = 60;
    auto sim = std::make_shared<sim::Simulator>(config);
    sim->Module(kModuleBridge).Write(kCalBaseAddress, Pattern(kCalImageSize, 9));
    if (throughUsb) usb::Attach(sim);
    std::unique_ptr<Bridge> bridge = throughUsb ? std::unique_ptr<Bridge>(new FtdiBridge())
                                                : std::make_unique<sim::SimBridge>(sim);
    ScriptedPrompt prompt;
    Outcome out;
    {
        ModuleLink link(std::move(bridge), prompt);
        link.SetTiming(timing);
        link.ConnectIfOffline();
        out.online = link.Online();
        CalImage image;
        out.retrieved = link.RetrieveCalibration(image, {});
        if (out.retrieved) {
            EXPECT_EQ(Bytes(image.bytes().begin(), image.bytes().end()), Pattern(kCalImageSize, 9));
        }
        link.WriteCalibrationChange(kCalBaseAddress + 32, Bytes{1, 2, 3, 4});
    }
    for (const auto& call : prompt.Calls()) out.messages.push_back(call.text);
    for (const auto& frame : sim->Log()) out.requests.push_back(frame.request);
    out.calibration = sim->Module(kModuleBridge).Read(kCalBaseAddress, kCalImageSize);
    return out;
}

TEST_F(FtdiUsb, SimulatorFaultsEndAsTheyDoThroughTheInProcessBridge) {
    // Exchange 1 identifies the module, 2 to 172 retrieve, 173 to 176 stage the change.
    for (Fault fault :
         {Fault::Drop, Fault::CorruptChecksum, Fault::CutShort, Fault::Late, Fault::Stale}) {
        for (int exchange : {1, 60, 176}) {
            SCOPED_TRACE(std::string(sim::FaultName(fault)) + " at " + std::to_string(exchange));
            const Outcome direct = RunWithFault(false, fault, exchange);
            const Outcome usb = RunWithFault(true, fault, exchange);
            EXPECT_TRUE(usb.online);
            EXPECT_TRUE(usb.retrieved);
            EXPECT_EQ(usb, direct);
            // The struck exchange was tried again; litter after a whole reply is only purged.
            if (fault == Fault::Stale)
                EXPECT_EQ(usb.requests.size(), 176u);
            else
                EXPECT_GT(usb.requests.size(), 176u);
        }
    }
}

TEST_F(FtdiUsb, ReadsThatTimeOutWithoutStatusPacketsStillWaitForTheReply) {
    sim::SimConfig config = TwoCables();
    config.faultsAt[20] = Fault::Drop;
    Plug(config, usb::ParseBusSetup("status-packets=off"));
    module().Write(kCalBaseAddress, Pattern(kCalImageSize, 1));
    auto link = Connected();
    CalImage image;
    ASSERT_TRUE(link->RetrieveCalibration(image, {}));
    EXPECT_EQ(Bytes(image.bytes().begin(), image.bytes().end()), Pattern(kCalImageSize, 1));
    EXPECT_THAT(Messages(), ::testing::IsEmpty());
}

TEST_F(FtdiUsb, UnpluggedMidTransferEndsWithTheModulesMessageAndDisconnectGoesOffline) {
    sim::SimConfig config = TwoCables();
    config.faultsAt[40] = Fault::Unplug;
    Plug(config);
    auto link = Connected();
    CalImage image;
    const CalImage before = image;
    EXPECT_FALSE(link->RetrieveCalibration(image, {}));
    EXPECT_EQ(image, before);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Error Retrieving Calibration"}));

    // The cable comes back; the first Disconnect closes (libftdi1 could not release the
    // interface of the device that went away, but it let go of it).
    sim->Replug(kModuleBridge);
    link->Disconnect();
    EXPECT_FALSE(link->Online());
    EXPECT_FALSE(link->DeviceOpen());
    EXPECT_EQ(prompt.Calls().size(), 1u);
    link->ConnectIfOffline();
    EXPECT_TRUE(link->Online());
}

// What a connect that finds no module it may open says: a permission problem only for the
// module's cable (with the udev rule); USB unreachable when libusb cannot start or the system
// shows it no device nodes (nothing listed, not even a root hub); with the nodes there and no
// bridge, simply not found.
TEST_F(FtdiUsb, AConnectThatFindsNoUsableModuleSaysWhy) {
    const char* unreachable = "Failed to get a list of USB devices. Error Code:4";
    const struct {
        const char* name;
        int bridges;  // the first of TwoCables()
        const char* bus;
        bool nodes;
        const char* starts;
        const char *says = nullptr, *alsoSays = nullptr;  // none: the message is `starts` alone
    } rows[] = {
        {"module's cable denied", 2, "deny=1", true, "Still failed. Error Code:3",
         "This is a permission problem", "60-vx42-bridge.rules"},
        {"another cable denied", 1, "deny=0", true, "Still failed. Error Code:3"},
        {"no device nodes", 0, "", false, unreachable, "USB could not be reached"},
        {"no bridge", 0, "", true, "No Dialvane found."},
        {"libusb cannot start", 2, "usb=off", true, unreachable, "USB could not be reached"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::SimConfig config = TwoCables();
        config.bridges.resize(static_cast<std::size_t>(row.bridges));
        Plug(config, usb::ParseBusSetup(row.bus));
        ScriptedPrompt shown;
        const std::string nodes = row.nodes ? sysfs.str() : sysfs.file("no-such-folder");
        ModuleLink link(std::make_unique<FtdiBridge>(sysfs.str(), nodes), shown);
        link.ConnectIfOffline();
        EXPECT_FALSE(link.Online());
        ASSERT_EQ(shown.Calls().size(), 1u);
        const std::string text = shown.Calls()[0].text;
        EXPECT_THAT(text, ::testing::StartsWith(row.starts));
        if (!row.says) {
            EXPECT_EQ(text, row.starts);
        }
        for (const char* part : {row.says, row.alsoSays})
            EXPECT_THAT(text, HasSubstr(part ? part : ""));
        const bool unreached = std::string(row.starts) == unreachable;
        EXPECT_THAT(text, Not(HasSubstr(unreached ? "No Dialvane" : "USB could")));
    }
}

}  // namespace
}  // namespace vx42
