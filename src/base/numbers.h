#pragma once
// The one reader and writer of numbers in text. Every number the tool reads from a box, a
// cell, a file or a setting, and every number it shows or writes, passes through here. The
// period is the decimal point on every desktop: neither the C library's locale nor Qt's is
// consulted, so a German or French desktop reads "62.5" as 62.5, exactly as the tests do.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx42 {

// How much of a text makes the number.
enum class NumberExtent {
    Whole,    // the text is one number and nothing else (blanks around it allowed)
    Leading,  // the number the text starts with; whatever follows it is ignored
};

// The rules a caller reads a number by. A number is an optional sign ("+" or "-"), digits
// with "." as the decimal point (".5" and "5." are numbers, "." is not), and, unless
// `integer`, an optional exponent ("1e3"). Hexadecimal, infinity and NaN spellings, and a
// value too large to be finite, are never numbers.
struct NumberRules {
    NumberExtent extent = NumberExtent::Whole;
    bool blanksInside = false;  // spaces and tabs anywhere are dropped first ("1 2.5" is 12.5)
    bool integer = false;       // digits only: no decimal point, no exponent
};

// The number `text` holds by `rules`, or nothing when it holds none.
std::optional<double> ReadNumber(std::string_view text, const NumberRules& rules = {});

// The number right at the start of `text` (no blanks skipped) and how many characters it
// takes, for readers that walk through a text of their own.
struct NumberAt {
    double value = 0;
    std::size_t length = 0;
};
std::optional<NumberAt> ReadNumberAt(std::string_view text, bool integer = false);

// The same for a whole number that must be exact beyond a double's 53 bits: an optional sign
// and digits that fit 64 bits.
struct IntegerAt {
    std::int64_t value = 0;
    std::size_t length = 0;
};
std::optional<IntegerAt> ReadIntegerAt(std::string_view text);

// A whole number in a base (10 or 16) that fills the text (blanks around it allowed, no sign,
// no "0x"), or nothing when it is not one or is above `maximum`.
std::optional<std::uint64_t> ReadUnsigned(std::string_view text, int base = 10,
                                          std::uint64_t maximum = UINT64_MAX);

// A version such as "2.1.0": exactly `parts` whole decimal numbers joined by ".", each at
// most `maximum`, or nothing.
std::optional<std::vector<std::uint64_t>> ReadVersion(std::string_view text, std::size_t parts,
                                                      std::uint64_t maximum);

// The number a text starts with, 0 when it starts with none.
double LeadingNumber(std::string_view text);

// The number typed into a box: blanks anywhere dropped, then the number the text starts
// with (a leading "." reads as "0."); an empty or non-numeric text is 0. A comma is no
// decimal point: a box's commit refuses it (`AcceptTypedNumber`) before this reads the text.
double TypedNumber(std::string_view text);

// Whether a typed number holds a comma. Many desktops write their decimal point as a comma;
// this tool never reads one, neither as a decimal point nor as a thousands separator, so
// "1,5" is refused rather than taken for 1 or 15.
bool HoldsComma(std::string_view text);

// The message refusing a typed or pasted text that is not a number, and its title.
std::string NotANumberText(std::string_view text);
inline constexpr const char* kNotANumberTitle = "Not A Number";

class Prompt;
// Says through the prompt that a text is not a number.
void RefuseNotANumber(Prompt& prompt, std::string_view text);
// A typed number that holds a comma is refused through the prompt; whether the text may be
// read as a number.
bool AcceptTypedNumber(Prompt& prompt, std::string_view text);

// The shortest decimal text that reads back as the same double ("12", "12.5", "6553.5").
std::string ShortestText(double value);

// The value with exactly `decimals` digits after the point, correctly rounded from the exact
// binary value ("62.50"); no decimal point when `decimals` is 0.
std::string FixedPointText(double value, int decimals);

}  // namespace vx42
