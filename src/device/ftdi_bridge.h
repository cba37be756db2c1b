#pragma once
// The open libftdi1 driver as a back end, for Linux machines without the vendor library.
// libftdi1 has no receive-queue count: what the chip has sent is drained into a local queue
// and counted there. A bulk read returns when the chip sends a packet: as soon as it holds 62
// bytes, or when its latency timer runs out (then with whatever it holds, perhaps nothing), so
// the bridge waits for a reply by reading, never by polling a count.

#include <string>
#include <vector>

#include "device/bridge.h"

struct ftdi_context;
struct ftdi_device_list;
struct libusb_device;

namespace vx42 {

// Whether the USB device node at the path exists but this user may not read and write it.
bool NodeAccessDenied(const std::string& nodePath);

// Where Linux shows every USB device's product string to every user, opened or not.
inline constexpr const char* kUsbSysfsDevices = "/sys/bus/usb/devices";
// The device nodes libusb opens; without them (a container, a sandbox) no device can be seen.
inline constexpr const char* kUsbDeviceNodes = "/dev/bus/usb";

class FtdiBridge : public Bridge {
  public:
    // `sysfsDevices`: the folder holding one entry per USB device, named BUS-PORT.PORT...;
    // `deviceNodes`: the folder of the USB device nodes.
    explicit FtdiBridge(std::string sysfsDevices = kUsbSysfsDevices,
                        std::string deviceNodes = kUsbDeviceNodes);
    ~FtdiBridge() override;
    FtdiBridge(const FtdiBridge&) = delete;
    FtdiBridge& operator=(const FtdiBridge&) = delete;

    FtStatus DeviceCount(int& count) override;
    FtStatus Description(int index, std::string& description) override;
    FtStatus SerialNumber(int index, std::string& serial) override;
    // Opens the bridge at 8 data bits, no parity, 1 stop bit, as the vendor driver does: the
    // chip keeps its data format across the reset of the open.
    FtStatus OpenByDescription(const std::string& description) override;
    FtStatus SetBaudRate(std::uint32_t baud) override;
    FtStatus SetLatencyTimer(std::uint8_t milliseconds) override;
    FtStatus PurgeReceive() override;
    FtStatus SetEventChar(std::optional<std::uint8_t> eventChar) override;
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override;
    FtStatus Read(std::span<std::uint8_t> into, std::uint32_t& got) override;
    FtStatus QueueStatus(std::uint32_t& queued) override;
    // The bridge is closed whenever libftdi1 let go of the device, even where releasing the
    // interface failed because the cable was already gone.
    FtStatus Close() override;
    bool CanWait() const override { return true; }
    FtStatus WaitForQueue(std::uint32_t count, std::chrono::microseconds timeout,
                          std::uint32_t& queued) override;
    // Only a bridge whose product string names the module counts: another USB-serial cable
    // this user may not open is no reason to speak of permissions.
    bool AccessDenied() const override { return accessDenied_; }
    // libusb could not start, or it lists nothing because the system shows it no USB at all.
    bool UsbUnreachable() const override { return ctx_ == nullptr || noDeviceNodes_; }
    bool InUse() const override { return inUse_; }

  private:
    // After a failed open: notes whether the device refuses this user and is the module's.
    void NoteAccess(libusb_device* device);
    // The device's product string as the system shows it without opening the device.
    std::string SysfsProduct(libusb_device* device) const;
    FtStatus Strings(int index, std::string* description, std::string* serial);
    // Reads what the chip sends into the local queue until it holds `wanted` bytes or the chip
    // has nothing more.
    FtStatus Drain(std::size_t wanted);
    void FreeList();

    std::string sysfsDevices_;
    std::string deviceNodes_;
    bool noDeviceNodes_ = false;
    ftdi_context* ctx_ = nullptr;
    ftdi_device_list* list_ = nullptr;
    std::vector<libusb_device*> devices_;
    bool open_ = false;
    bool accessDenied_ = false;
    bool inUse_ = false;
    std::vector<std::uint8_t> received_;
};

}  // namespace vx42
