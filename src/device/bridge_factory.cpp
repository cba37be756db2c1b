// Picks the back end of the link: the vendor library, libftdi1 or the simulator.
#include "device/bridge_factory.h"

#include "device/d2xx_bridge.h"
#include "device/sim/sim_bridge.h"
#ifdef VX42_WITH_LIBFTDI1
#include "device/ftdi_bridge.h"
#endif

namespace vx42 {

std::vector<std::string> BridgeKindNames() {
#ifdef VX42_WITH_LIBFTDI1
    return {"auto", "d2xx", "ftdi", "sim"};
#else
    return {"auto", "d2xx", "sim"};
#endif
}

std::optional<BridgeKind> ParseBridgeKind(std::string_view name) {
    if (name == "auto") return BridgeKind::Auto;
    if (name == "d2xx") return BridgeKind::D2xx;
#ifdef VX42_WITH_LIBFTDI1
    if (name == "ftdi") return BridgeKind::Ftdi;
#endif
    if (name == "sim") return BridgeKind::Sim;
    return std::nullopt;
}

BridgeKind ResolveBridgeKind(BridgeKind kind) {
    if (kind != BridgeKind::Auto) return kind;
#ifdef VX42_WITH_LIBFTDI1
    return D2xxLibraryLoads(kD2xxLibraryName) ? BridgeKind::D2xx : BridgeKind::Ftdi;
#else
    // The vendor's driver or nothing: when it is missing, opening says so.
    return BridgeKind::D2xx;
#endif
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
#ifdef VX42_WITH_LIBFTDI1
    return std::make_unique<FtdiBridge>();
#else
    return std::make_unique<D2xxBridge>();
#endif
}

}  // namespace vx42
