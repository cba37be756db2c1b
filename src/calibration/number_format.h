#pragma once
// The display patterns of the tool: "###0", "###0.0", "###0.00" and "#,###".

#include <string>

#include "base/numbers.h"

namespace vx42 {

enum class Pattern {
    Whole,        // "###0": at least one digit, no decimals, no grouping
    OneDecimal,   // "###0.0"
    TwoDecimals,  // "###0.00"
    Grouped,      // "#,###": thousands separated by ",", no decimals, zero as ""
};

// Formats like the display patterns do: rounded to the pattern's decimals with halves
// away from zero (judged on the exact binary value).
std::string FormatNumber(double value, Pattern pattern);

}  // namespace vx42
