#pragma once
// The simulator as a back end of the link: one driver over a shared Simulator, which blocks in
// the "driver" until the modelled reply arrives instead of being polled.

#include <memory>

#include "device/bridge.h"
#include "device/sim/simulator.h"

namespace vx42::sim {

class SimBridge : public Bridge {
  public:
    explicit SimBridge(std::shared_ptr<Simulator> simulator);
    ~SimBridge() override;

    Simulator& simulator() { return *sim_; }
    // Pretends the driver is missing (for the tool's "driver not found" path).
    void SetDriverPresent(bool present) { driverPresent_ = present; }

    bool DriverPresent() override { return driverPresent_; }
    bool InUse() const override { return sim_->InUseElsewhere(); }
    bool TakeWrittenElsewhere() override { return sim_->TakeChangedElsewhere(); }
    FtStatus DeviceCount(int& count) override;
    FtStatus Description(int index, std::string& description) override;
    FtStatus SerialNumber(int index, std::string& serial) override;
    FtStatus OpenByDescription(const std::string& description) override;
    FtStatus SetBaudRate(std::uint32_t baud) override;
    FtStatus SetLatencyTimer(std::uint8_t milliseconds) override;
    FtStatus PurgeReceive() override;
    FtStatus SetEventChar(std::optional<std::uint8_t> eventChar) override;
    FtStatus Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) override;
    FtStatus Read(std::span<std::uint8_t> into, std::uint32_t& got) override;
    FtStatus QueueStatus(std::uint32_t& queued) override;
    FtStatus Close() override;
    bool CanWait() const override { return true; }
    FtStatus WaitForQueue(std::uint32_t count, std::chrono::microseconds timeout,
                          std::uint32_t& queued) override;

  private:
    std::shared_ptr<Simulator> sim_;
    int handle_ = 0;
    bool driverPresent_ = true;
};

}  // namespace vx42::sim
