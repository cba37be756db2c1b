// A model of the VX42 module as the link sees it.
#include "device/sim/sim_module.h"

#include "device/bridge.h"

namespace vx42::sim {
namespace {

constexpr std::uint8_t L(char c) {
    return static_cast<std::uint8_t>(c);
}

Bytes WithChecksum(std::uint8_t letter, Bytes data) {
    const std::uint8_t sum = FrameChecksum(data);
    data.insert(data.begin(), letter);
    data.push_back(sum);
    return data;
}

// An addressed frame is letter, address high, address low, payload, checksum.
bool AddressedFrameOk(std::span<const std::uint8_t> f, std::size_t payload) {
    return f.size() == 4 + payload && FrameChecksum(f.subspan(1, 2 + payload)) == f.back();
}

int AddressOf(std::span<const std::uint8_t> f) {
    return (f[1] << 8) | f[2];
}

}  // namespace

SimModule::SimModule() {
    // A fresh module: calibration and the rest of memory erased.
    memory_.fill(0xFF);
    memory_[kFreezeAddress] = 0;
    for (int a = kStagingApply; a <= kStagingData + 15; ++a) memory_[a] = 0;
    for (int k = 0; k < 8; ++k) SetCanStatus(k, 0);
}

Bytes SimModule::Read(int address, int count) const {
    Bytes out;
    for (int i = 0; i < count; ++i) out.push_back(memory_[(address + i) & 0xFFFF]);
    return out;
}

void SimModule::Write(int address, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        memory_[(address + static_cast<int>(i)) & 0xFFFF] = bytes[i];
}

void SimModule::SetCanStatus(int slot, std::uint16_t word) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(word >> 8),
                               static_cast<std::uint8_t>(word & 0xFF)};
    Write(kCanStatusBase + 10 * slot, b);
}

void SimModule::SetCanTraffic(int slot, std::vector<std::uint16_t> words) {
    canTraffic_[slot] = {std::move(words), 0};
}

void SimModule::AdvanceCanTraffic(int address) {
    for (auto& [slot, traffic] : canTraffic_) {
        if (kCanStatusBase + 10 * slot != address || traffic.words.empty()) continue;
        SetCanStatus(slot, traffic.words[traffic.next]);
        traffic.next = (traffic.next + 1) % traffic.words.size();
    }
}

void SimModule::Store(int address, std::uint8_t value) {
    address &= 0xFFFF;
    memory_[address] = value;
    if (address == kStagingApply && value == 0x01) ApplyStagedChange();
}

void SimModule::ApplyStagedChange() {
    const int target = (memory_[kStagingTarget] << 8) | memory_[kStagingTarget + 1];
    const int count = memory_[kStagingCount];
    if (count >= 1 && count <= 16) {
        Write(target, std::span(memory_).subspan(kStagingData, static_cast<std::size_t>(count)));
        ++appliedChanges_;
    }
    memory_[kStagingApply] = 0;
}

Bytes SimModule::Handle(std::span<const std::uint8_t> request) {
    if (request.empty()) return {};
    return bootloader_ ? HandleBootloader(request) : HandleFirmware(request);
}

Bytes SimModule::HandleFirmware(std::span<const std::uint8_t> f) {
    switch (f[0]) {
        case L('F'):
            if (f.size() != 1) return {};
            return {version_.major, version_.minor, version_.revision,
                    FrameChecksum(std::array{version_.major, version_.minor, version_.revision})};
        case L('X'):
            if (!AddressedFrameOk(f, 1)) return {};
            Store(AddressOf(f), f[3]);
            return {L('X')};
        case L('W'):
            if (!AddressedFrameOk(f, 2)) return {};
            Store(AddressOf(f), f[3]);
            Store(AddressOf(f) + 1, f[4]);
            return {L('W')};
        case L('P'): {
            if (f.size() < 4) return {};
            const std::size_t payload = f.size() - 4;
            if (!AddressedFrameOk(f, payload)) return {};
            for (std::size_t i = 0; i < payload; ++i)
                Store(AddressOf(f) + static_cast<int>(i), f[3 + i]);
            return {L('P')};
        }
        case L('Q'):
            if (!AddressedFrameOk(f, 0)) return {};
            return WithChecksum(L('Q'), Read(AddressOf(f), 16));
        case L('R'):
            if (!AddressedFrameOk(f, 0)) return {};
            AdvanceCanTraffic(AddressOf(f));
            return WithChecksum(L('R'), Read(AddressOf(f), 2));
        case L('?'): {
            if (f.size() != 1) return {};
            const bool unlocked =
                memory_[kUnlockAddress] == 0xFF && memory_[kUnlockAddress + 1] == 0xFF &&
                memory_[kMarkerAddress] == 0xCB && memory_[kMarkerAddress + 1] == 0xE0;
            if (!unlocked) return {L('N')};
            bootloader_ = true;
            upgradeFinished_ = false;
            return {L('Y')};
        }
        default:
            return {};
    }
}

Bytes SimModule::HandleBootloader(std::span<const std::uint8_t> f) {
    switch (f[0]) {
        case L('P'): {
            // "P", a16-23, a8-15, a0-7, checksum of address and data, "000", data.
            if (f.size() < 8 || f[5] != L('0') || f[6] != L('0') || f[7] != L('0')) return {};
            const auto data = f.subspan(8);
            const auto sum =
                static_cast<std::uint8_t>(FrameChecksum(f.subspan(1, 3)) + FrameChecksum(data));
            if (sum != f[4]) return {};
            const std::uint32_t address = (std::uint32_t{f[1]} << 16) | (f[2] << 8) | f[3];
            for (std::size_t i = 0; i < data.size(); ++i)
                program_[(address + static_cast<std::uint32_t>(i)) & 0xFFFFFF] = data[i];
            return {L('P'), f[1], f[2], f[3]};
        }
        case L('C'):
            if (f.size() != 1) return {};
            upgradeFinished_ = true;
            return {L('C')};
        case L('G'):
            if (f.size() != 1) return {};
            bootloader_ = false;
            ++resets_;
            return {L('G')};
        case L('?'):
            return f.size() == 1 ? Bytes{L('Y')} : Bytes{};
        default:
            return {};
    }
}

}  // namespace vx42::sim
