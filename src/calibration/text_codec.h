#pragma once
// Text as the module and our files keep it: one byte per character, Windows-1252.
// In memory every text is UTF-8.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vx42 {

// UTF-8 to Windows-1252 bytes. A character the code page cannot hold becomes '?';
// malformed UTF-8 sequences become '?' as well.
std::vector<std::uint8_t> ToWin1252(std::string_view utf8);

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number,
// so every byte survives a round trip.
std::string FromWin1252(std::span<const std::uint8_t> bytes);

// A fixed-width field: converted first, then cut to width (never splitting a character)
// and padded with blanks.
std::vector<std::uint8_t> ToFixedField(std::string_view utf8, std::size_t width);

// A field read back: converted and trimmed of leading and trailing blanks.
std::string FromFixedField(std::span<const std::uint8_t> bytes);

}  // namespace vx42
