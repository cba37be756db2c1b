// The window's module service over the module link (a real bridge or the simulator).
#include "session/link_module_service.h"

#include "base/retry.h"
#include "calibration/outputs/live_calibration.h"
#include "device/clock.h"

namespace vx42 {

LinkModuleService::LinkModuleService(std::unique_ptr<Bridge> bridge, Prompt& prompt, bool simulated)
    : link_(std::move(bridge), prompt), simulated_(simulated) {}

bool LinkModuleService::ConnectIfOffline() {
    link_.ConnectIfOffline();
    return link_.Online();
}

void LinkModuleService::Disconnect() {
    link_.Disconnect();
}

std::optional<CalImage> LinkModuleService::RetrieveCalibration(const TransferProgress& progress) {
    CalImage image;
    if (!link_.RetrieveCalibration(image, progress)) return std::nullopt;
    return image;
}

bool LinkModuleService::WriteWholeCalibration(const CalImage& image,
                                              const TransferProgress& progress) {
    return link_.WriteWholeCalibration(image, progress);
}

bool LinkModuleService::WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) {
    return link_.WriteChange(address, bytes);
}

bool LinkModuleService::WriteLiveByte(int address, std::uint8_t value) {
    return Retry(
        kLiveWriteTries, [&] { return link_.Write1ByteDevice(value, address); },
        [&] { Delay(link_.timing().retryPauseMs); });
}

std::optional<std::array<std::uint8_t, 2>> LinkModuleService::Read2BytesRetry(int address) {
    Bytes data;
    if (!link_.Read2BytesRetry(address, data) || data.size() < 2) return std::nullopt;
    return std::array<std::uint8_t, 2>{data[0], data[1]};
}

}  // namespace vx42
