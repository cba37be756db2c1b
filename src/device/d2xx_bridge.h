#pragma once
// The vendor driver library as a back end, loaded by name at run time.

#include <memory>
#include <string>

#include "device/bridge.h"
#include "device/d2xx_api.h"

namespace vx42 {

#ifdef _WIN32
inline constexpr const char* kD2xxLibraryName = "FTD2xx.dll";
#else
inline constexpr const char* kD2xxLibraryName = "libftd2xx.so";
#endif

// Whether the library can be loaded (it is unloaded again at once).
bool D2xxLibraryLoads(const std::string& library);

class D2xxBridge : public Bridge {
  public:
    // Loads `library` (a name searched the system's way, or a path) and binds its functions.
    explicit D2xxBridge(const std::string& library = kD2xxLibraryName);
    ~D2xxBridge() override;
    D2xxBridge(const D2xxBridge&) = delete;
    D2xxBridge& operator=(const D2xxBridge&) = delete;

    // The library loaded and every function the link uses was found in it; while it is not,
    // each call looks for it again.
    bool DriverPresent() override;

    FtStatus DeviceCount(int& count) override;
    FtStatus Description(int index, std::string& description) override;
    FtStatus SerialNumber(int index, std::string& serial) override;
    FtStatus OpenByDescription(const std::string& description) override;
    FtStatus SetBaudRate(std::uint32_t baud) override;
    FtStatus SetLatencyTimer(std::uint8_t milliseconds) override;
    FtStatus PurgeReceive() override;
    // Through FT_SetChars where the library exports it; NotSupported where it does not.
    FtStatus SetEventChar(std::optional<std::uint8_t> eventChar) override;
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override;
    FtStatus Read(std::span<std::uint8_t> into, std::uint32_t& got) override;
    FtStatus QueueStatus(std::uint32_t& queued) override;
    FtStatus Close() override;

  private:
    // (Re)loads the library by its name and binds its functions.
    void Load();
    FtStatus ListString(int index, d2xx::DWORD kind, int bufferSize, std::string& out);

    std::string libraryName_;
    void* library_ = nullptr;
    bool bound_ = false;
    d2xx::FT_HANDLE handle_ = nullptr;
    d2xx::FT_ListDevicesFn listDevices_ = nullptr;
    d2xx::FT_OpenExFn openEx_ = nullptr;
    d2xx::FT_SetBaudRateFn setBaudRate_ = nullptr;
    d2xx::FT_SetLatencyTimerFn setLatencyTimer_ = nullptr;
    d2xx::FT_PurgeFn purge_ = nullptr;
    d2xx::FT_WriteFn write_ = nullptr;
    d2xx::FT_ReadFn read_ = nullptr;
    d2xx::FT_GetQueueStatusFn getQueueStatus_ = nullptr;
    d2xx::FT_CloseFn close_ = nullptr;
    d2xx::FT_SetCharsFn setChars_ = nullptr;  // optional
};

}  // namespace vx42
