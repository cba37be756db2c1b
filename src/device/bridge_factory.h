#pragma once
// Picks the back end of the link: the vendor library when it loads, libftdi1 otherwise, or the
// module simulator when asked for.

#include <memory>
#include <optional>
#include <string_view>

#include "device/bridge.h"
#include "device/sim/simulator.h"

namespace vx42 {

enum class BridgeKind { Auto, D2xx, Ftdi, Sim };

// "auto", "d2xx", "ftdi" or "sim".
std::optional<BridgeKind> ParseBridgeKind(std::string_view name);
// Auto becomes D2xx when the vendor library loads, Ftdi otherwise.
BridgeKind ResolveBridgeKind(BridgeKind kind);
// The simulator back end uses `simulator`, or a fresh default one when none is given.
std::unique_ptr<Bridge> MakeBridge(BridgeKind kind,
                                   std::shared_ptr<sim::Simulator> simulator = nullptr);

}  // namespace vx42
