#pragma once
// A device header that reaches a floor up to the firmware: the check must reject this include
// and only it (its own folder, a lower floor and the system's headers are sound).

#include <vector>

#include "calibration/cal_image.h"
#include "device/bridge.h"
#include "firmware/upgrade.h"
