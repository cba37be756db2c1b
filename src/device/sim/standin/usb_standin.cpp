// A stand-in for the USB host below libftdi1, with the simulator behind it.
#include "device/sim/standin/usb_standin.h"

// libusb's functions are defined here, and must be seen by libftdi1 whatever the visibility
// the rest of this code is built with.
#pragma GCC visibility push(default)
#include <libusb.h>
#pragma GCC visibility pop

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>

#include "base/numbers.h"
#include "base/system_text.h"

// The emulated bus's objects, opaque to libusb's users.
struct libusb_context {
    int unused = 0;
};

struct libusb_device {
    int bridge = -1;  // the simulator's bridge; -1 for a device of another maker
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint8_t address = 0;
    std::uint8_t port = 0;
};

struct libusb_device_handle {
    libusb_device* device = nullptr;
    int simHandle = 0;  // while the interface is claimed
};

namespace vx42::sim::usb {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kFtdiVendor = 0x0403;
constexpr std::uint16_t kChipRelease = 0x0600;  // the R series: one interface, 64-byte packets
constexpr std::uint8_t kInEndpoint = 0x81;
constexpr std::uint8_t kOutEndpoint = 0x02;
constexpr int kPacketSize = 64;
constexpr int kStatusBytes = 2;
// Modem status (CTS and DSR clear, the fixed bit set) and line status (transmitter empty).
constexpr std::uint8_t kModemStatus = 0x01;
constexpr std::uint8_t kLineStatus = 0x60;
constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kVendorIn = 0xC0;
constexpr std::uint8_t kGetLatencyTimer = 0x0A;
constexpr std::uint8_t kPollModemStatus = 0x05;

struct Chip {
    libusb_device device;
    ChipSetup setup;
    std::vector<ControlRequest> requests;
};

struct Bus {
    std::mutex mutex;
    std::shared_ptr<Simulator> sim;
    BusSetup setup;
    std::deque<Chip> chips;  // stable addresses: libusb_device pointers point into it
    std::deque<libusb_device> others;
    bool configured = false;
};

Bus& TheBus() {
    static Bus bus;
    return bus;
}

void Populate(Bus& bus, std::shared_ptr<Simulator> sim, BusSetup setup) {
    bus.sim = std::move(sim);
    bus.setup = std::move(setup);
    bus.chips.clear();
    bus.others.clear();
    const int count = bus.sim ? bus.sim->BridgeCount() : 0;
    for (int i = 0; i < count; ++i) {
        Chip chip;
        if (i < static_cast<int>(bus.setup.chips.size()))
            chip.setup = bus.setup.chips[static_cast<std::size_t>(i)];
        chip.device = {i, kFtdiVendor, chip.setup.product, static_cast<std::uint8_t>(10 + i),
                       static_cast<std::uint8_t>(i + 1)};
        bus.chips.push_back(std::move(chip));
    }
    for (int i = 0; i < bus.setup.otherDevices; ++i)
        bus.others.push_back({-1, 0x046D, static_cast<std::uint16_t>(0xC52B + i),
                              static_cast<std::uint8_t>(40 + i), static_cast<std::uint8_t>(8 + i)});
    bus.configured = true;
}

// The bus, set up from the environment when no test attached one.
Bus& Configured() {
    Bus& bus = TheBus();
    std::lock_guard lock(bus.mutex);
    if (!bus.configured) {
        SimConfig config;
        BusSetup setup;
        try {
            if (const auto text = EnvironmentVariable("VX42_SIM_CONFIG"))
                if (auto parsed = ParseSimConfig(*text)) config = std::move(*parsed);
            if (const auto text = EnvironmentVariable("VX42_USB_CONFIG"))
                setup = ParseBusSetup(*text);
        } catch (const std::exception&) {
        }
        Populate(bus, std::make_shared<Simulator>(std::move(config)), std::move(setup));
    }
    return bus;
}

Chip* ChipOf(Bus& bus, const libusb_device* device) {
    if (!device || device->bridge < 0 || device->bridge >= static_cast<int>(bus.chips.size()))
        return nullptr;
    return &bus.chips[static_cast<std::size_t>(device->bridge)];
}

bool Plugged(Bus& bus, const libusb_device* device) {
    return device && (device->bridge < 0 || bus.sim->IsPlugged(device->bridge));
}

int FromStatus(FtStatus status) {
    if (status == ft::Ok) return LIBUSB_SUCCESS;
    return status == ft::IoError ? LIBUSB_ERROR_NO_DEVICE : LIBUSB_ERROR_IO;
}

int Index(std::string_view text, const std::string& key) {
    if (const auto index = ReadUnsigned(text, 10, 255)) return static_cast<int>(*index);
    throw std::invalid_argument("USB bus setting " + key + ": not a chip number");
}

// Sends bytes to the module: only a line at 8N1 carries them; at another format the module
// sees framing errors and answers nothing.
int BulkOut(Bus& bus, libusb_device_handle* handle, const unsigned char* data, int length,
            int* transferred) {
    Chip* chip = ChipOf(bus, handle->device);
    if (!chip) return LIBUSB_ERROR_NOT_SUPPORTED;
    if (!Plugged(bus, handle->device)) return LIBUSB_ERROR_NO_DEVICE;
    std::uint32_t written = static_cast<std::uint32_t>(length);
    if (chip->setup.line == kLine8N1) {
        const FtStatus status = bus.sim->Write(
            handle->simHandle, std::span(data, static_cast<std::size_t>(length)), written);
        if (status != ft::Ok) return FromStatus(status);
    }
    if (transferred) *transferred = static_cast<int>(written);
    return LIBUSB_SUCCESS;
}

// Packs what has reached the chip into packets of the two status bytes and up to 62 data
// bytes; waits for data until the latency timer runs out (then the status bytes alone) or the
// transfer's time-out passes.
int BulkIn(Bus& bus, libusb_device_handle* handle, unsigned char* data, int length,
           int* transferred, unsigned int timeoutMs) {
    if (transferred) *transferred = 0;
    if (!ChipOf(bus, handle->device)) return LIBUSB_ERROR_NOT_SUPPORTED;
    if (length < kStatusBytes) return LIBUSB_ERROR_OVERFLOW;
    const int bridge = handle->device->bridge;
    const auto start = Clock::now();
    const auto latencyEnd = start + std::chrono::milliseconds(bus.sim->LatencyTimer(bridge));
    const auto deadline =
        timeoutMs == 0 ? Clock::time_point::max() : start + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!Plugged(bus, handle->device)) return LIBUSB_ERROR_NO_DEVICE;
        std::uint32_t queued = 0;
        if (const FtStatus s = bus.sim->QueueStatus(handle->simHandle, queued); s != ft::Ok)
            return FromStatus(s);
        const auto now = Clock::now();
        if (queued > 0 || (bus.setup.statusPackets && now >= latencyEnd)) {
            int used = 0;
            do {
                data[used] = kModemStatus;
                data[used + 1] = kLineStatus;
                const int room = std::min(kPacketSize, length - used) - kStatusBytes;
                std::uint32_t got = 0;
                const auto take = std::min<std::uint32_t>(queued, static_cast<std::uint32_t>(room));
                bus.sim->Read(handle->simHandle,
                              std::span(data + used + kStatusBytes, static_cast<std::size_t>(take)),
                              got);
                queued -= got;
                used += kStatusBytes + static_cast<int>(got);
                // A packet shorter than the chip's size ends the transfer.
                if (static_cast<int>(got) < room) break;
            } while (queued > 0 && used + kStatusBytes < length);
            if (transferred) *transferred = used;
            return LIBUSB_SUCCESS;
        }
        if (now >= deadline) return LIBUSB_ERROR_TIMEOUT;
        const auto wake = bus.setup.statusPackets ? std::min(latencyEnd, deadline) : deadline;
        bus.sim->WaitForQueue(handle->simHandle, 1,
                              std::chrono::duration_cast<std::chrono::microseconds>(wake - now) +
                                  std::chrono::microseconds(1),
                              queued);
    }
}

int VendorRequest(Bus& bus, libusb_device_handle* handle, std::uint8_t requestType,
                  std::uint8_t bRequest, std::uint16_t value, std::uint16_t index,
                  unsigned char* data, std::uint16_t length) {
    Chip* chip = ChipOf(bus, handle->device);
    if (!chip) return LIBUSB_ERROR_PIPE;
    if (!Plugged(bus, handle->device)) return LIBUSB_ERROR_NO_DEVICE;
    {
        std::lock_guard lock(bus.mutex);
        chip->requests.push_back({requestType, bRequest, value, index});
    }
    const int h = handle->simHandle;
    if (requestType == kVendorIn) {
        if (bRequest == kGetLatencyTimer && length >= 1) {
            data[0] = static_cast<unsigned char>(bus.sim->LatencyTimer(chip->device.bridge));
            return 1;
        }
        if (bRequest == kPollModemStatus && length >= 2) {
            data[0] = kModemStatus;
            data[1] = kLineStatus;
            return 2;
        }
        return LIBUSB_ERROR_PIPE;
    }
    if (requestType != kVendorOut) return LIBUSB_ERROR_PIPE;
    FtStatus status = ft::Ok;
    switch (bRequest) {
        case request::Reset:
            // A reset empties the chip's buffers but keeps its data format.
            if (value == 0 || value == 2) status = bus.sim->Purge(h);
            break;
        case request::BaudRate:
            status = bus.sim->SetBaudRate(
                h, static_cast<std::uint32_t>(std::lround(BaudFromDivisor(value, index))));
            break;
        case request::Data: {
            std::lock_guard lock(bus.mutex);
            chip->setup.line = static_cast<std::uint16_t>(value & 0x3FFF);  // without the break
            break;
        }
        case request::EventChar:
            status = bus.sim->SetEventChar(
                h, (value & 0x100) != 0 ? std::optional<std::uint8_t>(value & 0xFF) : std::nullopt);
            break;
        case request::LatencyTimer:
            status = bus.sim->SetLatencyTimer(h, static_cast<std::uint8_t>(value & 0xFF));
            break;
        case request::ModemControl:
        case request::FlowControl:
            break;
        default:
            return LIBUSB_ERROR_PIPE;
    }
    return status == ft::Ok ? 0 : FromStatus(status);
}

}  // namespace

BusSetup ParseBusSetup(std::string_view text) {
    BusSetup setup;
    auto chip = [&](int index) -> ChipSetup& {
        if (index < 0 || index > 64) throw std::invalid_argument("USB bus setting: no such chip");
        if (static_cast<int>(setup.chips.size()) <= index)
            setup.chips.resize(static_cast<std::size_t>(index) + 1);
        return setup.chips[static_cast<std::size_t>(index)];
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = std::min(text.find(';', pos), text.size());
        const std::string item(text.substr(pos, end - pos));
        pos = end + 1;
        if (item.empty()) continue;
        const auto eq = item.find('=');
        if (eq == std::string::npos) throw std::invalid_argument("USB bus setting: " + item);
        const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        const auto colon = value.find(':');
        const std::string after = colon == std::string::npos ? "" : value.substr(colon + 1);
        if (key == "usb") {
            setup.usbUnreachable = value == "off";
        } else if (key == "status-packets") {
            setup.statusPackets = value != "off";
        } else if (key == "others") {
            setup.otherDevices = Index(value, key);
        } else if (key == "deny") {
            chip(Index(value, key)).accessDenied = true;
        } else if (key == "kernel-driver") {
            chip(Index(value, key)).kernelDriver = true;
        } else if (key == "line" && (after == "7E1" || after == "8N1")) {
            chip(Index(value.substr(0, colon), key)).line = after == "7E1" ? kLine7E1 : kLine8N1;
        } else if (key == "product" && ReadUnsigned(after, 16, 0xFFFF)) {
            chip(Index(value.substr(0, colon), key)).product =
                static_cast<std::uint16_t>(*ReadUnsigned(after, 16, 0xFFFF));
        } else {
            throw std::invalid_argument("unknown USB bus setting: " + item);
        }
    }
    return setup;
}

void Attach(std::shared_ptr<Simulator> simulator, BusSetup setup) {
    Bus& bus = TheBus();
    std::lock_guard lock(bus.mutex);
    Populate(bus, std::move(simulator), std::move(setup));
}

void Detach() {
    Attach(nullptr);
}

std::vector<ControlRequest> Requests(int bridge) {
    Bus& bus = Configured();
    std::lock_guard lock(bus.mutex);
    return bus.chips.at(static_cast<std::size_t>(bridge)).requests;
}

std::uint16_t Line(int bridge) {
    Bus& bus = Configured();
    std::lock_guard lock(bus.mutex);
    return bus.chips.at(static_cast<std::size_t>(bridge)).setup.line;
}

bool KernelDriverAttached(int bridge) {
    Bus& bus = Configured();
    std::lock_guard lock(bus.mutex);
    return bus.chips.at(static_cast<std::size_t>(bridge)).setup.kernelDriver;
}

double BaudFromDivisor(std::uint16_t value, std::uint16_t index) {
    // 14 bits of whole divisor, then a fraction in eighths coded in 3 bits (the top two bits
    // of the value and the low bit of the index); the chip's clock is 3 MHz.
    static constexpr int kEighths[8] = {0, 4, 2, 1, 3, 5, 6, 7};
    const int whole = value & 0x3FFF;
    const int code = ((value >> 14) & 0x3) | ((index & 0x1) << 2);
    const int eighths = whole * 8 + kEighths[code];
    if (eighths == 0) return 3000000.0;  // the two special divisors
    if (eighths == 8) return 2000000.0;
    return 3000000.0 * 8.0 / eighths;
}

}  // namespace vx42::sim::usb

// libusb's functions, as libftdi1 and the libftdi1 back end call them.

using namespace vx42::sim::usb;

extern "C" {

int libusb_init(libusb_context** ctx) {
    if (Configured().setup.usbUnreachable) return LIBUSB_ERROR_OTHER;
    if (ctx) *ctx = new libusb_context;
    return LIBUSB_SUCCESS;
}

void libusb_exit(libusb_context* ctx) {
    delete ctx;
}

ssize_t libusb_get_device_list(libusb_context* /*ctx*/, libusb_device*** list) {
    auto& bus = Configured();
    std::vector<libusb_device*> present;
    for (auto& chip : bus.chips)
        if (bus.sim->IsPlugged(chip.device.bridge)) present.push_back(&chip.device);
    for (auto& other : bus.others) present.push_back(&other);
    auto** out = new libusb_device*[present.size() + 1];
    std::copy(present.begin(), present.end(), out);
    out[present.size()] = nullptr;
    *list = out;
    return static_cast<ssize_t>(present.size());
}

void libusb_free_device_list(libusb_device** list, int /*unref_devices*/) {
    delete[] list;
}

libusb_device* libusb_ref_device(libusb_device* dev) {
    return dev;
}

void libusb_unref_device(libusb_device* /*dev*/) {}

int libusb_get_device_descriptor(libusb_device* dev, struct libusb_device_descriptor* desc) {
    *desc = {};
    desc->bLength = LIBUSB_DT_DEVICE_SIZE;
    desc->bDescriptorType = LIBUSB_DT_DEVICE;
    desc->bcdUSB = 0x0200;
    desc->bMaxPacketSize0 = 8;
    desc->idVendor = dev->vendor;
    desc->idProduct = dev->product;
    desc->bcdDevice = kChipRelease;
    desc->iManufacturer = 1;
    desc->iProduct = 2;
    desc->iSerialNumber = 3;
    desc->bNumConfigurations = 1;
    return LIBUSB_SUCCESS;
}

namespace {
// One configuration, one interface, a bulk pair of 64-byte packets.
struct ConfigStorage {
    libusb_config_descriptor config{};
    libusb_interface interface {};
    libusb_interface_descriptor setting{};
    libusb_endpoint_descriptor endpoints[2]{};
};
}  // namespace

int libusb_get_config_descriptor(libusb_device* /*dev*/, uint8_t config_index,
                                 struct libusb_config_descriptor** config) {
    if (config_index != 0) return LIBUSB_ERROR_NOT_FOUND;
    auto* s = new ConfigStorage;
    for (int i = 0; i < 2; ++i) {
        s->endpoints[i].bLength = LIBUSB_DT_ENDPOINT_SIZE;
        s->endpoints[i].bDescriptorType = LIBUSB_DT_ENDPOINT;
        s->endpoints[i].bEndpointAddress = i == 0 ? kInEndpoint : kOutEndpoint;
        s->endpoints[i].bmAttributes = LIBUSB_TRANSFER_TYPE_BULK;
        s->endpoints[i].wMaxPacketSize = kPacketSize;
    }
    s->setting.bLength = LIBUSB_DT_INTERFACE_SIZE;
    s->setting.bDescriptorType = LIBUSB_DT_INTERFACE;
    s->setting.bNumEndpoints = 2;
    s->setting.bInterfaceClass = LIBUSB_CLASS_VENDOR_SPEC;
    s->setting.endpoint = s->endpoints;
    s->interface.altsetting = &s->setting;
    s->interface.num_altsetting = 1;
    s->config.bLength = LIBUSB_DT_CONFIG_SIZE;
    s->config.bDescriptorType = LIBUSB_DT_CONFIG;
    s->config.bNumInterfaces = 1;
    s->config.bConfigurationValue = 1;
    s->config.MaxPower = 45;
    s->config.interface = &s->interface;
    *config = &s->config;
    return LIBUSB_SUCCESS;
}

void libusb_free_config_descriptor(struct libusb_config_descriptor* config) {
    // The configuration is the storage's first member.
    delete reinterpret_cast<ConfigStorage*>(config);
}

uint8_t libusb_get_bus_number(libusb_device* /*dev*/) {
    return 1;
}

uint8_t libusb_get_device_address(libusb_device* dev) {
    return dev->address;
}

int libusb_get_port_numbers(libusb_device* dev, uint8_t* port_numbers, int port_numbers_len) {
    if (port_numbers_len < 1) return LIBUSB_ERROR_OVERFLOW;
    port_numbers[0] = dev->port;
    return 1;
}

int libusb_open(libusb_device* dev, libusb_device_handle** dev_handle) {
    auto& bus = Configured();
    if (!Plugged(bus, dev)) return LIBUSB_ERROR_NO_DEVICE;
    const auto* chip = ChipOf(bus, dev);
    if (chip && chip->setup.accessDenied) return LIBUSB_ERROR_ACCESS;
    *dev_handle = new libusb_device_handle{dev, 0};
    return LIBUSB_SUCCESS;
}

void libusb_close(libusb_device_handle* dev_handle) {
    if (!dev_handle) return;
    if (dev_handle->simHandle != 0) Configured().sim->Close(dev_handle->simHandle);
    delete dev_handle;
}

int libusb_get_string_descriptor_ascii(libusb_device_handle* dev_handle, uint8_t desc_index,
                                       unsigned char* data, int length) {
    auto& bus = Configured();
    if (!Plugged(bus, dev_handle->device)) return LIBUSB_ERROR_NO_DEVICE;
    const int bridge = dev_handle->device->bridge;
    std::string text;
    if (desc_index == 1) {
        text = bridge < 0 ? "Logitech" : "FTDI";
    } else if (desc_index == 2) {
        text = bridge < 0 ? "USB Receiver" : bus.sim->SetupOf(bridge).description;
    } else if (desc_index == 3) {
        if (bridge >= 0) text = bus.sim->SetupOf(bridge).serial;
    } else {
        return LIBUSB_ERROR_INVALID_PARAM;
    }
    if (length <= 0) return LIBUSB_ERROR_INVALID_PARAM;
    const int n = std::min(static_cast<int>(text.size()), length - 1);
    std::memcpy(data, text.data(), static_cast<std::size_t>(n));
    data[n] = 0;
    return n;
}

int libusb_get_configuration(libusb_device_handle* /*dev*/, int* config) {
    *config = 1;
    return LIBUSB_SUCCESS;
}

int libusb_set_configuration(libusb_device_handle* /*dev*/, int configuration) {
    return configuration == 1 ? LIBUSB_SUCCESS : LIBUSB_ERROR_NOT_FOUND;
}

int libusb_detach_kernel_driver(libusb_device_handle* dev_handle, int /*interface_number*/) {
    auto& bus = Configured();
    if (!Plugged(bus, dev_handle->device)) return LIBUSB_ERROR_NO_DEVICE;
    auto* chip = ChipOf(bus, dev_handle->device);
    std::lock_guard lock(bus.mutex);
    if (!chip || !chip->setup.kernelDriver) return LIBUSB_ERROR_NOT_FOUND;
    chip->setup.kernelDriver = false;
    return LIBUSB_SUCCESS;
}

int libusb_set_auto_detach_kernel_driver(libusb_device_handle* /*dev*/, int /*enable*/) {
    return LIBUSB_SUCCESS;
}

int libusb_claim_interface(libusb_device_handle* dev_handle, int interface_number) {
    auto& bus = Configured();
    if (!Plugged(bus, dev_handle->device)) return LIBUSB_ERROR_NO_DEVICE;
    auto* chip = ChipOf(bus, dev_handle->device);
    if (!chip || interface_number != 0) return LIBUSB_ERROR_NOT_FOUND;
    if (KernelDriverAttached(chip->device.bridge)) return LIBUSB_ERROR_BUSY;
    if (dev_handle->simHandle != 0) return LIBUSB_SUCCESS;
    const vx42::FtStatus status =
        bus.sim->Open(bus.sim->SetupOf(chip->device.bridge).description, dev_handle->simHandle);
    return status == vx42::ft::Ok ? LIBUSB_SUCCESS : LIBUSB_ERROR_BUSY;
}

int libusb_release_interface(libusb_device_handle* dev_handle, int /*interface_number*/) {
    auto& bus = Configured();
    if (dev_handle->simHandle == 0) return LIBUSB_ERROR_NOT_FOUND;
    const vx42::FtStatus status = bus.sim->Close(dev_handle->simHandle);
    dev_handle->simHandle = 0;
    return FromStatus(status);
}

int libusb_control_transfer(libusb_device_handle* dev_handle, uint8_t request_type,
                            uint8_t bRequest, uint16_t wValue, uint16_t wIndex, unsigned char* data,
                            uint16_t wLength, unsigned int /*timeout*/) {
    return VendorRequest(Configured(), dev_handle, request_type, bRequest, wValue, wIndex, data,
                         wLength);
}

int libusb_bulk_transfer(libusb_device_handle* dev_handle, unsigned char endpoint,
                         unsigned char* data, int length, int* transferred, unsigned int timeout) {
    auto& bus = Configured();
    if (dev_handle->simHandle == 0) return LIBUSB_ERROR_IO;  // the interface is not claimed
    if (endpoint == kOutEndpoint) return BulkOut(bus, dev_handle, data, length, transferred);
    if (endpoint == kInEndpoint) return BulkIn(bus, dev_handle, data, length, transferred, timeout);
    return LIBUSB_ERROR_PIPE;
}

// libftdi1's asynchronous transfers are not used by the tool.
struct libusb_transfer* libusb_alloc_transfer(int /*iso_packets*/) {
    return nullptr;
}

void libusb_free_transfer(struct libusb_transfer* /*transfer*/) {}

int libusb_submit_transfer(struct libusb_transfer* /*transfer*/) {
    return LIBUSB_ERROR_NOT_SUPPORTED;
}

int libusb_cancel_transfer(struct libusb_transfer* /*transfer*/) {
    return LIBUSB_ERROR_NOT_FOUND;
}

int libusb_handle_events_timeout(libusb_context* /*ctx*/, struct timeval* /*tv*/) {
    return LIBUSB_ERROR_NOT_SUPPORTED;
}

int libusb_handle_events_timeout_completed(libusb_context* /*ctx*/, struct timeval* /*tv*/,
                                           int* /*completed*/) {
    return LIBUSB_ERROR_NOT_SUPPORTED;
}

}  // extern "C"
