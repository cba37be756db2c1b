// The JSON the commands read and print: the caps and checks of any JSON input, and the
// calibration as JSON.

#include "files/json_input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <random>

#include "files/calibration_json.h"
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
        EXPECT_TRUE(std::isnan(v) || *back == v) << v << " read back as " << *back;
    }
    EXPECT_EQ(JsonNumber(INFINITY).dump(), "\"Infinity\"");
    EXPECT_FALSE(JsonNumberValue(nlohmann::json("nan")).has_value());
    EXPECT_FALSE(JsonNumberValue(nlohmann::json(nullptr)).has_value());
}

// Random bytes everywhere, with blank-padded texts and finite multipliers, as a real
// calibration holds them.
CalImage RealisticImage(unsigned seed) {
    std::mt19937 rng(seed);
    CalImage image;
    for (int i = 0; i < kCalImageSize; ++i) image[i] = static_cast<std::uint8_t>(rng());
    const auto& m = CalAddresses();
    for (int o = 0; o < kOutputs; ++o)
        image.StoreText(m.OutputName[o], width::OutputName, "Fuel £ " + std::to_string(o));
    for (int s = 0; s < kMessageSlots; ++s) {
        const auto& d = m.MessageDefSlot[s];
        image.StoreText(d.LibraryName, width::LibraryName, "SAE J1939");
        image.StoreText(d.MessageName, width::MessageName, "Engine Speed");
        image.StoreText(d.Description, width::Description, "");
        image.StoreText(d.Unit, width::Unit, "°C");
        image.StoreDouble(d.Multiplier, 0.1 * (s + 1) / 3);
    }
    return image;
}

TEST(CalibrationJson, ShowThenBuildGivesBackTheImage) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const CalImage image = RealisticImage(seed);
        const auto json = CalibrationToJson(image);
        const auto reparsed = nlohmann::json::parse(json.dump());
        EXPECT_EQ(CalibrationFromJson(reparsed), image) << seed;
    }
}

TEST(CalibrationJson, FieldsReadAsStored) {
    CalImage image;
    const auto& m = CalAddresses();
    image.StoreWord(m.OutputCal[1].TableBlock + 2 * 17, 2500);  // row 1, column 1
    image.CopyIntoImage(Bytes{0xC7, 0xFD, 0xE2, 0x00}, ImageIndex(m.MessageSlot[2].CanId));
    image.StoreWord(m.CanSpeed, 500);
    image.SetByte(0xEA6, 0x5A);
    image.StoreDouble(m.MessageDefSlot[0].Multiplier, std::nan(""));
    const auto j = CalibrationToJson(image);
    EXPECT_EQ(j["Outputs"][1]["TableBlock"][17], 2500);
    EXPECT_EQ(j["MessageSlots"][2]["CanId"], "C7FDE200");
    EXPECT_EQ(j["MessageSlots"][2]["TimeoutData"], "0000000000000000");
    EXPECT_EQ(j["CanSpeed"], 500);
    EXPECT_EQ(j["LastByte"], 0x5A);
    EXPECT_EQ(j["MessageSlots"][0]["Multiplier"], "NaN");
    const auto& first = j["Outputs"][0];
    EXPECT_EQ(std::tuple(first["DataSource"].size(), first["PrimaryBlock"].size(),
                         first["SecondaryBlock"].size(), first["TableBlock"].size()),
              std::tuple(2u, 16u, 8u, 128u));
}

TEST(CalibrationJson, BadInputNamesTheField) {
    using nlohmann::json;
    const json good = json::parse(CalibrationToJson(CalImage{}).dump());
    const struct {
        std::function<void(json&)> damage;
        const char* field;
    } cases[] = {
        {[](json& j) { j["Outputs"][2]["Period"] = 70000; }, "calibration.Outputs[2].Period"},
        {[](json& j) { j["MessageSlots"][7]["CanId"] = "XYZ"; },
         "calibration.MessageSlots[7].CanId"},
        {[](json& j) { j["Outputs"][0]["TableBlock"].erase(0); },
         "calibration.Outputs[0].TableBlock"},
        {[](json& j) { j.erase("CanSpeed"); }, "calibration.CanSpeed"},
        {[](json& j) { j["Outputs"][3]["Name"] = 5; }, "calibration.Outputs[3].Name"},
        {[](json& j) { j = json::array(); }, "calibration.Outputs"},
    };
    for (const auto& c : cases) {
        json bad = good;
        c.damage(bad);
        try {
            (void)CalibrationFromJson(bad);
            ADD_FAILURE() << "accepted bad " << c.field;
        } catch (const std::invalid_argument& e) {
            EXPECT_THAT(e.what(), ::testing::HasSubstr(c.field));
        }
    }
}

}  // namespace
}  // namespace vx42
