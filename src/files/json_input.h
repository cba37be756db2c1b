#pragma once
// JSON read from files made by anyone: parsed within caps, every fault turned into one typed
// error that names the file, numbers range-checked before they are converted, and numbers
// JSON cannot hold (NaN, infinities) written and read as the texts "NaN", "Infinity" and
// "-Infinity".

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "files/input_limits.h"

namespace vx42 {

// JSON that cannot be read or is beyond its caps; the message names the source.
class JsonInputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Parses the text; `source` (quoted by the caller when it is a file) starts every message.
// Refuses syntax errors, numbers out of the double range, and texts beyond the limits'
// nesting depth or count of values. Throws JsonInputError.
nlohmann::json ParseJsonText(std::string_view text, const std::string& source,
                             const limits::JsonLimits& caps);
// Reads and parses a whole file, at most caps.bytes long; messages start with the quoted
// path. Throws JsonInputError (for a missing or unreadable file too).
nlohmann::json ReadJsonInput(const std::string& path, const limits::JsonLimits& caps);

// A double as JSON: the number itself, or "NaN", "Infinity", "-Infinity".
template <typename Json = nlohmann::ordered_json>
Json JsonNumber(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    return value;
}
// The reverse: a JSON number or one of those three texts; nothing for anything else.
std::optional<double> JsonNumberValue(const nlohmann::json& value);
// A whole JSON number within lo..hi, checked before any conversion (an unsigned number
// beyond the signed range is out of range, never wrapped); nothing for anything else.
std::optional<std::int64_t> JsonInteger(const nlohmann::json& value, std::int64_t lo,
                                        std::int64_t hi);

}  // namespace vx42
