#include "files/calibration_json.h"

#include <gtest/gtest.h>

#include <random>

namespace vx42 {
namespace {

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
    auto j = nlohmann::json::parse(CalibrationToJson(CalImage{}).dump());
    auto expectError = [](const nlohmann::json& bad, const std::string& field) {
        try {
            (void)CalibrationFromJson(bad);
            ADD_FAILURE() << "accepted bad " << field;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(field), std::string::npos) << e.what();
        }
    };
    auto bad = j;
    bad["Outputs"][2]["Period"] = 70000;
    expectError(bad, "calibration.Outputs[2].Period");
    bad = j;
    bad["MessageSlots"][7]["CanId"] = "XYZ";
    expectError(bad, "calibration.MessageSlots[7].CanId");
    bad = j;
    bad["Outputs"][0]["TableBlock"].erase(0);
    expectError(bad, "calibration.Outputs[0].TableBlock");
    bad = j;
    bad.erase("CanSpeed");
    expectError(bad, "calibration.CanSpeed");
    bad = j;
    bad["Outputs"][3]["Name"] = 5;
    expectError(bad, "calibration.Outputs[3].Name");
    expectError(nlohmann::json::array(), "calibration.Outputs");
}

}  // namespace
}  // namespace vx42
