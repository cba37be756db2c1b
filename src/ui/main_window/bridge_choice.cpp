// Which bridge the window talks through.
#include "ui/main_window/bridge_choice.h"

#include <filesystem>

#include "calibration/cal_image.h"
#include "device/bridge_factory.h"
#include "files/calibration_file.h"
#include "files/paths.h"

namespace vx42 {

std::unique_ptr<Bridge> ChooseBridge(bool simulator, const std::string& sharedFolder,
                                     const std::string& statePath) {
    if (!simulator) return MakeBridge(BridgeKind::Auto);
    sim::SimConfig config;
    config.statePath = statePath;
    config.timing.enabled = true;
    // Traffic on the demonstration's harness: output 1's message arrives steadily, output
    // 2's comes and goes, as while a connector is being wired.
    config.canTraffic = {{0, {0x0101}}, {2, {0, 0, 0x0101, 0x0101, 0x0101}}};
    const bool fresh = !FileExists(statePath);
    auto sim = std::make_shared<sim::Simulator>(config);
    const std::string demo = JoinPath(sharedFolder, "Demo.DVF");
    if (fresh && FileExists(demo)) {
        const auto read = ReadCalibrationFile(demo);
        sim->Module().Write(kCalBaseAddress, read.image.bytes());
        sim->SaveState();
    }
    return MakeBridge(BridgeKind::Sim, sim);
}

}  // namespace vx42
