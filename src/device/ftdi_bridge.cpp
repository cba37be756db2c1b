// The open libftdi1 driver as a back end, for Linux machines without the vendor library.
#include "device/ftdi_bridge.h"

#include <ftdi.h>
#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/system_text.h"
#include "device/module_link.h"

namespace vx42 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStringBuffer = 256;
// The longest a single bulk read may wait; the chip answers within its latency timer (at most
// 255 ms, 2 ms as the link sets it), with nothing but its two status bytes when it holds no data.
constexpr int kReadTimeoutMs = 50;
// Ports of a USB device path: the most USB allows.
constexpr int kMaxPorts = 7;

// A bulk read that timed out delivered nothing; it is no fault of the link.
constexpr bool ReadTimedOut(int rc) {
    return rc == LIBUSB_ERROR_TIMEOUT;
}

}  // namespace

bool NodeAccessDenied(const std::string& nodePath) {
    return access(nodePath.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

std::string FtdiBridge::SysfsProduct(libusb_device* device) const {
    std::uint8_t ports[kMaxPorts];
    const int depth = libusb_get_port_numbers(device, ports, kMaxPorts);
    if (depth <= 0) return {};
    std::string name = std::to_string(libusb_get_bus_number(device)) + "-";
    for (int i = 0; i < depth; ++i) {
        if (i > 0) name += '.';
        name += std::to_string(ports[i]);
    }
    std::ifstream in(PathFromUtf8(sysfsDevices_ + "/" + name + "/product"));
    std::string product;
    std::getline(in, product);
    return product;
}

void FtdiBridge::NoteAccess(libusb_device* device) {
    libusb_device_handle* handle = nullptr;
    const int rc = libusb_open(device, &handle);
    if (rc == 0) {
        libusb_close(handle);  // it opens now: it was busy for a moment, not refused
        return;
    }
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", libusb_get_bus_number(device),
                  libusb_get_device_address(device));
    if (rc != LIBUSB_ERROR_ACCESS && !NodeAccessDenied(node)) return;
    if (SysfsProduct(device).find(kModuleDescription) != std::string::npos) accessDenied_ = true;
}

FtdiBridge::FtdiBridge(std::string sysfsDevices, std::string deviceNodes)
    : sysfsDevices_(std::move(sysfsDevices)),
      deviceNodes_(std::move(deviceNodes)),
      ctx_(ftdi_new()) {}

FtdiBridge::~FtdiBridge() {
    if (open_) ftdi_usb_close(ctx_);
    FreeList();
    if (ctx_) ftdi_free(ctx_);
}

void FtdiBridge::FreeList() {
    if (list_) ftdi_list_free(&list_);
    list_ = nullptr;
    devices_.clear();
}

FtStatus FtdiBridge::DeviceCount(int& count) {
    count = 0;
    // libusb could not start: there is no USB to list.
    if (!ctx_) return ft::IoError;
    FreeList();
    accessDenied_ = false;
    const int found = ftdi_usb_find_all(ctx_, &list_, 0, 0);  // the chip's default ids
    if (found < 0) return ft::IoError;
    // Nothing listed where there are no device nodes: not even the root hubs can be seen.
    std::error_code ec;
    noDeviceNodes_ = found == 0 && !std::filesystem::is_directory(PathFromUtf8(deviceNodes_), ec);
    if (noDeviceNodes_) return ft::IoError;
    for (auto* d = list_; d; d = d->next) devices_.push_back(d->dev);
    count = static_cast<int>(devices_.size());
    return ft::Ok;
}

FtStatus FtdiBridge::Strings(int index, std::string* description, std::string* serial) {
    if (!ctx_ || index < 0 || index >= static_cast<int>(devices_.size())) return ft::DeviceNotFound;
    char desc[kStringBuffer] = {};
    char ser[kStringBuffer] = {};
    const int rc = ftdi_usb_get_strings(ctx_, devices_[static_cast<std::size_t>(index)], nullptr, 0,
                                        desc, kStringBuffer, ser, kStringBuffer);
    // The device could not be opened to read its strings: busy or not permitted.
    if (rc == -4 || rc == -7) {
        NoteAccess(devices_[static_cast<std::size_t>(index)]);
        return ft::DeviceNotOpened;
    }
    if (rc < 0) return ft::IoError;
    if (description) *description = desc;
    if (serial) *serial = ser;
    return ft::Ok;
}

FtStatus FtdiBridge::Description(int index, std::string& description) {
    return Strings(index, &description, nullptr);
}

FtStatus FtdiBridge::SerialNumber(int index, std::string& serial) {
    return Strings(index, nullptr, &serial);
}

FtStatus FtdiBridge::OpenByDescription(const std::string& description) {
    if (!ctx_) return ft::DeviceNotFound;
    if (open_) return ft::DeviceNotOpened;
    inUse_ = false;
    if (devices_.empty()) {
        int count = 0;
        if (const FtStatus s = DeviceCount(count); s != ft::Ok) return s;
    }
    for (int i = 0; i < static_cast<int>(devices_.size()); ++i) {
        std::string text;
        if (Strings(i, &text, nullptr) != ft::Ok || text != description) continue;
        const int rc = ftdi_usb_open_dev(ctx_, devices_[static_cast<std::size_t>(i)]);
        if (rc < 0) {
            NoteAccess(devices_[static_cast<std::size_t>(i)]);
            // The interface could not be claimed: another program holds it.
            inUse_ = rc == -5 && !accessDenied_;
            return ft::DeviceNotOpened;
        }
        if (ftdi_set_line_property(ctx_, BITS_8, STOP_BIT_1, NONE) < 0) {
            ftdi_usb_close(ctx_);
            return ft::IoError;
        }
        ctx_->usb_read_timeout = kReadTimeoutMs;
        open_ = true;
        received_.clear();
        return ft::Ok;
    }
    return ft::DeviceNotFound;
}

FtStatus FtdiBridge::SetBaudRate(std::uint32_t baud) {
    if (!open_) return ft::InvalidHandle;
    const int rc = ftdi_set_baudrate(ctx_, static_cast<int>(baud));
    return rc == 0 ? ft::Ok : rc == -1 ? ft::InvalidBaudRate : ft::IoError;
}

FtStatus FtdiBridge::SetLatencyTimer(std::uint8_t milliseconds) {
    if (!open_) return ft::InvalidHandle;
    const int rc = ftdi_set_latency_timer(ctx_, milliseconds);
    return rc == 0 ? ft::Ok : rc == -1 ? ft::InvalidParameter : ft::IoError;
}

FtStatus FtdiBridge::PurgeReceive() {
    if (!open_) return ft::InvalidHandle;
    received_.clear();
    return ftdi_tciflush(ctx_) == 0 ? ft::Ok : ft::IoError;
}

FtStatus FtdiBridge::SetEventChar(std::optional<std::uint8_t> eventChar) {
    if (!open_) return ft::InvalidHandle;
    const int rc = ftdi_set_event_char(ctx_, eventChar.value_or(0), eventChar ? 1 : 0);
    return rc == 0 ? ft::Ok : ft::IoError;
}

FtStatus FtdiBridge::Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) {
    written = 0;
    if (!open_) return ft::InvalidHandle;
    const int rc = ftdi_write_data(ctx_, bytes.data(), static_cast<int>(bytes.size()));
    if (rc < 0) return ft::IoError;
    written = static_cast<std::uint32_t>(rc);
    return ft::Ok;
}

FtStatus FtdiBridge::Drain(std::size_t wanted) {
    std::uint8_t chunk[512];
    const std::size_t size = std::min(sizeof chunk, std::max<std::size_t>(wanted, 1));
    // libftdi1 strips the two status bytes of every packet and stops at a packet that holds
    // nothing else; asking for no more than is wanted saves a read that would only wait for
    // the chip's next empty packet.
    const int rc = ftdi_read_data(ctx_, chunk, static_cast<int>(size));
    if (ReadTimedOut(rc)) return ft::Ok;
    if (rc < 0) return ft::IoError;
    received_.insert(received_.end(), chunk, chunk + rc);
    return ft::Ok;
}

FtStatus FtdiBridge::QueueStatus(std::uint32_t& queued) {
    queued = 0;
    if (!open_) return ft::InvalidHandle;
    const FtStatus status = Drain(512);
    queued = static_cast<std::uint32_t>(received_.size());
    return status;
}

FtStatus FtdiBridge::WaitForQueue(std::uint32_t count, std::chrono::microseconds timeout,
                                  std::uint32_t& queued) {
    queued = 0;
    if (!open_) return ft::InvalidHandle;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        queued = static_cast<std::uint32_t>(received_.size());
        if (queued >= count) return ft::Ok;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return ft::Ok;
        // A read never outlasts the wait: the chip may have nothing at all to say.
        ctx_->usb_read_timeout = static_cast<int>(std::min<long long>(left, kReadTimeoutMs));
        const FtStatus status = Drain(count - queued);
        ctx_->usb_read_timeout = kReadTimeoutMs;
        if (status != ft::Ok) {
            queued = static_cast<std::uint32_t>(received_.size());
            return status;
        }
    }
}

FtStatus FtdiBridge::Read(std::span<std::uint8_t> into, std::uint32_t& got) {
    got = 0;
    if (!open_) return ft::InvalidHandle;
    if (received_.size() < into.size())
        if (const FtStatus s = Drain(into.size() - received_.size()); s != ft::Ok) return s;
    const std::size_t n = std::min(into.size(), received_.size());
    std::copy_n(received_.begin(), n, into.begin());
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(n));
    got = static_cast<std::uint32_t>(n);
    return ft::Ok;
}

FtStatus FtdiBridge::Close() {
    if (!open_) return ft::InvalidHandle;
    // -1: releasing the interface failed (the cable was pulled), but libftdi1 has closed the
    // device all the same; only a missing context leaves it open.
    const int rc = ftdi_usb_close(ctx_);
    if (rc < 0 && rc != -1) return ft::IoError;
    open_ = false;
    received_.clear();
    return ft::Ok;
}

}  // namespace vx42
