// The module simulator: its bridges, the modules behind them, faults and the state file.
#include "device/sim/simulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "base/atomic_file.h"
#include "base/system_text.h"

namespace vx42::sim {
namespace {

constexpr std::string_view kDescriptionMark = "Dialvane";
constexpr char kStateMagic[8] = {'V', 'X', '4', '2', 'S', 'I', 'M', '1'};

Simulator::Clock::duration Seconds(double s) {
    return std::chrono::duration_cast<Simulator::Clock::duration>(std::chrono::duration<double>(s));
}

}  // namespace

Simulator::Simulator(SimConfig config, LinkClock& clock)
    : clock_(clock), config_(std::move(config)), rng_(config_.seed) {
    for (const auto& setup : config_.bridges) {
        SimBridgeState b;
        b.setup = setup;
        if (setup.description.find(kDescriptionMark) != std::string::npos) {
            b.module = std::make_unique<SimModule>();
            b.module->Version() = config_.version;
            for (const auto& [slot, words] : config_.canTraffic)
                b.module->SetCanTraffic(slot, words);
        }
        bridges_.push_back(std::move(b));
    }
    LoadState();
}

Simulator::~Simulator() {
    std::lock_guard lock(mutex_);
    SaveStateLocked();
}

Simulator::SimBridgeState* Simulator::Listed(int index) {
    int i = 0;
    for (auto& b : bridges_) {
        if (!b.plugged) continue;
        if (i++ == index) return &b;
    }
    return nullptr;
}

Simulator::SimBridgeState* Simulator::ByHandle(int handle, FtStatus& status) {
    ++driverCalls_;
    if (handle < 1 || handle > static_cast<int>(bridges_.size()) ||
        !bridges_[static_cast<std::size_t>(handle - 1)].open) {
        status = ft::InvalidHandle;
        return nullptr;
    }
    auto& b = bridges_[static_cast<std::size_t>(handle - 1)];
    if (!b.plugged) {
        status = ft::IoError;
        return nullptr;
    }
    status = ft::Ok;
    return &b;
}

FtStatus Simulator::ListCount(int& count) {
    std::lock_guard lock(mutex_);
    ++driverCalls_;
    count = static_cast<int>(
        std::count_if(bridges_.begin(), bridges_.end(), [](const auto& b) { return b.plugged; }));
    return ft::Ok;
}

FtStatus Simulator::ListField(int index, std::string BridgeSetup::*field, bool mayFail,
                              std::string& out) {
    std::lock_guard lock(mutex_);
    ++driverCalls_;
    auto* b = Listed(index);
    if (!b) return ft::DeviceNotFound;
    if (mayFail && b->listFailures > 0) {
        --b->listFailures;
        return b->listStatus;
    }
    out = b->setup.*field;
    return ft::Ok;
}

FtStatus Simulator::ListDescription(int index, std::string& description) {
    return ListField(index, &BridgeSetup::description, true, description);
}

FtStatus Simulator::ListSerial(int index, std::string& serial) {
    return ListField(index, &BridgeSetup::serial, false, serial);
}

FtStatus Simulator::Open(const std::string& description, int& handle) {
    std::lock_guard lock(mutex_);
    ++driverCalls_;
    for (std::size_t i = 0; i < bridges_.size(); ++i) {
        auto& b = bridges_[i];
        if (!b.plugged || b.setup.description != description) continue;
        if (b.open) return ft::DeviceNotOpened;
        inUseElsewhere_ = false;
        if (!config_.statePath.empty() && !AnyOpen()) {
            // The module's memory is shared through the state file: one program at a time.
            auto stateLock = std::make_unique<FileLock>(config_.statePath + ".lock");
            if (!stateLock->held()) {
                inUseElsewhere_ = true;
                return ft::DeviceNotOpened;
            }
            stateLock_ = std::move(stateLock);
            // Another program that had the module since has left it changed. The news stays
            // until taken, though this open may go no further.
            if (StateOnDisk() != stateSeen_) {
                changedElsewhere_ = true;
                LoadState();
            }
        }
        b.open = true;
        b.rx.clear();
        b.baud = 9600;
        b.latency = 16;
        b.eventChar.reset();
        handle = static_cast<int>(i) + 1;
        return ft::Ok;
    }
    return ft::DeviceNotFound;
}

FtStatus Simulator::SetBaudRate(int handle, std::uint32_t baud) {
    std::lock_guard lock(mutex_);
    FtStatus status;
    auto* b = ByHandle(handle, status);
    if (!b) return status;
    if (baud < 300 || baud > 3000000) return ft::InvalidBaudRate;
    b->baud = baud;
    return ft::Ok;
}

FtStatus Simulator::SetLatencyTimer(int handle, std::uint8_t milliseconds) {
    std::lock_guard lock(mutex_);
    FtStatus status;
    auto* b = ByHandle(handle, status);
    if (!b) return status;
    if (milliseconds < 1) return ft::InvalidParameter;
    b->latency = milliseconds;
    return ft::Ok;
}

FtStatus Simulator::SetEventChar(int handle, std::optional<std::uint8_t> eventChar) {
    std::lock_guard lock(mutex_);
    FtStatus status;
    auto* b = ByHandle(handle, status);
    if (!b) return status;
    b->eventChar = eventChar;
    return ft::Ok;
}

FtStatus Simulator::Purge(int handle) {
    std::lock_guard lock(mutex_);
    FtStatus status;
    auto* b = ByHandle(handle, status);
    if (!b) return status;
    // Only what has reached the host goes; bytes still on their way arrive later.
    const auto now = clock_.Now();
    std::erase_if(b->rx, [now](const Pending& p) { return p.visibleAt <= now; });
    return ft::Ok;
}

Fault Simulator::DrawFault(int exchange) {
    if (auto it = config_.faultsAt.find(exchange); it != config_.faultsAt.end()) return it->second;
    const auto& r = config_.rates;
    if (r.drop + r.corrupt + r.cutShort + r.late + r.stale + r.unplug <= 0) return Fault::None;
    double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
    for (auto [p, f] : {std::pair{r.unplug, Fault::Unplug},
                        {r.drop, Fault::Drop},
                        {r.corrupt, Fault::CorruptChecksum},
                        {r.cutShort, Fault::CutShort},
                        {r.late, Fault::Late},
                        {r.stale, Fault::Stale}}) {
        if (u < p) return f;
        u -= p;
    }
    return Fault::None;
}

void Simulator::DamageReply(Fault fault, std::uint8_t requestLetter, Bytes& reply) {
    switch (fault) {
        case Fault::Drop:
            reply.clear();
            break;
        case Fault::CorruptChecksum:
            if (reply.empty()) break;
            // Replies with a checksum get a wrong one; acknowledgements a wrong letter.
            if (reply.size() > 1 &&
                (requestLetter == 'F' || requestLetter == 'Q' || requestLetter == 'R'))
                reply.back() ^= 0xFF;
            else
                reply.front() ^= 0x20;
            break;
        case Fault::CutShort:
            reply.resize(reply.size() / 2);
            break;
        case Fault::Stale: {
            const int extra = std::uniform_int_distribution<int>(1, 8)(rng_);
            for (int i = 0; i < extra; ++i)
                reply.push_back(
                    static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng_)));
            break;
        }
        default:
            break;
    }
}

FtStatus Simulator::Write(int handle, std::span<const std::uint8_t> bytes, std::uint32_t& written) {
    std::lock_guard lock(mutex_);
    written = 0;
    FtStatus status;
    auto* b = ByHandle(handle, status);
    if (!b) return status;
    const auto now = clock_.Now();
    written = static_cast<std::uint32_t>(bytes.size());
    if (!b->module || bytes.empty()) return ft::Ok;

    const int exchange = ++exchanges_;
    const Fault fault = DrawFault(exchange);
    LoggedFrame entry{static_cast<int>(b - bridges_.data()),
                      exchange,
                      Bytes(bytes.begin(), bytes.end()),
                      {},
                      fault};
    if (fault == Fault::Unplug) {
        b->plugged = false;
        b->rx.clear();
        written = 0;
        status = ft::IoError;
    } else {
        // The module listens at its own line speed only, within the bridges' tolerance.
        const double moduleBaud = config_.moduleBaud;
        const bool understood = std::abs(b->baud - moduleBaud) <= kBaudTolerance * moduleBaud;
        Bytes reply = understood ? b->module->Handle(bytes) : Bytes{};
        DamageReply(fault, bytes[0], reply);
        const std::size_t replyLength = reply.size();
        auto visibleAt = now;
        if (config_.timing.enabled) {
            const double bitTime = 10.0 / b->baud;
            const auto start = std::max(now, b->lineFreeAt);
            const auto requestEnd = start + Seconds(bitTime * static_cast<double>(bytes.size()));
            b->lineFreeAt = requestEnd;
            visibleAt = requestEnd;
            if (replyLength > 0) {
                visibleAt += Seconds(config_.timing.turnaroundSeconds +
                                     bitTime * static_cast<double>(replyLength));
                const bool flushed = b->eventChar && reply.back() == *b->eventChar;
                if (static_cast<int>(replyLength) < config_.timing.bufferBytes && !flushed)
                    visibleAt += std::chrono::milliseconds(b->latency);
            }
            linkSeconds_ += std::chrono::duration<double>(visibleAt - now).count();
        }
        if (fault == Fault::Late) visibleAt += Seconds(config_.lateSeconds);
        entry.reply = reply;
        if (!reply.empty()) {
            auto pos = std::find_if(b->rx.begin(), b->rx.end(),
                                    [&](const Pending& p) { return p.visibleAt > visibleAt; });
            b->rx.insert(pos, Pending{std::move(reply), visibleAt});
        }
    }
    log_.push_back(std::move(entry));
    while (log_.size() > config_.logCapacity) log_.pop_front();
    arrived_.notify_all();
    return status;
}

std::uint32_t Simulator::Visible(const SimBridgeState& b, Clock::time_point now) const {
    std::uint32_t n = 0;
    for (const auto& p : b.rx) {
        if (p.visibleAt > now) break;
        n += static_cast<std::uint32_t>(p.bytes.size());
    }
    return n;
}

FtStatus Simulator::Read(int handle, std::span<std::uint8_t> into, std::uint32_t& got) {
    std::lock_guard lock(mutex_);
    got = 0;
    FtStatus status;
    auto* b = ByHandle(handle, status);
    if (!b) return status;
    const auto now = clock_.Now();
    while (got < into.size() && !b->rx.empty() && b->rx.front().visibleAt <= now) {
        auto& front = b->rx.front().bytes;
        const std::size_t take = std::min(front.size(), into.size() - got);
        std::copy_n(front.begin(), take, into.begin() + got);
        got += static_cast<std::uint32_t>(take);
        front.erase(front.begin(), front.begin() + static_cast<std::ptrdiff_t>(take));
        if (front.empty()) b->rx.pop_front();
    }
    return ft::Ok;
}

FtStatus Simulator::QueueStatus(int handle, std::uint32_t& queued) {
    std::lock_guard lock(mutex_);
    queued = 0;
    FtStatus status;
    auto* b = ByHandle(handle, status);
    if (!b) return status;
    queued = Visible(*b, clock_.Now());
    return ft::Ok;
}

FtStatus Simulator::WaitForQueue(int handle, std::uint32_t count, std::chrono::microseconds timeout,
                                 std::uint32_t& queued) {
    std::unique_lock lock(mutex_);
    const auto deadline = clock_.Now() + timeout;
    queued = 0;
    for (;;) {
        FtStatus status;
        auto* b = ByHandle(handle, status);
        if (!b) return status;
        const auto now = clock_.Now();
        // A wait woken after its deadline (a busy system) still ends at the deadline: what
        // arrived later is not counted, as the driver's own time-out would not.
        queued = Visible(*b, std::min(now, deadline));
        if (queued >= count || now >= deadline) return ft::Ok;
        // Sleep until the next arrival the model knows of, or the deadline.
        auto wake = deadline;
        for (const auto& p : b->rx)
            if (p.visibleAt > now) {
                wake = std::min(wake, p.visibleAt);
                break;
            }
        clock_.WaitUntil(lock, arrived_, wake);
        --driverCalls_;  // one wait counts as one call
    }
}

FtStatus Simulator::Close(int handle) {
    std::lock_guard lock(mutex_);
    FtStatus status;
    auto* b = ByHandle(handle, status);
    if (!b) return status;
    b->open = false;
    b->rx.clear();
    SaveStateLocked();
    if (!AnyOpen()) stateLock_.reset();
    return ft::Ok;
}

bool Simulator::IsPlugged(int bridge) const {
    std::lock_guard lock(mutex_);
    return bridges_.at(static_cast<std::size_t>(bridge)).plugged;
}

BridgeSetup Simulator::SetupOf(int bridge) const {
    std::lock_guard lock(mutex_);
    return bridges_.at(static_cast<std::size_t>(bridge)).setup;
}

std::optional<std::uint8_t> Simulator::EventChar(int bridge) const {
    std::lock_guard lock(mutex_);
    return bridges_.at(static_cast<std::size_t>(bridge)).eventChar;
}

// The state file's bytes as they are now (none when it cannot be read). Compared by content:
// two programs can write it within one tick of the file system's clock.
std::vector<std::uint8_t> Simulator::StateOnDisk() const {
    std::ifstream in(PathFromUtf8(config_.statePath), std::ios::binary);
    if (!in) return {};
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool Simulator::AnyOpen() const {
    return std::any_of(bridges_.begin(), bridges_.end(), [](const auto& b) { return b.open; });
}

bool Simulator::InUseElsewhere() const {
    std::lock_guard lock(mutex_);
    return inUseElsewhere_;
}

bool Simulator::TakeChangedElsewhere() {
    std::lock_guard lock(mutex_);
    return std::exchange(changedElsewhere_, false);
}

SimModule& Simulator::Module(int bridge) {
    std::lock_guard lock(mutex_);
    auto& b = bridges_.at(static_cast<std::size_t>(bridge));
    if (!b.module) throw std::logic_error("no module behind bridge " + b.setup.description);
    return *b.module;
}

int Simulator::BridgeCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(bridges_.size());
}

void Simulator::InjectAt(int exchange, Fault fault) {
    std::lock_guard lock(mutex_);
    config_.faultsAt[exchange] = fault;
}

void Simulator::SetFaultRates(const FaultRates& rates, std::uint32_t seed) {
    std::lock_guard lock(mutex_);
    config_.rates = rates;
    rng_.seed(seed);
}

void Simulator::FailListing(int bridge, FtStatus status, int times) {
    std::lock_guard lock(mutex_);
    auto& b = bridges_.at(static_cast<std::size_t>(bridge));
    b.listStatus = status;
    b.listFailures = times;
}

void Simulator::Unplug(int bridge) {
    std::lock_guard lock(mutex_);
    auto& b = bridges_.at(static_cast<std::size_t>(bridge));
    b.plugged = false;
    b.rx.clear();
    arrived_.notify_all();
}

void Simulator::Replug(int bridge) {
    std::lock_guard lock(mutex_);
    auto& b = bridges_.at(static_cast<std::size_t>(bridge));
    b.plugged = true;
    b.open = false;
}

void Simulator::SetTiming(const TimingModel& timing) {
    std::lock_guard lock(mutex_);
    config_.timing = timing;
}

void Simulator::SetLateSeconds(double seconds) {
    std::lock_guard lock(mutex_);
    config_.lateSeconds = seconds;
}

int Simulator::Exchanges() const {
    std::lock_guard lock(mutex_);
    return exchanges_;
}

int Simulator::DriverCalls() const {
    std::lock_guard lock(mutex_);
    return driverCalls_;
}

double Simulator::ModelledLinkSeconds() const {
    std::lock_guard lock(mutex_);
    return linkSeconds_;
}

void Simulator::ResetLinkTime() {
    std::lock_guard lock(mutex_);
    linkSeconds_ = 0;
}

std::vector<LoggedFrame> Simulator::Log() const {
    std::lock_guard lock(mutex_);
    return {log_.begin(), log_.end()};
}

void Simulator::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::uint32_t Simulator::BaudRate(int bridge) const {
    std::lock_guard lock(mutex_);
    return bridges_.at(static_cast<std::size_t>(bridge)).baud;
}

int Simulator::LatencyTimer(int bridge) const {
    std::lock_guard lock(mutex_);
    return bridges_.at(static_cast<std::size_t>(bridge)).latency;
}

bool Simulator::IsOpen(int bridge) const {
    std::lock_guard lock(mutex_);
    return bridges_.at(static_cast<std::size_t>(bridge)).open;
}

void Simulator::SaveState() const {
    std::lock_guard lock(mutex_);
    SaveStateLocked();
}

// State file: the magic, then for every module its bridge's serial (8 bytes, blank-padded)
// and its 64 KiB of memory.
void Simulator::SaveStateLocked() const {
    if (config_.statePath.empty()) return;
    // Another program that has the module open owns the file until it closes it.
    std::unique_ptr<FileLock> probe;
    if (!stateLock_) {
        probe = std::make_unique<FileLock>(config_.statePath + ".lock");
        if (!probe->held()) return;
    }
    std::vector<std::uint8_t> state(kStateMagic, kStateMagic + sizeof kStateMagic);
    for (const auto& b : bridges_) {
        if (!b.module) continue;
        std::string serial = b.setup.serial;
        serial.resize(8, ' ');
        state.insert(state.end(), serial.begin(), serial.end());
        const auto& memory = b.module->Memory();
        state.insert(state.end(), memory.begin(), memory.end());
    }
    try {
        WriteFileAtomic(config_.statePath, state);
    } catch (const FileError&) {
        return;  // the state stays as it was saved last
    }
    stateSeen_ = std::move(state);
}

void Simulator::LoadState() {
    if (config_.statePath.empty()) return;
    stateSeen_ = StateOnDisk();
    const std::vector<std::uint8_t>& state = stateSeen_;
    constexpr std::size_t kMagic = sizeof kStateMagic;
    if (state.size() < kMagic || !std::equal(state.begin(), state.begin() + kMagic, kStateMagic))
        return;
    constexpr std::size_t kEntry = 8 + kMemorySize;
    for (std::size_t at = kMagic; at + kEntry <= state.size(); at += kEntry) {
        const std::string serial(state.begin() + static_cast<std::ptrdiff_t>(at),
                                 state.begin() + static_cast<std::ptrdiff_t>(at + 8));
        const auto memory = state.begin() + static_cast<std::ptrdiff_t>(at + 8);
        for (auto& b : bridges_) {
            std::string own = b.setup.serial;
            own.resize(8, ' ');
            if (b.module && own == serial)
                std::copy(memory, memory + kMemorySize, b.module->Memory().begin());
        }
    }
}

}  // namespace vx42::sim
