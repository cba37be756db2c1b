#pragma once
// The open libftdi1 driver as a back end, for Linux machines without the vendor library.
// libftdi1 has no receive-queue count: what the chip has sent is drained into a local queue
// (one bulk read returns within the latency timer) and counted there.

#include <string>
#include <vector>

#include "device/bridge.h"

struct ftdi_context;
struct ftdi_device_list;
struct libusb_device;

namespace vx42 {

// Whether the USB device node at the path exists but this user may not read and write it.
bool NodeAccessDenied(const std::string& nodePath);

class FtdiBridge : public Bridge {
  public:
    FtdiBridge();
    ~FtdiBridge() override;
    FtdiBridge(const FtdiBridge&) = delete;
    FtdiBridge& operator=(const FtdiBridge&) = delete;

    FtStatus DeviceCount(int& count) override;
    FtStatus Description(int index, std::string& description) override;
    FtStatus SerialNumber(int index, std::string& serial) override;
    FtStatus OpenByDescription(const std::string& description) override;
    FtStatus SetBaudRate(std::uint32_t baud) override;
    FtStatus SetLatencyTimer(std::uint8_t milliseconds) override;
    FtStatus PurgeReceive() override;
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override;
    FtStatus Read(std::span<std::uint8_t> into, std::uint32_t& got) override;
    FtStatus QueueStatus(std::uint32_t& queued) override;
    FtStatus Close() override;
    bool AccessDenied() const override { return accessDenied_; }
    bool InUse() const override { return inUse_; }

  private:
    // Notes whether the device's node refuses this user (after a failed open).
    void NoteAccess(libusb_device* device);
    FtStatus Strings(int index, std::string* description, std::string* serial);
    FtStatus Drain();
    void FreeList();

    ftdi_context* ctx_ = nullptr;
    ftdi_device_list* list_ = nullptr;
    std::vector<libusb_device*> devices_;
    bool open_ = false;
    bool accessDenied_ = false;
    bool inUse_ = false;
    std::vector<std::uint8_t> received_;
};

}  // namespace vx42
