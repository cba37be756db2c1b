#pragma once
// The link to the VX42 module: the connection through a USB-serial bridge, the module's
// request/reply command protocol, and the transfer of the calibration image, with the link's
// state (device open, the bridge's serial number, online, the firmware version, the firmware
// request in progress). Which module's calibration was retrieved is the session's to know.
//
// Every operation is synchronous. Exchanges are serialised: one at a time, whatever thread
// calls. Waits sleep or block in the driver; they never spin. Messages go through the Prompt
// with their exact texts; progress through a callback.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "base/prompt.h"
#include "calibration/cal_image.h"
#include "calibration/edit_target.h"
#include "device/bridge.h"
#include "device/clock.h"

namespace vx42 {

// Progress of a transfer: the bar's value and maximum, and the text beside it.
using Progress = std::function<void(int done, int total, const std::string& text)>;

inline constexpr const char* kModuleDescription = "Dialvane";
inline constexpr std::uint32_t kLineSpeed = 100000;
inline constexpr std::uint8_t kLatencyTimerMs = 2;
inline constexpr const char* kConnectionErrorTitle = "Connection Error";

// Module addresses the tool writes outside the calibration.
namespace address {
constexpr int FirmwareVersionStore = 0x1307;
constexpr int UpgradeUnlock = 0x130C;
constexpr int Marker = 0x38F4;
constexpr int Freeze = 0x3900;
constexpr int AfterUpdate = 0x3901;
constexpr int StagingApply = 0x3A00;
constexpr int StagingTarget = 0x3A01;
constexpr int StagingCount = 0x3A03;
constexpr int StagingData = 0x3A04;
constexpr int CanStatus = 0x3B7B;  // + 10 x message slot
// The lowest of the marker, the freeze flags and the staging area, which the tool writes above
// the program area that starts at 0x0400: an image written from 0x0400 must end below it.
constexpr int FirstToolAddress =
    std::min({Marker, Freeze, AfterUpdate, StagingApply, StagingTarget, StagingCount, StagingData});
}  // namespace address

// The waits and pauses of the link. The defaults are the module's; tests shorten them.
struct LinkTiming {
    double replyAllowanceSeconds = 0.3;  // on top of the frames' wire time
    double retryPauseMs = 100;           // between attempts
    double commandPauseMs = 200;         // before "?", "C" and "G"
    double stillFailedSeconds = 1.0;     // after a bridge answered "device not opened"
};

// "count Bytes of total Bytes copied.", both numbers grouped ("#,###": zero is empty).
std::string ProgressText(int count, int total);

// Copies a retrieved 16-byte block into the image at offset (bytes past the image are
// dropped) and reports progress on a bar whose maximum is the image's last index - 1. False
// (stop) when the block does not hold 16 bytes.
bool CopyBlockToImage(std::span<const std::uint8_t> block, int offset, CalImage& image,
                      const Progress& progress);

class ModuleLink : public ChangeSink {
  public:
    // The link takes its time (waits, pauses, time-outs) from `clock`.
    ModuleLink(std::unique_ptr<Bridge> bridge, Prompt& prompt, LinkClock& clock = SteadyClock());
    ~ModuleLink() override;
    ModuleLink(const ModuleLink&) = delete;
    ModuleLink& operator=(const ModuleLink&) = delete;

    Bridge& bridge() { return *bridge_; }
    const Bridge& bridge() const { return *bridge_; }
    // Where the link's messages go (the procedures that drive the link report there too).
    Prompt& prompt() { return prompt_; }
    void SetTiming(const LinkTiming& timing) { timing_ = timing; }
    LinkClock& clock() { return clock_; }
    const LinkTiming& timing() const { return timing_; }

    // State.
    bool DeviceOpen() const { return deviceOpen_; }
    bool Online() const { return online_; }
    bool CommandInProgress() const { return commandInProgress_; }
    // The connection now open: a new number every connect, 0 offline. An edit made for one
    // connection is never sent over another.
    std::uint64_t Connection() const { return online_ ? connection_.load() : 0; }
    std::string DeviceSerial() const;
    std::string FirmwareVersion() const;
    // Another program had the module open between the last connect and this one (so may have
    // written it); heard at the connect that reached the module's firmware.
    bool WrittenElsewhere() const { return writtenElsewhere_; }
    FtStatus LastStatus() const { return ftStatus_; }
    // Connection.
    bool OpenDevice(const std::string& wanted, std::string& error);
    bool ConfigureDevice(std::uint32_t baud, std::string& error);
    bool CloseDevice(std::string& error);
    // Open, configure and identify (5 firmware-version requests); messages on failure.
    bool ConnectModule();
    // Open and configure only (for a module that may be in its bootloader).
    bool OpenForUpgrade();
    // Close; Online cleared when the close succeeds, a message otherwise.
    void Disconnect();
    // The bridge's event character (none: off), where its driver offers one; the status of
    // the driver's answer (NotSupported where it offers none).
    FtStatus SetEventChar(std::optional<std::uint8_t> eventChar);
    void ConnectIfOffline();

    // Commands: True only when the reply was accepted.
    bool GetFirmwareDevice();
    bool Write1ByteDevice(std::uint8_t value, int address);
    bool Write2BytesDevice(std::span<const std::uint8_t> data, int address);
    bool Write16BytesDevice(std::span<const std::uint8_t> data, int address);
    bool Read16BytesDevice(int address, Bytes& data);
    bool Read2BytesDevice(int address, Bytes& data);
    bool SetToBootloaderDevice();
    bool FinishUpgradeDevice();
    bool ResetUnitDevice();
    bool WriteBootBlockDevice(std::span<const std::uint8_t> data, std::uint32_t address);
    // "R" with up to 5 attempts 100 ms apart.
    bool Read2BytesRetry(int address, Bytes& data);

    // Waits on the receive queue.
    bool WaitForBytes(double timeoutSeconds, int count);
    void WaitReceiveEmpty(double timeoutSeconds);
    void WaitCommandIdle(double timeoutSeconds);
    // Online: lets a running firmware-version exchange end and the receive queue drain.
    void SettleLink();

    // Calibration transfer.
    // Reads the whole calibration into a scratch image; replaces `image` only when every block
    // arrived.
    bool RetrieveCalibration(CalImage& image, const Progress& progress);
    // The freeze-for-update bracket around any image written from 0x0400: freeze, 16-byte
    // blocks for offsets 0, 16, ... while offset <= lastOffset (0xFF past the image's end),
    // clear the freeze, then 0xFF to 0x3901. Messages on failure; True when the freeze was
    // cleared.
    bool WriteFrozenImage(std::span<const std::uint8_t> image, int lastOffset,
                          const Progress& progress);
    // The whole calibration: the bracket, the firmware version, the 0xCB 0xE0 marker. Every
    // reply is the one-byte acknowledgement, so the bridge's event character is set to it for
    // the while (each reply reaches the host without waiting for the latency timer) and
    // cleared afterwards.
    bool WriteWholeCalibration(const CalImage& image, const Progress& progress);
    // The four staged steps (target, count, bytes, apply), each with its attempts; True when
    // the apply step was acknowledged. No online test.
    bool WriteStagedChange(int address, std::span<const std::uint8_t> bytes);
    // One confirmed edit to the module: nothing offline; "Error Writing Calibration Change"
    // when the apply step fails.
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override;
    // The same, true when the change was applied.
    bool WriteChange(int address, std::span<const std::uint8_t> bytes);
    bool StoreFirmwareVersion();
    bool WriteMarkerCBE0();
    bool WriteMarker0400();

  private:
    // One request and its reply of exactly replyLength bytes (fewer on a time-out).
    bool Exchange(std::span<const std::uint8_t> request, int replyLength, Bytes& reply);
    bool WaitLocked(double timeoutSeconds, int count);
    double ReplyTimeout(std::size_t requestLength, int replyLength) const;
    bool Attempts(int attempts, double pauseMs, const std::function<bool()>& command);
    bool Retried(const std::function<bool()>& command);
    void ShowConnectionError(const std::string& text);
    FtStatus Track(FtStatus status);
    // Finds the bridge whose description contains `wanted` and opens it (the exchange lock
    // held).
    bool OpenMatching(const std::string& wanted, std::string& error);

    std::unique_ptr<Bridge> bridge_;
    Prompt& prompt_;
    LinkClock& clock_;
    LinkTiming timing_;
    std::mutex exchange_;       // one exchange at a time
    mutable std::mutex state_;  // the strings below
    std::atomic<bool> deviceOpen_{false};
    std::atomic<bool> online_{false};
    std::atomic<bool> commandInProgress_{false};
    std::atomic<std::uint64_t> connection_{0};
    std::atomic<bool> writtenElsewhere_{false};
    std::atomic<FtStatus> ftStatus_{ft::Ok};
    std::atomic<std::uint32_t> baud_{kLineSpeed};
    double quietUntil_ = 0;  // a timed-out reply may still arrive until then
    std::string deviceSerial_;
    std::string firmwareVersion_;
};

}  // namespace vx42
