#pragma once
// The module side of the window's edits: each confirmed change is handed to the link's
// thread and written there in order, so the window never waits for the module.

#include "app/qt/link_thread.h"
#include "app/qt/module_service.h"
#include "calibration/edit_target.h"

namespace vx42 {

class QueuedChangeSink : public ChangeSink {
public:
    QueuedChangeSink(LinkThread& link, ModuleService& module) : link_(link), module_(module) {}
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        link_.post([this, address, copy = Bytes(bytes.begin(), bytes.end())] {
            module_.WriteCalibrationChange(address, copy);
        });
    }

private:
    LinkThread& link_;
    ModuleService& module_;
};

}  // namespace vx42
