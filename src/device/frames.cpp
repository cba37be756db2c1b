// The request frames of the module protocol and the rules that accept their replies.
#include "device/frames.h"

#include "device/bridge.h"

namespace vx42::frame {
namespace {

std::uint8_t Letter(char c) {
    return static_cast<std::uint8_t>(c);
}

// Letter, 16-bit address high byte first, payload, then the checksum of all but the letter.
Bytes AddressedFrame(char letter, int address, std::span<const std::uint8_t> payload) {
    const auto a = static_cast<unsigned>(address) & 0xFFFF;
    Bytes f{Letter(letter), static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a & 0xFF)};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(FrameChecksum(std::span(f).subspan(1)));
    return f;
}

}  // namespace

Bytes FirmwareRequest() {
    return {Letter('F')};
}
Bytes BootloaderRequest() {
    return {Letter('?')};
}
Bytes FinishUpgradeRequest() {
    return {Letter('C')};
}
Bytes ResetRequest() {
    return {Letter('G')};
}

Bytes Write1Request(std::uint8_t value, int address) {
    return AddressedFrame('X', address, std::span(&value, 1));
}

Bytes Write2Request(std::span<const std::uint8_t> data, int address) {
    return AddressedFrame('W', address, data.first(2));
}

Bytes Write16Request(std::span<const std::uint8_t> data, int address) {
    return AddressedFrame('P', address, data);
}

Bytes Read16Request(int address) {
    return AddressedFrame('Q', address, {});
}
Bytes Read2Request(int address) {
    return AddressedFrame('R', address, {});
}

Bytes BootBlockRequest(std::span<const std::uint8_t> data, std::uint32_t address) {
    const auto a = Split24(address & 0xFFFFFF);
    Bytes f{Letter('P'), a[0], a[1], a[2]};
    const std::uint8_t sum = static_cast<std::uint8_t>(FrameChecksum(a) + FrameChecksum(data));
    f.push_back(sum);
    f.insert(f.end(), 3, Letter('0'));
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

bool AcceptAck(std::span<const std::uint8_t> reply, char letter) {
    return !reply.empty() && reply[0] == Letter(letter);
}

std::optional<std::string> AcceptVersion(std::span<const std::uint8_t> reply) {
    if (reply.size() != kVersionLength) return std::nullopt;
    if (FrameChecksum(reply.first(3)) != reply[3]) return std::nullopt;
    return std::to_string(reply[0]) + "." + std::to_string(reply[1]) + "." +
           std::to_string(reply[2]);
}

bool AcceptRead(std::span<const std::uint8_t> reply, char letter, int count, Bytes& data) {
    const auto n = static_cast<std::size_t>(count);
    if (reply.size() != n + 2 || reply[0] != Letter(letter)) return false;
    data.assign(reply.begin() + 1, reply.begin() + 1 + count);
    return FrameChecksum(data) == reply[n + 1];
}

bool AcceptBootloader(std::span<const std::uint8_t> reply) {
    return !reply.empty() && reply[0] == Letter('Y');
}

bool AcceptBootBlock(std::span<const std::uint8_t> reply) {
    return reply.size() == kBootBlockReplyLength && reply[0] == Letter('P');
}

}  // namespace vx42::frame
