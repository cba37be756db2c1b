// The one reader and writer of numbers in text, the same under every locale.
#include "base/numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "base/prompt.h"
#include "base/trim.h"

namespace vx42 {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The blanks a number may stand between.
constexpr std::string_view kNumberBlanks = " \t";

// The length of the number at the start of `text` (sign excluded), 0 when none starts there.
std::size_t NumberLength(std::string_view text, bool integer) {
    std::size_t i = 0;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (!integer && i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (!integer && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        // An exponent counts only with digits: "2e" is the number 2 followed by an "e".
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
        if (k < text.size() && IsDigit(text[k])) {
            while (k < text.size() && IsDigit(text[k])) ++k;
            i = k;
        }
    }
    return i;
}

}  // namespace

std::optional<double> ReadNumber(std::string_view text, const NumberRules& rules) {
    std::string packed;
    if (rules.blanksInside) {
        for (char c : text)
            if (!IsBlank(c)) packed.push_back(c);
        text = packed;
    }
    text = Trim(text, kNumberBlanks);
    const auto number = ReadNumberAt(text, rules.integer);
    if (!number) return std::nullopt;
    if (rules.extent == NumberExtent::Whole && number->length != text.size()) return std::nullopt;
    return number->value;
}

std::optional<NumberAt> ReadNumberAt(std::string_view text, bool integer) {
    const bool signed_ = !text.empty() && (text.front() == '+' || text.front() == '-');
    const std::string_view unsigned_ = text.substr(signed_ ? 1 : 0);
    const std::size_t length = NumberLength(unsigned_, integer);
    if (length == 0) return std::nullopt;
    double value = 0;
    // from_chars reads the same on every locale; out of range (overflow or underflow) is
    // no number rather than a guess.
    const auto [end, error] = std::from_chars(unsigned_.data(), unsigned_.data() + length, value);
    if (error != std::errc() || end != unsigned_.data() + length || !std::isfinite(value))
        return std::nullopt;
    return NumberAt{text.front() == '-' ? -value : value, length + (signed_ ? 1 : 0)};
}

std::optional<IntegerAt> ReadIntegerAt(std::string_view text) {
    const bool plus = !text.empty() && text.front() == '+';
    const std::string_view rest = text.substr(plus ? 1 : 0);
    // One sign at most: "+-1" and "++1" are no numbers.
    if (rest.empty() || rest.front() == '+' || (plus && rest.front() == '-')) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error != std::errc()) return std::nullopt;
    return IntegerAt{value, static_cast<std::size_t>(end - rest.data()) + (plus ? 1 : 0)};
}

std::optional<std::uint64_t> ReadUnsigned(std::string_view text, int base, std::uint64_t maximum) {
    text = Trim(text, kNumberBlanks);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || value > maximum)
        return std::nullopt;
    return value;
}

std::optional<std::vector<std::uint64_t>> ReadVersion(std::string_view text, std::size_t parts,
                                                      std::uint64_t maximum) {
    std::vector<std::uint64_t> numbers;
    for (std::size_t i = 0; i < parts; ++i) {
        const auto dot = i + 1 < parts ? text.find('.') : text.size();
        if (dot == std::string_view::npos) return std::nullopt;
        const std::string_view piece = text.substr(0, dot);
        // Digits only: no blanks or signs inside a version.
        if (piece.empty() || piece.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        const auto number = ReadUnsigned(piece, 10, maximum);
        if (!number) return std::nullopt;
        numbers.push_back(*number);
        text.remove_prefix(std::min(text.size(), dot + 1));
    }
    return numbers;
}

double LeadingNumber(std::string_view text) {
    return ReadNumber(text, {.extent = NumberExtent::Leading}).value_or(0);
}

double TypedNumber(std::string_view text) {
    return ReadNumber(text, {.extent = NumberExtent::Leading, .blanksInside = true}).value_or(0);
}

bool HoldsComma(std::string_view text) {
    return text.find(',') != std::string_view::npos;
}

std::string NotANumberText(std::string_view text) {
    return "\"" + std::string(text) +
           "\" is not a number. Please enter digits with a period as the decimal point "
           "(Ex. 1.5 or -40).";
}

void RefuseNotANumber(Prompt& prompt, std::string_view text) {
    prompt.Message(NotANumberText(text), kNotANumberTitle, Icon::Exclamation);
}

bool AcceptTypedNumber(Prompt& prompt, std::string_view text) {
    if (!HoldsComma(text)) return true;
    RefuseNotANumber(prompt, text);
    return false;
}

std::string ShortestText(double value) {
    std::array<char, 64> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return std::string(buf.data(), r.ptr);
}

std::string FixedPointText(double value, int decimals) {
    // The longest fixed text of a double: 309 integer digits, a sign, a point and the
    // decimals asked for.
    std::string buf(320 + static_cast<std::size_t>(std::max(decimals, 0)), '\0');
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                 std::chars_format::fixed, std::max(decimals, 0));
    buf.resize(static_cast<std::size_t>(r.ptr - buf.data()));
    return buf;
}

}  // namespace vx42
