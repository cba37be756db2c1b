#pragma once
// The window's module service over the module link (a real bridge or the simulator).

#include <memory>

#include "device/module_link.h"
#include "session/module_service.h"

namespace vx42 {

class LinkModuleService : public ModuleService {
  public:
    // simulated: the bridge is the module simulator (the window says so).
    LinkModuleService(std::unique_ptr<Bridge> bridge, Prompt& prompt, bool simulated);

    ModuleLink& link() { return link_; }
    ModuleLink* DeviceLink() override { return &link_; }

    bool ConnectIfOffline() override;
    void Disconnect() override;
    bool Online() const override { return link_.Online(); }
    bool Simulated() const override { return simulated_; }
    std::string DeviceSerial() const override { return link_.DeviceSerial(); }
    std::string FirmwareVersion() const override { return link_.FirmwareVersion(); }
    bool WrittenElsewhere() const override { return link_.WrittenElsewhere(); }
    std::optional<CalImage> RetrieveCalibration(const TransferProgress& progress) override;
    bool WriteWholeCalibration(const CalImage& image, const TransferProgress& progress) override;
    std::uint64_t Connection() const override { return link_.Connection(); }
    bool WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override;
    void SettleLink() override { link_.SettleLink(); }
    bool WriteLiveByte(int address, std::uint8_t value) override;
    void WriteMarkerCBE0() override { link_.WriteMarkerCBE0(); }
    std::optional<std::array<std::uint8_t, 2>> Read2BytesRetry(int address) override;

  private:
    ModuleLink link_;
    bool simulated_;
};

}  // namespace vx42
