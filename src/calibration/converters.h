#pragma once
// The small byte and bit converters every encoding of the calibration uses.
// A word is a 16-bit value stored most significant byte first.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/numbers.h"

namespace vx42 {

using Bytes = std::vector<std::uint8_t>;

double Clamp(double value, double lo, double hi);

// Rounds to the nearest integer, halves to the even neighbour.
double RoundHalfEven(double value);
// Rounds to the given number of decimals, halves to even.
double RoundHalfEven(double value, int digits);

std::uint8_t HighByte(double value);
std::uint8_t LowByte(double value);
unsigned MakeWord(std::uint8_t high, std::uint8_t low);
double WordTenths(std::uint8_t high, std::uint8_t low);
double WordPercentOfPeriod(std::uint8_t high, std::uint8_t low, double period);
std::uint8_t PercentHighByte(double percent, double period);
std::uint8_t PercentLowByte(double percent, double period);

// Battery volts: raw = round(volts / 55 * 4096), halves to even.
unsigned VoltsToRaw(double volts);
std::uint8_t VoltsHighByte(double volts);
std::uint8_t VoltsLowByte(double volts);
double WordVolts(std::uint8_t high, std::uint8_t low);

// A 24-bit address, most significant byte first.
std::array<std::uint8_t, 3> Split24(std::uint32_t value);

// 32-bit and 64-bit numbers, least significant byte first.
std::array<std::uint8_t, 4> LongToBytes(std::int32_t value);
std::int32_t BytesToLong(std::span<const std::uint8_t> bytes);
std::array<std::uint8_t, 8> DoubleToBytes(double value);
double BytesToDouble(std::span<const std::uint8_t> bytes);

std::string ByteToHex(std::uint8_t byte);
std::string BytesToHex(std::span<const std::uint8_t> bytes);
// Left-pads the text with zeros to 2 * count digits, then one byte per digit pair.
// A text longer than 2 * count keeps its last 2 * count digits; a character that is not a
// hexadecimal digit counts as 0.
Bytes HexToBytes(std::string_view text, std::size_t count);

bool IsBitSet(std::uint8_t byte, int bit);
std::uint8_t SetBit(std::uint8_t byte, int bit);
std::uint8_t ClearBit(std::uint8_t byte, int bit);

}  // namespace vx42
