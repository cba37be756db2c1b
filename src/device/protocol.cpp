// The module's command protocol: one exchange procedure shared by every command, the waits on
// the receive queue, and the commands themselves.

#include <chrono>

#include "base/retry.h"
#include "device/clock.h"
#include "device/frames.h"
#include "device/module_link.h"

namespace vx42 {
namespace {

constexpr auto kPollSleep = std::chrono::microseconds(500);

LinkClock::Duration SecondsToDuration(double seconds) {
    return std::chrono::duration_cast<LinkClock::Duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

double ModuleLink::ReplyTimeout(std::size_t requestLength, int replyLength) const {
    const double wire = 10.0 *
                        static_cast<double>(requestLength + static_cast<std::size_t>(replyLength)) /
                        static_cast<double>(baud_.load());
    return wire + timing_.replyAllowanceSeconds;
}

bool ModuleLink::WaitLocked(double timeoutSeconds, int count) {
    PreciseTimersOnThisThread();
    const auto wanted = static_cast<std::uint32_t>(count);
    std::uint32_t queued = 0;
    if (bridge_->CanWait()) {
        const auto timeout = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::duration<double>(timeoutSeconds));
        return Track(bridge_->WaitForQueue(wanted, timeout, queued)) == ft::Ok && queued >= wanted;
    }
    const auto deadline = clock_.Now() + SecondsToDuration(timeoutSeconds);
    for (;;) {
        if (Track(bridge_->QueueStatus(queued)) != ft::Ok) return false;
        if (queued >= wanted) return true;
        const auto now = clock_.Now();
        if (now >= deadline) return false;
        clock_.SleepUntil(std::min<LinkClock::TimePoint>(now + kPollSleep, deadline));
    }
}

bool ModuleLink::WaitForBytes(double timeoutSeconds, int count) {
    std::lock_guard lock(exchange_);
    return WaitLocked(timeoutSeconds, count);
}

void ModuleLink::WaitReceiveEmpty(double timeoutSeconds) {
    std::lock_guard lock(exchange_);
    const auto deadline = clock_.Now() + SecondsToDuration(timeoutSeconds);
    std::uint32_t queued = 0;
    for (;;) {
        if (Track(bridge_->QueueStatus(queued)) != ft::Ok || queued == 0) return;
        if (clock_.Now() >= deadline) break;
        clock_.SleepFor(kPollSleep);
    }
    // Still not drained: what is left is of no use to the next command.
    Track(bridge_->PurgeReceive());
}

void ModuleLink::WaitCommandIdle(double timeoutSeconds) {
    const auto deadline = clock_.Now() + SecondsToDuration(timeoutSeconds);
    while (commandInProgress_ && clock_.Now() < deadline) clock_.SleepFor(kPollSleep);
}

void ModuleLink::SettleLink() {
    if (!online_) return;
    WaitCommandIdle(1.0);
    WaitReceiveEmpty(1.0);
}

bool ModuleLink::Exchange(std::span<const std::uint8_t> request, int replyLength, Bytes& reply) {
    std::lock_guard lock(exchange_);
    // After a time-out the module's reply may still be on its way; let it land before the
    // purge, so it cannot pass for the answer to this request.
    if (const double wait = quietUntil_ - clock_.Seconds(); wait > 0) clock_.SleepSeconds(wait);
    Track(bridge_->PurgeReceive());
    std::uint32_t written = 0;
    Track(bridge_->Write(request, written));
    if (!WaitLocked(ReplyTimeout(request.size(), replyLength), replyLength)) {
        quietUntil_ = clock_.Seconds() + timing_.retryPauseMs / 1000.0;
        return false;
    }
    reply.assign(static_cast<std::size_t>(replyLength), 0);
    std::uint32_t got = 0;
    const FtStatus status = Track(bridge_->Read(reply, got));
    reply.resize(got);
    return status == ft::Ok && got == static_cast<std::uint32_t>(replyLength);
}

bool ModuleLink::Attempts(int attempts, double pauseMs, const std::function<bool()>& command) {
    const auto pause = [this, pauseMs] {
        if (pauseMs > 0) clock_.SleepSeconds(pauseMs / 1000.0);
    };
    if (Retry(attempts, command, pause)) return true;
    pause();  // the module has its pause after the last failure too, before the next exchange
    return false;
}

bool ModuleLink::Retried(const std::function<bool()>& command) {
    return Attempts(5, timing_.retryPauseMs, command);
}

bool ModuleLink::GetFirmwareDevice() {
    struct Marked {
        std::atomic<bool>& flag;
        explicit Marked(std::atomic<bool>& f) : flag(f) { flag = true; }
        ~Marked() { flag = false; }
    } marked(commandInProgress_);
    if (!deviceOpen_) return false;
    Bytes reply;
    if (!Exchange(frame::FirmwareRequest(), frame::kVersionLength, reply)) return false;
    const auto version = frame::AcceptVersion(reply);
    if (!version) return false;
    std::lock_guard lock(state_);
    firmwareVersion_ = *version;
    return true;
}

bool ModuleLink::Write1ByteDevice(std::uint8_t value, int address) {
    Bytes reply;
    return deviceOpen_ &&
           Exchange(frame::Write1Request(value, address), frame::kAckLength, reply) &&
           frame::AcceptAck(reply, 'X');
}

bool ModuleLink::Write2BytesDevice(std::span<const std::uint8_t> data, int address) {
    Bytes reply;
    return deviceOpen_ && Exchange(frame::Write2Request(data, address), frame::kAckLength, reply) &&
           frame::AcceptAck(reply, 'W');
}

bool ModuleLink::Write16BytesDevice(std::span<const std::uint8_t> data, int address) {
    Bytes reply;
    return deviceOpen_ &&
           Exchange(frame::Write16Request(data, address), frame::kAckLength, reply) &&
           frame::AcceptAck(reply, 'P');
}

bool ModuleLink::Read16BytesDevice(int address, Bytes& data) {
    Bytes reply;
    data.assign(16, 0);
    return deviceOpen_ && Exchange(frame::Read16Request(address), frame::kRead16Length, reply) &&
           frame::AcceptRead(reply, 'Q', 16, data);
}

bool ModuleLink::Read2BytesDevice(int address, Bytes& data) {
    Bytes reply;
    data.assign(2, 0);
    return deviceOpen_ && Exchange(frame::Read2Request(address), frame::kRead2Length, reply) &&
           frame::AcceptRead(reply, 'R', 2, data);
}

bool ModuleLink::Read2BytesRetry(int address, Bytes& data) {
    return Retried([&] { return Read2BytesDevice(address, data); });
}

bool ModuleLink::SetToBootloaderDevice() {
    clock_.SleepSeconds(timing_.commandPauseMs / 1000.0);
    Bytes reply;
    return Exchange(frame::BootloaderRequest(), frame::kAckLength, reply) &&
           frame::AcceptBootloader(reply);
}

bool ModuleLink::FinishUpgradeDevice() {
    clock_.SleepSeconds(timing_.commandPauseMs / 1000.0);
    Bytes reply;
    return Exchange(frame::FinishUpgradeRequest(), frame::kAckLength, reply) &&
           frame::AcceptAck(reply, 'C');
}

bool ModuleLink::ResetUnitDevice() {
    clock_.SleepSeconds(timing_.commandPauseMs / 1000.0);
    Bytes reply;
    return Exchange(frame::ResetRequest(), frame::kAckLength, reply) &&
           frame::AcceptAck(reply, 'G');
}

bool ModuleLink::WriteBootBlockDevice(std::span<const std::uint8_t> data, std::uint32_t address) {
    Bytes reply;
    return deviceOpen_ &&
           Exchange(frame::BootBlockRequest(data, address), frame::kBootBlockReplyLength, reply) &&
           frame::AcceptBootBlock(reply);
}

}  // namespace vx42
