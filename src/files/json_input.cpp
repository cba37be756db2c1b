// JSON read from files made by anyone, within the input limits.
#include "files/json_input.h"

#include <cmath>
#include <limits>

namespace vx42 {

using nlohmann::json;

namespace {

// Thrown from the parser's callback to stop at the first value beyond a cap.
struct CapReached {
    std::string what;
    std::size_t limit;
};

}  // namespace

json ParseJsonText(std::string_view text, const std::string& source,
                   const limits::JsonLimits& caps) {
    std::size_t values = 0;
    // Called for every key, value and opening bracket before the parser builds on it, so
    // neither depth nor count grows past its cap.
    const json::parser_callback_t guard = [&caps, &values](int depth, json::parse_event_t event,
                                                           json&) {
        if (event == json::parse_event_t::object_end || event == json::parse_event_t::array_end)
            return true;
        if (static_cast<std::size_t>(depth) >= caps.depth)
            throw CapReached{"levels of nesting", caps.depth};
        if (++values > caps.values) throw CapReached{"values", caps.values};
        return true;
    };
    try {
        return json::parse(text.begin(), text.end(), guard);
    } catch (const CapReached& cap) {
        throw JsonInputError(TooManyText(source, cap.what, cap.limit));
    } catch (const json::out_of_range& e) {
        // A number beyond the double range (nlohmann error 406).
        std::string why = e.what();
        const auto at = why.find("number overflow");
        throw JsonInputError(
            source + " is not valid JSON: " + (at == std::string::npos ? why : why.substr(at)));
    } catch (const json::exception& e) {
        // The library's text starts with its own error id; keep what follows "parse error".
        std::string why = e.what();
        const auto at = why.find("parse error");
        if (at != std::string::npos) why = why.substr(at);
        throw JsonInputError(source + " is not valid JSON: " + why);
    }
    return {};
}

json ReadJsonInput(const std::string& path, const limits::JsonLimits& caps) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadWholeFile(path, caps.bytes);
    } catch (const FileError& e) {
        throw JsonInputError(e.what());
    }
    return ParseJsonText(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
        "\"" + path + "\"", caps);
}

std::optional<double> JsonNumberValue(const json& value) {
    if (value.is_number()) return value.get<double>();
    if (!value.is_string()) return std::nullopt;
    const auto& text = value.get_ref<const std::string&>();
    if (text == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (text == "Infinity") return std::numeric_limits<double>::infinity();
    if (text == "-Infinity") return -std::numeric_limits<double>::infinity();
    return std::nullopt;
}

std::optional<std::int64_t> JsonInteger(const json& value, std::int64_t lo, std::int64_t hi) {
    if (value.is_number_unsigned()) {
        const auto v = value.get<std::uint64_t>();
        if (hi < 0 || v > static_cast<std::uint64_t>(hi) ||
            (lo > 0 && v < static_cast<std::uint64_t>(lo)))
            return std::nullopt;
        return static_cast<std::int64_t>(v);
    }
    if (!value.is_number_integer()) return std::nullopt;
    const auto v = value.get<std::int64_t>();
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

}  // namespace vx42
