// The link to the VX42 module: the connection through a USB-serial bridge and its state.
#include "device/module_link.h"

#include "device/clock.h"

namespace vx42 {
namespace {

std::string WithCode(const std::string& text, FtStatus status) {
    return text + std::to_string(status);
}

// Added below the driver's own messages on Linux, where the open driver stands in and a
// udev rule grants access to the bridge.
#ifdef __linux__
constexpr const char* kDriverMissingNote =
    "\r\n\r\nThe vendor's driver library (libftd2xx.so) is not installed on this computer; "
    "the tool uses libftdi1 instead when it chooses the driver itself (--device auto).";
constexpr const char* kAccessDeniedNote =
    "\r\n\r\nThis is a permission problem: the cable is attached, but this user may not open "
    "it.\r\nThe udev rule 60-vx42-bridge.rules gives the logged-in user access. It comes with "
    "the tool's package:\r\n    sudo apt install ./vx42-configurator_*.deb\r\nor, from a "
    "build of the tool:\r\n    sudo install -m 644 packaging/60-vx42-bridge.rules "
    "/etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm trigger\r\nThen "
    "unplug the cable and plug it in again.";
constexpr const char* kUsbUnreachableNote =
    "\r\n\r\nUSB could not be reached: libusb could not start on this computer or sees no USB "
    "at all, so no cable can be seen. Is /dev/bus/usb there (a container or sandbox may hide "
    "it)?";
#else
constexpr const char* kDriverMissingNote = "";
constexpr const char* kAccessDeniedNote = "";
constexpr const char* kUsbUnreachableNote = "";
#endif
constexpr const char* kInUseNote =
    "\r\n\r\nThe module is in use: another program is connected to it (another VX42 or VX42 "
    "Relay Control window, or vx42ctl). Disconnect it there or close that program, then "
    "connect again.";

}  // namespace

ModuleLink::ModuleLink(std::unique_ptr<Bridge> bridge, Prompt& prompt, LinkClock& clock)
    : bridge_(std::move(bridge)), prompt_(prompt), clock_(clock) {}

ModuleLink::~ModuleLink() {
    if (deviceOpen_) bridge_->Close();
}

std::string ModuleLink::DeviceSerial() const {
    std::lock_guard lock(state_);
    return deviceSerial_;
}

std::string ModuleLink::FirmwareVersion() const {
    std::lock_guard lock(state_);
    return firmwareVersion_;
}

FtStatus ModuleLink::Track(FtStatus status) {
    ftStatus_ = status;
    return status;
}

void ModuleLink::ShowConnectionError(const std::string& text) {
    prompt_.Message(text, kConnectionErrorTitle, Icon::Exclamation);
}

bool ModuleLink::OpenDevice(const std::string& wanted, std::string& error) {
    std::lock_guard lock(exchange_);
    // A device that an interrupted operation left open is closed before it is opened again.
    if (deviceOpen_ && Track(bridge_->Close()) == ft::Ok) deviceOpen_ = false;
    if (!bridge_->DriverPresent()) {
        error =
            "Driver DLL not found.\r\n"
            "If the communication cable has never been plugged into this computer do so now.\r\n"
            "If the cable has been plugged in check device manager to make sure the driver has "
            "installed correctly.";
        error += kDriverMissingNote;
        return false;
    }
    if (OpenMatching(wanted, error)) return true;
    if (bridge_->UsbUnreachable()) error += kUsbUnreachableNote;
    if (bridge_->AccessDenied())
        error += kAccessDeniedNote;
    else if (bridge_->InUse())
        error += kInUseNote;
    return false;
}

bool ModuleLink::OpenMatching(const std::string& wanted, std::string& error) {
    std::string description;
    int match = -1;
    for (int pass = 0; pass < 5 && match < 0; ++pass) {
        int count = 0;
        const FtStatus listed = Track(bridge_->DeviceCount(count));
        if (listed != ft::Ok) {
            error = WithCode("Failed to get a list of USB devices. Error Code:", listed);
            return false;
        }
        if (count <= 0) {
            error = "No Dialvane found.";
            return false;
        }
        for (int index = 0; index < count; ++index) {
            const FtStatus status = Track(bridge_->Description(index, description));
            if (status == ft::Ok && description.find(wanted) != std::string::npos) {
                match = index;
                break;
            }
            if (status == ft::Ok) {
                error = WithCode("The Dialvane could not be found. Error Code: ", status);
            } else if (status == ft::DeviceNotOpened) {
                clock_.SleepSeconds(timing_.stillFailedSeconds);
                error = WithCode("Still failed. Error Code:", status);
            } else {
                error = WithCode("List device failed. Error Code:", status);
            }
        }
    }
    if (match < 0) return false;

    std::string serial;
    const bool haveSerial = Track(bridge_->SerialNumber(match, serial)) == ft::Ok;
    {
        std::lock_guard state(state_);
        deviceSerial_ = haveSerial ? serial.substr(0, 8) : std::string();
    }
    const FtStatus opened = Track(bridge_->OpenByDescription(description));
    if (opened != ft::Ok) {
        error = WithCode("The Dialvane could not be opened. Error Code: ", opened);
        return false;
    }
    deviceOpen_ = true;
    return true;
}

bool ModuleLink::ConfigureDevice(std::uint32_t baud, std::string& error) {
    std::lock_guard lock(exchange_);
    const FtStatus speed = Track(bridge_->SetBaudRate(baud));
    if (speed != ft::Ok) {
        error = WithCode("Failed to Set USB Speed. Error Code:", speed);
        return false;
    }
    baud_ = baud;
    const FtStatus latency = Track(bridge_->SetLatencyTimer(kLatencyTimerMs));
    if (latency != ft::Ok) {
        error = WithCode("Failed to Set USB Latency. Error Code:", latency);
        return false;
    }
    return true;
}

bool ModuleLink::CloseDevice(std::string& error) {
    std::lock_guard lock(exchange_);
    // A link already closed (an upgrade closes the one it used) has nothing left to close.
    if (!deviceOpen_) return true;
    const FtStatus status = Track(bridge_->Close());
    if (status != ft::Ok) {
        error = WithCode("Failed to close USB. Error Code:", status);
        return false;
    }
    deviceOpen_ = false;
    return true;
}

bool ModuleLink::OpenForUpgrade() {
    std::string error;
    if (!OpenDevice(kModuleDescription, error)) {
        ShowConnectionError(error);
        return false;
    }
    if (!ConfigureDevice(kLineSpeed, error)) {
        std::string ignored;
        CloseDevice(ignored);
        ShowConnectionError(error);
        return false;
    }
    return true;
}

bool ModuleLink::ConnectModule() {
    if (!OpenForUpgrade()) return false;
    if (Attempts(5, timing_.retryPauseMs, [this] { return GetFirmwareDevice(); })) {
        writtenElsewhere_ = bridge_->TakeWrittenElsewhere();
        return true;
    }
    std::string ignored;
    CloseDevice(ignored);
    ShowConnectionError("Get Firmware Version Failed");
    return false;
}

FtStatus ModuleLink::SetEventChar(std::optional<std::uint8_t> eventChar) {
    std::lock_guard lock(exchange_);
    if (!deviceOpen_) return ft::InvalidHandle;
    return bridge_->SetEventChar(eventChar);
}

void ModuleLink::Disconnect() {
    std::string error;
    if (!CloseDevice(error)) {
        ShowConnectionError(error);
        return;
    }
    online_ = false;
}

void ModuleLink::ConnectIfOffline() {
    if (online_) return;
    if (ConnectModule()) {
        ++connection_;
        online_ = true;
    }
}

}  // namespace vx42
