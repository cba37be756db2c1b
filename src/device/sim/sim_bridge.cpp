// The simulator as a back end of the link.
#include "device/sim/sim_bridge.h"

namespace vx42::sim {

SimBridge::SimBridge(std::shared_ptr<Simulator> simulator) : sim_(std::move(simulator)) {}

SimBridge::~SimBridge() {
    if (handle_ != 0) sim_->Close(handle_);
}

FtStatus SimBridge::DeviceCount(int& count) {
    return sim_->ListCount(count);
}

FtStatus SimBridge::Description(int index, std::string& description) {
    return sim_->ListDescription(index, description);
}

FtStatus SimBridge::SerialNumber(int index, std::string& serial) {
    return sim_->ListSerial(index, serial);
}

FtStatus SimBridge::OpenByDescription(const std::string& description) {
    int handle = 0;
    const FtStatus status = sim_->Open(description, handle);
    if (status == ft::Ok) handle_ = handle;
    return status;
}

FtStatus SimBridge::SetBaudRate(std::uint32_t baud) {
    return sim_->SetBaudRate(handle_, baud);
}

FtStatus SimBridge::SetLatencyTimer(std::uint8_t milliseconds) {
    return sim_->SetLatencyTimer(handle_, milliseconds);
}

FtStatus SimBridge::PurgeReceive() {
    return sim_->Purge(handle_);
}

FtStatus SimBridge::SetEventChar(std::optional<std::uint8_t> eventChar) {
    return sim_->SetEventChar(handle_, eventChar);
}

FtStatus SimBridge::Write(std::span<const std::uint8_t> bytes, std::uint32_t& written) {
    return sim_->Write(handle_, bytes, written);
}

FtStatus SimBridge::Read(std::span<std::uint8_t> into, std::uint32_t& got) {
    return sim_->Read(handle_, into, got);
}

FtStatus SimBridge::QueueStatus(std::uint32_t& queued) {
    return sim_->QueueStatus(handle_, queued);
}

FtStatus SimBridge::Close() {
    const FtStatus status = sim_->Close(handle_);
    if (status == ft::Ok) handle_ = 0;
    return status;
}

FtStatus SimBridge::WaitForQueue(std::uint32_t count, std::chrono::microseconds timeout,
                                 std::uint32_t& queued) {
    return sim_->WaitForQueue(handle_, count, timeout, queued);
}

}  // namespace vx42::sim
