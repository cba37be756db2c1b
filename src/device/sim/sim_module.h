#pragma once
// A model of the VX42 module as the link sees it: 64 KiB of module memory with the calibration
// at 0x0400, and an answer to every request of the protocol. Frames arrive whole, one per
// write from the tool; a frame the module cannot parse (unknown letter, wrong length, wrong
// checksum) gets no reply.

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace vx42::sim {

using Bytes = std::vector<std::uint8_t>;

constexpr int kMemorySize = 0x10000;
constexpr int kFreezeAddress = 0x3900;
constexpr int kStagingApply = 0x3A00;
constexpr int kStagingTarget = 0x3A01;
constexpr int kStagingCount = 0x3A03;
constexpr int kStagingData = 0x3A04;
constexpr int kUnlockAddress = 0x130C;
constexpr int kMarkerAddress = 0x38F4;
constexpr int kCanStatusBase = 0x3B7B;

struct FirmwareVersion {
    std::uint8_t major = 2, minor = 1, revision = 0;
};

class SimModule {
  public:
    SimModule();

    // The module's answer to one request frame; empty when it does not answer.
    Bytes Handle(std::span<const std::uint8_t> request);

    std::array<std::uint8_t, kMemorySize>& Memory() { return memory_; }
    const std::array<std::uint8_t, kMemorySize>& Memory() const { return memory_; }
    Bytes Read(int address, int count) const;
    void Write(int address, std::span<const std::uint8_t> bytes);
    // CAN status word of message slot k (0x3B7B + 10 x k), high byte first.
    void SetCanStatus(int slot, std::uint16_t word);
    // Makes slot k's status word change over time, as a harness being wired does: each read
    // of it takes the next of `words`, and after the last the first again. No words: the
    // word stays as it is.
    void SetCanTraffic(int slot, std::vector<std::uint16_t> words);

    FirmwareVersion& Version() { return version_; }
    bool Frozen() const { return memory_[kFreezeAddress] == 0xFF; }
    int AppliedChanges() const { return appliedChanges_; }

    // Bootloader: entered by "?" when the hand-over conditions hold; block frames then write
    // the program memory; "C" finishes, "G" resets back to the running firmware.
    bool InBootloader() const { return bootloader_; }
    bool UpgradeFinished() const { return upgradeFinished_; }
    int Resets() const { return resets_; }
    const std::map<std::uint32_t, std::uint8_t>& ProgramMemory() const { return program_; }

  private:
    Bytes HandleFirmware(std::span<const std::uint8_t> request);
    Bytes HandleBootloader(std::span<const std::uint8_t> request);
    void Store(int address, std::uint8_t value);
    void ApplyStagedChange();
    void AdvanceCanTraffic(int address);

    std::array<std::uint8_t, kMemorySize> memory_{};
    FirmwareVersion version_;
    int appliedChanges_ = 0;
    bool bootloader_ = false;
    bool upgradeFinished_ = false;
    int resets_ = 0;
    std::map<std::uint32_t, std::uint8_t> program_;
    struct CanTraffic {
        std::vector<std::uint16_t> words;
        std::size_t next = 0;
    };
    std::map<int, CanTraffic> canTraffic_;  // by slot
};

}  // namespace vx42::sim
