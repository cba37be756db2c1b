#pragma once
// Picks the back end of the link: the vendor library when it loads, libftdi1 otherwise, or the
// module simulator when asked for.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/bridge.h"
#include "device/sim/simulator.h"

namespace vx42 {

enum class BridgeKind { Auto, D2xx, Ftdi, Sim };

// The back ends this build has, by name: "auto", "d2xx", "ftdi" (where libftdi1 is) and "sim".
std::vector<std::string> BridgeKindNames();
// One of those names; nothing for any other.
std::optional<BridgeKind> ParseBridgeKind(std::string_view name);
// Auto becomes D2xx when the vendor library loads, Ftdi otherwise; D2xx without libftdi1.
BridgeKind ResolveBridgeKind(BridgeKind kind);
// The simulator back end uses `simulator`, or a fresh default one when none is given.
std::unique_ptr<Bridge> MakeBridge(BridgeKind kind,
                                   std::shared_ptr<sim::Simulator> simulator = nullptr);

}  // namespace vx42
