// The small byte and bit converters every encoding of the calibration uses.
#include "calibration/converters.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vx42 {

double Clamp(double value, double lo, double hi) {
    if (value < lo) return lo;
    if (value > hi) return hi;
    return value;
}

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

double RoundHalfEven(double value, int digits) {
    const double scale = std::pow(10.0, digits);
    return std::nearbyint(value * scale) / scale;
}

std::uint8_t HighByte(double value) {
    const double v = Clamp(value, 0, 65535);
    return static_cast<std::uint8_t>(std::trunc(v / 256));
}

std::uint8_t LowByte(double value) {
    const double v = Clamp(value, 0, 65535);
    return static_cast<std::uint8_t>(std::trunc(v - 256 * std::trunc(v / 256)));
}

unsigned MakeWord(std::uint8_t high, std::uint8_t low) {
    return 256u * high + low;
}

double WordTenths(std::uint8_t high, std::uint8_t low) {
    return MakeWord(high, low) / 10.0;
}

double WordPercentOfPeriod(std::uint8_t high, std::uint8_t low, double period) {
    return MakeWord(high, low) / period * 100;
}

std::uint8_t PercentHighByte(double percent, double period) {
    return HighByte(std::trunc(Clamp(percent / 100 * period, 0, 65535)));
}
std::uint8_t PercentLowByte(double percent, double period) {
    return LowByte(std::trunc(Clamp(percent / 100 * period, 0, 65535)));
}

unsigned VoltsToRaw(double volts) {
    return static_cast<unsigned>(Clamp(RoundHalfEven(volts / 55 * 4096), 0, 65535));
}
std::uint8_t VoltsHighByte(double volts) {
    return HighByte(VoltsToRaw(volts));
}
std::uint8_t VoltsLowByte(double volts) {
    return LowByte(VoltsToRaw(volts));
}
double WordVolts(std::uint8_t high, std::uint8_t low) {
    return MakeWord(high, low) * 55.0 / 4096;
}

std::array<std::uint8_t, 3> Split24(std::uint32_t value) {
    return {static_cast<std::uint8_t>((value >> 16) & 0xFF),
            static_cast<std::uint8_t>((value >> 8) & 0xFF),
            static_cast<std::uint8_t>(value & 0xFF)};
}

std::array<std::uint8_t, 4> LongToBytes(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
            static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
}

std::int32_t BytesToLong(std::span<const std::uint8_t> bytes) {
    std::uint32_t u = 0;
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i) u |= std::uint32_t{bytes[i]} << (8 * i);
    return static_cast<std::int32_t>(u);
}

std::array<std::uint8_t, 8> DoubleToBytes(double value) {
    const auto u = std::bit_cast<std::uint64_t>(value);
    std::array<std::uint8_t, 8> out{};
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(u >> (8 * i));
    return out;
}

double BytesToDouble(std::span<const std::uint8_t> bytes) {
    std::uint64_t u = 0;
    for (std::size_t i = 0; i < 8 && i < bytes.size(); ++i) u |= std::uint64_t{bytes[i]} << (8 * i);
    return std::bit_cast<double>(u);
}

std::string ByteToHex(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0xF]};
}

std::string BytesToHex(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (auto b : bytes) out += ByteToHex(b);
    return out;
}

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}
}  // namespace

Bytes HexToBytes(std::string_view text, std::size_t count) {
    const std::size_t digits = 2 * count;
    std::string padded;
    if (text.size() < digits)
        padded = std::string(digits - text.size(), '0') + std::string(text);
    else
        padded = std::string(text.substr(text.size() - digits));
    Bytes out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] =
            static_cast<std::uint8_t>(HexDigit(padded[2 * i]) * 16 + HexDigit(padded[2 * i + 1]));
    return out;
}

bool IsBitSet(std::uint8_t byte, int bit) {
    if (bit < 0 || bit > 7) return false;
    return (byte >> bit) & 1;
}
std::uint8_t SetBit(std::uint8_t byte, int bit) {
    if (bit < 0 || bit > 7) return byte;
    return static_cast<std::uint8_t>(byte | (1u << bit));
}
std::uint8_t ClearBit(std::uint8_t byte, int bit) {
    if (bit < 0 || bit > 7) return byte;
    return static_cast<std::uint8_t>(byte & ~(1u << bit));
}

}  // namespace vx42
