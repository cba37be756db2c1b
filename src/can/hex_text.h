#pragma once
// Strict hexadecimal text: every character must be a hexadecimal digit.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx42 {

// The value of 1 to 8 hexadecimal digits (either case); nothing for other text.
std::optional<std::uint32_t> ParseHex32(std::string_view text);
// Two digits per byte; nothing for an odd count or a character that is not a digit.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text);
// Upper-case hexadecimal digits without leading zeros ("0" for 0).
std::string Hex32(std::uint32_t value);

}  // namespace vx42
