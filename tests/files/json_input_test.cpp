#include "files/json_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "support/temp_dir.h"

namespace vx42 {
namespace {

std::string ErrorOf(const std::string& text, const limits::JsonLimits& caps) {
    try {
        ParseJsonText(text, "\"in.json\"", caps);
    } catch (const JsonInputError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(JsonInput, EveryFaultOfTheTextIsOneTypedErrorNamingTheSource) {
    const limits::JsonLimits caps{1024, 4, 20};
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"{\"Messages\":[1e400]}", "\"in.json\" is not valid JSON: number overflow"},
        {"{", "\"in.json\" is not valid JSON: parse error"},
        {"[[[[1]]]]", "\"in.json\" has more than 4 levels of nesting"},
        {"[[[1]]]", "accepted"},  // just under the depth cap
        {"[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20]",
         "\"in.json\" has more than 20 values"},
        {"[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19]", "accepted"},
        {"{\"a\":1,\"b\":{\"c\":[]}}", "accepted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf(c.text, caps).substr(0, c.expected.size()), c.expected) << c.text;
    // A deep nesting of "[" stops at the cap, long before the end of the text.
    EXPECT_EQ(ErrorOf(std::string(4'000'000, '['), limits::kCalibrationJson),
              "\"in.json\" has more than 16 levels of nesting");
}

TEST(JsonInput, FilesBeyondTheSizeCapAreTooLarge) {
    test::TempDir dir;
    const std::string path = dir.file("big.json");
    std::ofstream(path) << "[" << std::string(2000, ' ') << "]";
    try {
        ReadJsonInput(path, {1000, 4, 20});
        FAIL() << "accepted";
    } catch (const JsonInputError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "\"" + path + "\" is too large (2,002 bytes; at most 1,000 bytes)");
    }
    EXPECT_THROW(ReadJsonInput(dir.file("missing.json"), {1000, 4, 20}), JsonInputError);
}

TEST(JsonInput, IntegersAreCheckedBeforeTheyAreConverted) {
    using nlohmann::json;
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    const struct {
        const char* text;
        std::int64_t lo, hi;
        std::optional<std::int64_t> expected;
    } cases[] = {
        {"18446744073709551615", lo, hi, std::nullopt},  // would wrap to -1
        {"18446744073709551615", 0, std::numeric_limits<std::int64_t>::max(), std::nullopt},
        {"9223372036854775807", 0, std::numeric_limits<std::int64_t>::max(), INT64_MAX},
        {"2147483647", lo, hi, hi},
        {"2147483648", lo, hi, std::nullopt},
        {"-2147483648", lo, hi, lo},
        {"-2147483649", lo, hi, std::nullopt},
        {"5", 10, 20, std::nullopt},  // unsigned below a positive low end
        {"1.0", lo, hi, std::nullopt},
        {"\"1\"", lo, hi, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsonInteger(json::parse(c.text), c.lo, c.hi), c.expected) << c.text;
}

TEST(JsonInput, NumbersJsonCannotHoldAreWrittenAndReadAsTexts) {
    const double values[] = {
        std::numeric_limits<double>::quiet_NaN(), INFINITY, -INFINITY, -0.0, 0.1, 1e308};
    for (const double v : values) {
        const auto back = JsonNumberValue(nlohmann::json::parse(JsonNumber(v).dump()));
        ASSERT_TRUE(back.has_value()) << v;
        EXPECT_EQ(std::isnan(*back), std::isnan(v)) << v;
        EXPECT_EQ(std::signbit(*back), std::signbit(v)) << v;
        if (!std::isnan(v)) {
            EXPECT_EQ(*back, v);
        }
    }
    EXPECT_EQ(JsonNumber(INFINITY).dump(), "\"Infinity\"");
    EXPECT_FALSE(JsonNumberValue(nlohmann::json("nan")).has_value());
    EXPECT_FALSE(JsonNumberValue(nlohmann::json(nullptr)).has_value());
}

}  // namespace
}  // namespace vx42
