// Text as the module and its files keep it: Windows-1252 in fixed, padded fields.
#include "calibration/text_codec.h"

#include <algorithm>
#include <array>

#include "base/trim.h"
#include "base/utf8.h"

namespace vx42 {
namespace {

// Code points of bytes 0x80..0x9F; undefined positions keep their own number.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePointOf(std::uint8_t b) {
    if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
    return b;
}

std::uint8_t ByteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<std::uint8_t>(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp) return static_cast<std::uint8_t>(0x80 + i);
    return '?';
}

// Decodes one UTF-8 character at text[i]; advances i. Returns U+FFFD for malformed input.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<std::uint8_t>(text[i++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size()) return 0xFFFD;
        const auto c = static_cast<std::uint8_t>(text[i]);
        if ((c & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (c & 0x3F);
        ++i;
    }
    return cp;
}

}  // namespace

std::vector<std::uint8_t> ToWin1252(std::string_view utf8) {
    std::vector<std::uint8_t> out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) out.push_back(ByteOf(NextCodePoint(utf8, i)));
    return out;
}

std::string FromWin1252(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (auto b : bytes) AppendUtf8(out, CodePointOf(b));
    return out;
}

std::vector<std::uint8_t> ToFixedField(std::string_view utf8, std::size_t width) {
    auto bytes = ToWin1252(utf8);
    bytes.resize(width, ' ');
    return bytes;
}

std::string FromFixedField(std::span<const std::uint8_t> bytes) {
    return Trimmed(FromWin1252(bytes));
}

}  // namespace vx42
