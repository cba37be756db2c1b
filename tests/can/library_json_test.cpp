#include "can/library_json.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <set>

#include "can/library_files.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

using nlohmann::json;

const char* kOneMessage = R"({"Name": "X", "Version": "V999", "Messages": [
  {"CanId": 419361024, "Name": " Wheel Speed ", "Description": "CCVS", "DataLength": 8,
   "StartByte": 1, "StartBit": 0, "BitLength": 16, "BigEndian": false, "ClearRtr": true,
   "Offset": -40, "Multiplier": 0.00390625, "Unit": "KPH", "EndianLength": 2}]})";

std::string ErrorOf(const std::string& text) {
    try {
        LibraryFromJsonText(text, "lib.json");
    } catch (const LibraryJsonError& e) {
        return e.what();
    }
    return "no error";
}

TEST(LibraryJson, BuildsALibraryIgnoringNameAndVersion) {
    const CanLibrary library = LibraryFromJsonText(kOneMessage, "lib.json");
    EXPECT_EQ(std::tuple(library.Version, Trimmed(library.Name)), std::tuple("C002", ""));
    ASSERT_EQ(library.MessageCount(), 1);
    const CanMessage& m = library.Messages[0];
    EXPECT_EQ(std::tuple(m.CanId, m.Name, m.ClearRtr, m.BigEndian, m.Offset, m.Multiplier,
                         m.EndianLength),
              std::tuple(0x18FEF100, "Wheel Speed", true, false, -40, 0.00390625, 2));
}

TEST(LibraryJson, RoundTripsThroughTheLibraryBytes) {
    // Texts read from a file are Windows-1252 and padded; JSON gets them as trimmed UTF-8.
    CanLibrary original = LibraryFromJsonText(kOneMessage, "lib.json");
    original.Messages[0].Unit = "°C";
    original.Messages[0].Description = "Öltemperatur";
    CanLibrary fromFile = NewLibrary("Engine Data");
    ASSERT_EQ(ReadLibraryBytes(WriteLibraryBytes(original), fromFile).status,
              LibraryReadResult::Status::Ok);

    const json document = LibraryToJson(fromFile);
    const json& first = document["Messages"][0];
    EXPECT_EQ(std::tuple(document["Name"], document["Version"], first["Unit"], first["Name"],
                         first["Description"]),
              std::tuple("Engine Data", "C002", "°C", "Wheel Speed", "Öltemperatur"));
    EXPECT_TRUE(first["ClearRtr"].is_boolean());

    const CanLibrary back = LibraryFromJsonText(LibraryToJsonText(fromFile), "again.json");
    EXPECT_EQ(back.Messages, original.Messages);
}

TEST(LibraryJson, BadInputNamesTheFileAndTheField) {
    EXPECT_NE(ErrorOf("{").find("lib.json is not valid JSON: parse error"), std::string::npos);
    // The count of messages is checked before any is read.
    auto list = [](std::size_t n) {
        std::string text = "{\"Messages\":[0";
        for (std::size_t i = 1; i < n; ++i) text += ",0";
        return text + "]}";
    };
    EXPECT_EQ(ErrorOf(list(65535)), "lib.json: field \"Messages[0]\" must be an object");
    EXPECT_EQ(ErrorOf(list(65536)),
              "lib.json: field \"Messages\" must be an array of at most 65,535 messages");
    EXPECT_EQ(ErrorOf("[]"), "lib.json: field \"the top level\" must be an object");
    EXPECT_EQ(ErrorOf(R"({"Messages": {}})"), "lib.json: field \"Messages\" must be an array");
    EXPECT_EQ(ErrorOf(R"({"Name": "x"})"), "lib.json: field \"Messages\" is missing");

    // A second message with one field changed (discarded: left out), and what is said of it
    // after "lib.json: field "Messages[1].FIELD" " ("" when the library is read).
    const std::tuple<const char*, json, const char*> fields[] = {
        {"Unit", json(json::value_t::discarded), "is missing"},
        {"DataLength", 256, "must be an integer from 0 to 255"},
        {"StartBit", -1, "must be an integer from 0 to 255"},
        {"CanId", 1.5, "must be an integer"},
        {"CanId", 4294967296u, "must be an integer from -2147483648 to 2147483647"},
        {"Offset", 18446744073709551615u, "must be an integer from -2147483648 to 2147483647"},
        {"BigEndian", 1, "must be true or false"},
        {"Multiplier", "2", "must be a number"},
        {"Name", std::string(25, 'x'), "must be a text of at most 24 characters"},
        {"Unit", "€uro", ""},  // the euro sign is one Windows-1252 byte
        {"Unit", "Ω", "must be a text of Windows-1252 characters"},
    };
    for (const auto& [field, value, said] : fields) {
        json document = json::parse(kOneMessage);
        document["Messages"].push_back(document["Messages"][0]);
        if (value.is_discarded())
            document["Messages"][1].erase(field);
        else
            document["Messages"][1][field] = value;
        EXPECT_EQ(ErrorOf(document.dump()),
                  *said ? "lib.json: field \"Messages[1]." + std::string(field) + "\" " + said
                        : "no error");
    }
}

TEST(LibraryJson, NonFiniteMultipliersSurviveShowThenBuild) {
    CanLibrary library = LibraryFromJsonText(kOneMessage, "lib.json");
    for (const double m : {std::numeric_limits<double>::quiet_NaN(), HUGE_VAL, -HUGE_VAL}) {
        library.Messages.push_back(library.Messages[0]);
        library.Messages.back().Multiplier = m;
    }
    const std::string shown = LibraryToJsonText(library);
    EXPECT_NE(shown.find("\"Multiplier\": \"NaN\""), std::string::npos);
    EXPECT_NE(shown.find("\"Multiplier\": \"-Infinity\""), std::string::npos);
    EXPECT_EQ(WriteLibraryBytes(LibraryFromJsonText(shown, "shown.json")),
              WriteLibraryBytes(library));
}

TEST(LibraryJson, TheTextIsTheDocumentWrittenAMessageAtATime) {
    CanLibrary library = LibraryFromJsonText(kOneMessage, "lib.json");
    library.Messages.push_back(library.Messages[0]);
    library.Messages.back().Name = "Second\n\"quoted\"";
    for (const CanLibrary& l : {library, NewLibrary("Empty")})
        EXPECT_EQ(LibraryToJsonText(l), LibraryToJson(l).dump(2) + "\n");
}

TEST(LibraryJson, FilesAreNamedAfterTheirFile) {
    test::TempDir dir;
    std::ofstream(dir.file("Body_Control.json"), std::ios::binary) << kOneMessage;
    EXPECT_EQ(Trimmed(ReadLibraryJsonFile(dir.file("Body_Control.json")).Name), "Body Control");
    EXPECT_THROW(ReadLibraryJsonFile(dir.file("missing.json")), LibraryJsonError);
}

TEST(ExampleLibrary, HoldsUsableJ1939Definitions) {
    const CanLibrary library =
        ReadLibraryJsonFile(std::string(VX42_SOURCE_DIR) + "/data/libraries/SAE_J1939.json");
    EXPECT_EQ(Trimmed(library.Name), "SAE J1939");
    ASSERT_GE(library.MessageCount(), 6);
    std::set<std::string> names;
    for (const auto& m : library.Messages) {
        SCOPED_TRACE(m.Name);
        EXPECT_TRUE(names.insert(m.Name).second) << "names are unique";
        EXPECT_NE(std::find(kCanUnits.begin(), kCanUnits.end(), m.Unit), kCanUnits.end());
        // 29-bit identifiers, taken as extended by the module.
        EXPECT_TRUE(m.CanId > 0xFFFF && m.CanId <= 0x1FFFFFFF) << m.CanId;
        EXPECT_TRUE(m.BitLength >= 1 && m.BitLength <= 16) << m.BitLength;
        EXPECT_LE(m.StartByte * 8 + m.StartBit + m.BitLength, m.DataLength * 8);
        EXPECT_EQ(m.EndianLength * 8, (m.BitLength + 7) / 8 * 8);
        EXPECT_GT(m.Multiplier, 0);
    }
}

}  // namespace
}  // namespace vx42
