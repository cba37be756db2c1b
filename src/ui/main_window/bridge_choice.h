#pragma once
// Which bridge the window talks through: the simulator when asked, otherwise the vendor's
// driver library when it loads, otherwise the open driver.

#include <memory>
#include <string>

#include "device/bridge.h"

namespace vx42 {

// statePath: where the simulated module keeps its memory between runs. A new simulated module
// starts with the demonstration calibration of the shipped data, when there is one.
std::unique_ptr<Bridge> ChooseBridge(bool simulator, const std::string& sharedFolder,
                                     const std::string& statePath);

}  // namespace vx42
