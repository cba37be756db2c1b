#include "device/ftdi_bridge.h"

#include <ftdi.h>
#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace vx42 {
namespace {

constexpr int kStringBuffer = 256;
constexpr int kReadTimeoutMs = 50;

}  // namespace

bool NodeAccessDenied(const std::string& nodePath) {
    return access(nodePath.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

void FtdiBridge::NoteAccess(libusb_device* device) {
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", libusb_get_bus_number(device),
                  libusb_get_device_address(device));
    if (NodeAccessDenied(node)) accessDenied_ = true;
}

FtdiBridge::FtdiBridge() : ctx_(ftdi_new()) {}

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
    // Without a USB context there is no bridge this driver can reach.
    if (!ctx_) return ft::Ok;
    FreeList();
    accessDenied_ = false;
    const int found = ftdi_usb_find_all(ctx_, &list_, 0, 0);  // the chip's default ids
    if (found < 0) return ft::IoError;
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

FtStatus FtdiBridge::Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) {
    written = 0;
    if (!open_) return ft::InvalidHandle;
    const int rc = ftdi_write_data(ctx_, bytes.data(), static_cast<int>(bytes.size()));
    if (rc < 0) return ft::IoError;
    written = static_cast<std::uint32_t>(rc);
    return ft::Ok;
}

FtStatus FtdiBridge::Drain() {
    std::uint8_t chunk[512];
    const int rc = ftdi_read_data(ctx_, chunk, sizeof chunk);
    if (rc < 0) return ft::IoError;
    received_.insert(received_.end(), chunk, chunk + rc);
    return ft::Ok;
}

FtStatus FtdiBridge::QueueStatus(std::uint32_t& queued) {
    queued = 0;
    if (!open_) return ft::InvalidHandle;
    const FtStatus status = Drain();
    queued = static_cast<std::uint32_t>(received_.size());
    return status;
}

FtStatus FtdiBridge::Read(std::span<std::uint8_t> into, std::uint32_t& got) {
    got = 0;
    if (!open_) return ft::InvalidHandle;
    if (received_.size() < into.size())
        if (const FtStatus s = Drain(); s != ft::Ok) return s;
    const std::size_t n = std::min(into.size(), received_.size());
    std::copy_n(received_.begin(), n, into.begin());
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(n));
    got = static_cast<std::uint32_t>(n);
    return ft::Ok;
}

FtStatus FtdiBridge::Close() {
    if (!open_) return ft::InvalidHandle;
    const int rc = ftdi_usb_close(ctx_);
    if (rc < 0) return ft::IoError;
    open_ = false;
    received_.clear();
    return ft::Ok;
}

}  // namespace vx42
