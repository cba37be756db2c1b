// The vendor driver's back end, through the stand-in library loaded at run time by its path.

#include "device/d2xx_bridge.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "base/scripted_prompt.h"
#include "base/system_text.h"
#include "device/module_link.h"
#include "link_fixture.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

// The stand-in's own controls, reached through the same loaded library (memory of the module
// behind bridge 1).
class StandIn {
  public:
    explicit StandIn(const char* library = VX42_D2XX_STANDIN) : handle_(Open(library)) {
        if (!handle_) return;
        configure_ = reinterpret_cast<int (*)(const char*)>(Find("VX42Sim_Configure"));
        read_ = reinterpret_cast<int (*)(int, unsigned, unsigned char*, unsigned)>(
            Find("VX42Sim_ReadMemory"));
        write_ = reinterpret_cast<int (*)(int, unsigned, const unsigned char*, unsigned)>(
            Find("VX42Sim_WriteMemory"));
    }
    ~StandIn() {
#ifdef _WIN32
        if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
#else
        if (handle_) dlclose(handle_);
#endif
    }
    bool ok() const {
        return handle_ && configure_ && read_ && write_;
    }
    int Configure(const char* text) {
        return configure_(text);
    }
    Bytes Read(unsigned address, unsigned n) {
        Bytes b(n);
        EXPECT_EQ(read_(1, address, b.data(), n), 0);
        return b;
    }
    void Write(unsigned address, const Bytes& b) {
        EXPECT_EQ(write_(1, address, b.data(), static_cast<unsigned>(b.size())), 0);
    }

  private:
    // The library the bridge under test loads too: the same module, so the same simulator.
    static void* Open(const char* library) {
#ifdef _WIN32
        auto path = PathFromUtf8(library);
        return LoadLibraryW(path.make_preferred().c_str());
#else
        return dlopen(library, RTLD_NOW | RTLD_LOCAL);
#endif
    }
    void (*Find(const char* name) const)() {
#ifdef _WIN32
        return reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
        return reinterpret_cast<void (*)()>(dlsym(handle_, name));
#endif
    }

    void* handle_;
    int (*configure_)(const char*) = nullptr;
    int (*read_)(int, unsigned, unsigned char*, unsigned) = nullptr;
    int (*write_)(int, unsigned, const unsigned char*, unsigned) = nullptr;
};

class D2xx : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(standIn.ok());
        ASSERT_EQ(standIn.Configure("bridge=USB Serial Port|FT000001;"
                                    "bridge=Kestrane Dialvane VX42|DV7777770123;version=2.4.1"),
                  0);
    }
    StandIn standIn;
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
        controls.Write(kCalBaseAddress, cal);
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
