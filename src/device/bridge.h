#pragma once
// The transport under the module link: one table of operations that every USB-serial back end
// provides (the vendor driver library, libftdi1, the module simulator). The operations and
// their status codes follow the vendor driver's own, so the link reads the same numbers
// whichever back end carries it.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vx42 {

// Status codes as the vendor driver defines them.
using FtStatus = std::int32_t;
namespace ft {
constexpr FtStatus Ok = 0;
constexpr FtStatus InvalidHandle = 1;
constexpr FtStatus DeviceNotFound = 2;
constexpr FtStatus DeviceNotOpened = 3;
constexpr FtStatus IoError = 4;
constexpr FtStatus InsufficientResources = 5;
constexpr FtStatus InvalidParameter = 6;
constexpr FtStatus InvalidBaudRate = 7;
constexpr FtStatus NotSupported = 17;
constexpr FtStatus OtherError = 18;
}  // namespace ft

// One driver, at most one open device at a time.
class Bridge {
  public:
    virtual ~Bridge() = default;

    // Whether the back end's driver can be used at all (the vendor library loads).
    virtual bool DriverPresent() { return true; }
    // Whether the last listing or open met a bridge that this user is not permitted to open
    // (on Linux: the device node's permissions, which a udev rule grants).
    virtual bool AccessDenied() const { return false; }
    // Whether the driver could not reach USB at all (on Linux: libusb could not start, as in
    // a container without USB devices), so that no listing means anything.
    virtual bool UsbUnreachable() const { return false; }
    // Whether the last open failed because another program has the bridge open.
    virtual bool InUse() const { return false; }
    // Whether another program had the module open since this one last heard of it, so may
    // have written it (known of the simulated module only, by its shared state file). The news
    // is kept until it is taken: an open that goes no further does not use it up.
    virtual bool TakeWrittenElsewhere() { return false; }

    // Number of attached bridges.
    virtual FtStatus DeviceCount(int& count) = 0;
    // USB product description / serial number of the bridge at index.
    virtual FtStatus Description(int index, std::string& description) = 0;
    virtual FtStatus SerialNumber(int index, std::string& serial) = 0;
    // Opens the first bridge whose description equals `description`.
    virtual FtStatus OpenByDescription(const std::string& description) = 0;
    virtual FtStatus SetBaudRate(std::uint32_t baud) = 0;
    virtual FtStatus SetLatencyTimer(std::uint8_t milliseconds) = 0;
    // Discards whatever waits in the receive buffer.
    virtual FtStatus PurgeReceive() = 0;
    // The event character: a byte equal to it, received from the module, makes the bridge hand
    // its buffer to the host at once instead of when the latency timer runs out; none turns it
    // off. NotSupported where the driver offers no such setting.
    virtual FtStatus SetEventChar(std::optional<std::uint8_t> eventChar) {
        (void)eventChar;
        return ft::NotSupported;
    }
    virtual FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) = 0;
    // Reads up to into.size() bytes of what is queued; never waits for more.
    virtual FtStatus Read(std::span<std::uint8_t> into, std::uint32_t& got) = 0;
    // Bytes waiting in the receive queue.
    virtual FtStatus QueueStatus(std::uint32_t& queued) = 0;
    virtual FtStatus Close() = 0;

    // A back end that can block until bytes arrive says so here and implements WaitForQueue;
    // the link polls QueueStatus otherwise.
    virtual bool CanWait() const { return false; }
    // Blocks until at least `count` bytes are queued or the time-out passes; `queued` holds
    // the queue length on return.
    virtual FtStatus WaitForQueue(std::uint32_t count, std::chrono::microseconds timeout,
                                  std::uint32_t& queued) {
        (void)count;
        (void)timeout;
        return QueueStatus(queued);
    }
};

// The module's frame checksum: the sum of the bytes, modulo 256.
constexpr std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) sum += b;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

}  // namespace vx42
