// Picks the back end of the link: the vendor library, libftdi1 or the simulator.
#include "device/bridge_factory.h"

#include "device/d2xx_bridge.h"
#include "device/ftdi_bridge.h"
#include "device/sim/sim_bridge.h"

namespace vx42 {

std::optional<BridgeKind> ParseBridgeKind(std::string_view name) {
    if (name == "auto") return BridgeKind::Auto;
    if (name == "d2xx") return BridgeKind::D2xx;
    if (name == "ftdi") return BridgeKind::Ftdi;
    if (name == "sim") return BridgeKind::Sim;
    return std::nullopt;
}

BridgeKind ResolveBridgeKind(BridgeKind kind) {
    if (kind != BridgeKind::Auto) return kind;
    return D2xxLibraryLoads(kD2xxLibraryName) ? BridgeKind::D2xx : BridgeKind::Ftdi;
}

std::unique_ptr<Bridge> MakeBridge(BridgeKind kind, std::shared_ptr<sim::Simulator> simulator) {
    switch (ResolveBridgeKind(kind)) {
        case BridgeKind::D2xx:
            return std::make_unique<D2xxBridge>();
        case BridgeKind::Sim:
            if (!simulator) simulator = std::make_shared<sim::Simulator>();
            return std::make_unique<sim::SimBridge>(std::move(simulator));
        case BridgeKind::Ftdi:
        case BridgeKind::Auto:
            break;
    }
    return std::make_unique<FtdiBridge>();
}

}  // namespace vx42
