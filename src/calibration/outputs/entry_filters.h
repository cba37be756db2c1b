#pragma once
// The input filters every entry box of an output tab shares, as functions on text.

#include <string>
#include <string_view>

#include "base/numbers.h"

namespace vx42 {

// The text colours of an entry box: black in range, red out of range.
enum class TextColour { Black = 0, Red = 255 };

// Whether the box's numeric value lies within minimum..maximum (the colouring test).
bool TextInRange(std::string_view text, double minimum, double maximum);
TextColour ColourTextBox(std::string_view text, double minimum, double maximum);

// A scaled value with its fraction dropped, after the binary noise of the scaling is
// removed (so 57 % of 100 is 57, not 56.999...).
double DropFraction(double value);

// The on-time counts of a duty cycle: percent of the period, clamped to 0..65535,
// fraction dropped.
double OnTimeCounts(double percent, double period);
// A frequency in tenths of hertz, clamped to 0..65535, fraction dropped.
double TenthsCounts(double hertz);

}  // namespace vx42
