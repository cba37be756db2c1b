#pragma once
// The module simulator: one or more simulated USB-serial bridges, a model of the module behind
// every bridge whose description contains "Dialvane", fault injection, a timing model of the
// wire and the bridge's latency timer, a log of every frame, and a state file so separate runs
// of the tool see the same module. Its operations have the shape and status codes of the
// vendor driver; handles are small positive numbers.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_lock.h"
#include "base/result.h"
#include "device/bridge.h"
#include "device/clock.h"
#include "device/sim/sim_module.h"

namespace vx42::sim {

enum class Fault { None, Drop, CorruptChecksum, CutShort, Late, Stale, Unplug };
std::string_view FaultName(Fault fault);

// Probability of each fault per exchange; at most one fault strikes an exchange.
struct FaultRates {
    double drop = 0, corrupt = 0, cutShort = 0, late = 0, stale = 0, unplug = 0;
};

// When on, every byte takes 10 bit times at the set baud rate, the module takes its turnaround
// before it answers, and a reply shorter than the bridge's buffer is held back by the latency
// timer before the host sees it, unless it ends with the bridge's event character, which
// flushes the buffer at once.
struct TimingModel {
    bool enabled = false;
    double turnaroundSeconds = 0.0001;
    int bufferBytes = 62;
};

struct BridgeSetup {
    std::string description;
    std::string serial;  // 8 characters
};

struct SimConfig {
    std::vector<BridgeSetup> bridges{{"Dialvane VX42 USB", "DV42A001"}};
    FirmwareVersion version;
    FaultRates rates;
    std::uint32_t seed = 1;
    std::map<int, Fault> faultsAt;  // exchange number (from 1) -> fault
    TimingModel timing;
    double lateSeconds = 0.35;  // how late a late reply comes
    std::uint32_t moduleBaud = 100000;
    // Module memory kept here between runs. Programs that share it share the module: while one
    // has a bridge open, the others find it in use (a lock on statePath + ".lock").
    std::string statePath;
    std::size_t logCapacity = 20000;
    // Message slots (0 to 7) whose status word changes from read to read (SimModule's
    // SetCanTraffic).
    std::map<int, std::vector<std::uint16_t>> canTraffic;
};

// Reads a configuration written as "key=value" items separated by ";" or line breaks:
// bridge=DESCRIPTION|SERIAL (repeatable; replaces the default bridge), version=2.1.0, seed=N,
// drop= corrupt= short= late= stale= unplug= (probabilities), fault=KIND@N, timing=on|off,
// turnaround=SECONDS, late-seconds=SECONDS, state=PATH, can=SLOT:WORD/WORD/... (repeatable;
// slot 1 to 8, the status words its reads give in turn). Fails naming the first item it cannot
// read.
Result<SimConfig> ParseSimConfig(std::string_view text);

struct LoggedFrame {
    int bridge = 0;
    int exchange = 0;
    Bytes request;
    Bytes reply;  // as sent, after any fault
    Fault fault = Fault::None;
};

class Simulator {
  public:
    using Clock = std::chrono::steady_clock;

    // The wire's timing, late replies and waits take their time from `clock`.
    explicit Simulator(SimConfig config = {}, LinkClock& clock = SteadyClock());
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Driver-shaped operations.
    FtStatus ListCount(int& count);
    FtStatus ListDescription(int index, std::string& description);
    FtStatus ListSerial(int index, std::string& serial);
    FtStatus Open(const std::string& description, int& handle);
    FtStatus SetBaudRate(int handle, std::uint32_t baud);
    FtStatus SetLatencyTimer(int handle, std::uint8_t milliseconds);
    // The event character (none: off); a reply ending with it is not held by the latency timer.
    FtStatus SetEventChar(int handle, std::optional<std::uint8_t> eventChar);
    FtStatus Purge(int handle);
    FtStatus Write(int handle, std::span<const std::uint8_t> bytes, std::uint32_t& written);
    FtStatus Read(int handle, std::span<std::uint8_t> into, std::uint32_t& got);
    FtStatus QueueStatus(int handle, std::uint32_t& queued);
    FtStatus WaitForQueue(int handle, std::uint32_t count, std::chrono::microseconds timeout,
                          std::uint32_t& queued);
    FtStatus Close(int handle);

    // The module behind bridge `bridge` (an index into the configured bridges).
    SimModule& Module(int bridge = 0);
    int BridgeCount() const;

    // Faults.
    void InjectAt(int exchange, Fault fault);
    void SetFaultRates(const FaultRates& rates, std::uint32_t seed);
    // Listing bridge `bridge`'s description answers `status` for the next `times` calls.
    void FailListing(int bridge, FtStatus status, int times);
    void Unplug(int bridge);
    void Replug(int bridge);

    void SetTiming(const TimingModel& timing);
    void SetLateSeconds(double seconds);

    // What happened.
    int Exchanges() const;
    int DriverCalls() const;
    double ModelledLinkSeconds() const;
    void ResetLinkTime();
    std::vector<LoggedFrame> Log() const;
    void ClearLog();
    std::uint32_t BaudRate(int bridge) const;
    int LatencyTimer(int bridge) const;
    bool IsOpen(int bridge) const;
    bool IsPlugged(int bridge) const;
    BridgeSetup SetupOf(int bridge) const;
    std::optional<std::uint8_t> EventChar(int bridge) const;
    // The rate the module listens at: a bridge within this fraction of it is understood.
    static constexpr double kBaudTolerance = 0.03;
    // The last open failed because another program has the shared module open.
    bool InUseElsewhere() const;
    // An open found the state file saved by another program since this one read or wrote it
    // (the module's memory came from there), and nobody has taken the news since.
    bool TakeChangedElsewhere();

    // Writes the state file, unless another program has the module open.
    void SaveState() const;

  private:
    struct Pending {
        Bytes bytes;
        Clock::time_point visibleAt;
    };
    struct SimBridgeState {
        BridgeSetup setup;
        std::unique_ptr<SimModule> module;  // only behind a "Dialvane" bridge
        bool plugged = true;
        bool open = false;
        std::uint32_t baud = 9600;
        int latency = 16;
        std::optional<std::uint8_t> eventChar;
        Clock::time_point lineFreeAt{};
        std::deque<Pending> rx;
        FtStatus listStatus = ft::Ok;
        int listFailures = 0;
    };

    SimBridgeState* Listed(int index);  // by list index among plugged bridges
    // A text of the listed bridge `index`; mayFail: the list failures set for it apply.
    FtStatus ListField(int index, std::string BridgeSetup::*field, bool mayFail, std::string& out);
    SimBridgeState* ByHandle(int handle, FtStatus& status);
    std::uint32_t Visible(const SimBridgeState& b, Clock::time_point now) const;
    Fault DrawFault(int exchange);
    void DamageReply(Fault fault, std::uint8_t requestLetter, Bytes& reply);
    void LoadState();
    void SaveStateLocked() const;
    bool AnyOpen() const;
    std::vector<std::uint8_t> StateOnDisk() const;

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    LinkClock& clock_;
    SimConfig config_;
    std::vector<SimBridgeState> bridges_;
    std::mt19937 rng_;
    int exchanges_ = 0;
    int driverCalls_ = 0;
    double linkSeconds_ = 0;
    std::deque<LoggedFrame> log_;
    std::unique_ptr<FileLock> stateLock_;  // while a bridge is open
    bool inUseElsewhere_ = false;
    bool changedElsewhere_ = false;
    mutable std::vector<std::uint8_t> stateSeen_;  // the state file as last read or written
};

}  // namespace vx42::sim
