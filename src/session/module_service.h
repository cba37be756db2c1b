#pragma once
// What the window asks of the module. Every call runs on the link's thread (LinkThread),
// one at a time; messages go through the prompt interface with the module's own texts.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "calibration/cal_image.h"

namespace vx42 {

class ModuleLink;

// Progress of a long transfer: bar value, bar maximum, the text under the bar.
using TransferProgress = std::function<void(int value, int maximum, const std::string& text)>;

class ModuleService {
  public:
    virtual ~ModuleService() = default;
    virtual bool ConnectIfOffline() = 0;
    virtual void Disconnect() = 0;
    virtual bool Online() const = 0;
    virtual bool Simulated() const = 0;
    virtual std::string DeviceSerial() const = 0;
    virtual std::string FirmwareVersion() const = 0;
    // Another program had the module open since this one last did (so may have written it).
    virtual bool WrittenElsewhere() const { return false; }
    // The whole calibration, or nothing when a block could not be read (the message was shown).
    virtual std::optional<CalImage> RetrieveCalibration(const TransferProgress& progress) = 0;
    virtual bool WriteWholeCalibration(const CalImage& image, const TransferProgress& progress) = 0;
    // The connection now open (a new number every connect), 0 offline.
    virtual std::uint64_t Connection() const = 0;
    // A confirmed edit; nothing is sent offline. True when the module applied it.
    virtual bool WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) = 0;
    // Lets a running exchange finish and the receive queue drain.
    virtual void SettleLink() = 0;
    // A single-byte write outside the calibration (live gauge calibration), tried up to five
    // times 100 ms apart; a failure is given up silently.
    virtual bool WriteLiveByte(int address, std::uint8_t value) = 0;
    // The marker 0xCB, 0xE0 at 0x38F4 after a message selection was stored: one attempt, a
    // failure is ignored; nothing is sent offline.
    virtual void WriteMarkerCBE0() {}
    // Two bytes read at a module address, tried up to five times; nothing when every try failed.
    virtual std::optional<std::array<std::uint8_t, 2>> Read2BytesRetry(int address) = 0;
    // The link itself, for the procedures that drive it step by step (firmware upgrade, CAN
    // status); null when the service has no module link behind it.
    virtual ModuleLink* DeviceLink() { return nullptr; }
};

// What the link holds of the connection, read on the link's thread.
struct ModuleIdentity {
    bool online = false;
    std::uint64_t connection = 0;
    std::string serial;
    std::string firmware;
    bool writtenElsewhere = false;  // another program had the module since
};
inline ModuleIdentity IdentityOf(const ModuleService& module) {
    if (!module.Online()) return {};
    return {true, module.Connection(), module.DeviceSerial(), module.FirmwareVersion(),
            module.WrittenElsewhere()};
}

}  // namespace vx42
