// A calibration image as JSON, field by field, and back.
#include "files/calibration_json.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "calibration/converters.h"
#include "files/json_input.h"

namespace vx42 {

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

const char* const kDataSourceFields[] = {"MessageSlot", "ByteIndex",  "StartBit",
                                         "BitLength",   "FilterSize", "SamplePeriod"};

int DataSourceAddress(const DataSourceAddresses& ds, int field) {
    const int addresses[] = {ds.MessageSlot, ds.ByteIndex,  ds.StartBit,
                             ds.BitLength,   ds.FilterSize, ds.SamplePeriod};
    return addresses[field];
}

ordered_json Words(const CalImage& image, int address, int count) {
    ordered_json out = ordered_json::array();
    for (int i = 0; i < count; ++i) out.push_back(image.Word(address + 2 * i));
    return out;
}

// Reading back, with the field's path in every error.
struct Reader {
    const json& node;
    std::string path;

    const json& at(const std::string& key) const {
        if (!node.is_object() || !node.contains(key))
            throw std::invalid_argument(path + "." + key + " is missing");
        return node.at(key);
    }
    Reader child(const std::string& key) const { return {at(key), path + "." + key}; }
    Reader item(std::size_t i, std::size_t count) const {
        if (!node.is_array() || node.size() != count)
            throw std::invalid_argument(path + " must be an array of " + std::to_string(count));
        return {node.at(i), path + "[" + std::to_string(i) + "]"};
    }
    long integer(long lo, long hi) const {
        if (!node.is_number_integer())
            throw std::invalid_argument(path + " must be a whole number");
        const auto v = JsonInteger(node, lo, hi);
        if (!v)
            throw std::invalid_argument(path + " must lie between " + std::to_string(lo) + " and " +
                                        std::to_string(hi));
        return static_cast<long>(*v);
    }
    long integer(const std::string& key, long lo, long hi) const {
        return child(key).integer(lo, hi);
    }
    std::string text(const std::string& key) const {
        const json& v = at(key);
        if (!v.is_string()) throw std::invalid_argument(path + "." + key + " must be a text");
        return v.get<std::string>();
    }
    double number(const std::string& key) const {
        const auto v = JsonNumberValue(at(key));
        if (!v) throw std::invalid_argument(path + "." + key + " must be a number");
        return *v;
    }
    Bytes hex(const std::string& key, std::size_t bytes) const {
        const std::string s = text(key);
        if (s.size() != 2 * bytes ||
            s.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            throw std::invalid_argument(path + "." + key + " must be " + std::to_string(2 * bytes) +
                                        " hexadecimal digits");
        return HexToBytes(s, bytes);
    }
};

void StoreWords(CalImage& image, const Reader& list, int address, int count) {
    for (int i = 0; i < count; ++i)
        image.StoreWord(address + 2 * i,
                        list.item(static_cast<std::size_t>(i), count).integer(0, 65535));
}

}  // namespace

ordered_json CalibrationToJson(const CalImage& image) {
    const auto& m = CalAddresses();
    ordered_json root;
    ordered_json outputs = ordered_json::array();
    for (int o = 0; o < kOutputs; ++o) {
        const auto& a = m.OutputCal[o];
        ordered_json out;
        out["Name"] = image.Text(m.OutputName[o], width::OutputName);
        out["FunctionFlags"] = image.Byte(a.FunctionFlags);
        out["Period"] = image.Word(a.Period);
        out["SecondaryMode"] = image.Byte(a.SecondaryMode);
        out["ShowFormatted"] = image.Byte(m.ShowFormatted[o]);
        out["Reserved"] = image.Byte(m.Reserved[o]);
        out["OutputOptions"] = image.Byte(m.OutputOptions[o]);
        ordered_json sources = ordered_json::array();
        for (const auto& ds : a.DataSource) {
            ordered_json s;
            for (int f = 0; f < 6; ++f)
                s[kDataSourceFields[f]] = image.Byte(DataSourceAddress(ds, f));
            sources.push_back(s);
        }
        out["DataSource"] = sources;
        out["PrimaryBlock"] = Words(image, a.PrimaryBlock, width::PrimaryBlock / 2);
        out["SecondaryBlock"] = Words(image, a.SecondaryBlock, width::SecondaryBlock / 2);
        out["TableBlock"] = Words(image, a.TableBlock, width::TableBlock / 2);
        outputs.push_back(out);
    }
    root["Outputs"] = outputs;
    root["CanSpeed"] = image.Word(m.CanSpeed);
    ordered_json slots = ordered_json::array();
    for (int s = 0; s < kMessageSlots; ++s) {
        const auto& slot = m.MessageSlot[s];
        const auto& def = m.MessageDefSlot[s];
        ordered_json j;
        j["CanId"] = BytesToHex(image.CopyFromImage(ImageIndex(slot.CanId), width::CanId - 1));
        j["DataLength"] = image.Byte(slot.DataLength);
        j["Timeout"] = image.Word(slot.Timeout);
        j["TimeoutData"] =
            BytesToHex(image.CopyFromImage(ImageIndex(slot.TimeoutData), width::TimeoutData - 1));
        j["LibraryName"] = image.Text(def.LibraryName, width::LibraryName);
        j["MessageName"] = image.Text(def.MessageName, width::MessageName);
        j["Description"] = image.Text(def.Description, width::Description);
        j["ByteOrder"] = image.Byte(def.ByteOrder);
        j["Unit"] = image.Text(def.Unit, width::Unit);
        j["Multiplier"] = JsonNumber(image.Double(def.Multiplier));
        j["Offset"] = image.Long(def.Offset);
        j["EndianLength"] = image.Byte(m.EndianLength[s]);
        slots.push_back(j);
    }
    root["MessageSlots"] = slots;
    root["LastByte"] = image.Byte(kCalBaseAddress + kCalImageLast);
    return root;
}

CalImage CalibrationFromJson(const json& json) {
    const auto& m = CalAddresses();
    const Reader root{json, "calibration"};
    CalImage image;
    const Reader outputs = root.child("Outputs");
    for (int o = 0; o < kOutputs; ++o) {
        const Reader out = outputs.item(static_cast<std::size_t>(o), kOutputs);
        const auto& a = m.OutputCal[o];
        image.StoreText(m.OutputName[o], width::OutputName, out.text("Name"));
        image.SetByte(a.FunctionFlags,
                      static_cast<std::uint8_t>(out.integer("FunctionFlags", 0, 255)));
        image.StoreWord(a.Period, out.integer("Period", 0, 65535));
        image.SetByte(a.SecondaryMode,
                      static_cast<std::uint8_t>(out.integer("SecondaryMode", 0, 255)));
        image.SetByte(m.ShowFormatted[o],
                      static_cast<std::uint8_t>(out.integer("ShowFormatted", 0, 255)));
        image.SetByte(m.Reserved[o], static_cast<std::uint8_t>(out.integer("Reserved", 0, 255)));
        image.SetByte(m.OutputOptions[o],
                      static_cast<std::uint8_t>(out.integer("OutputOptions", 0, 255)));
        const Reader sources = out.child("DataSource");
        for (int d = 0; d < 2; ++d) {
            const Reader s = sources.item(static_cast<std::size_t>(d), 2);
            for (int f = 0; f < 6; ++f)
                image.SetByte(DataSourceAddress(a.DataSource[d], f),
                              static_cast<std::uint8_t>(s.integer(kDataSourceFields[f], 0, 255)));
        }
        StoreWords(image, out.child("PrimaryBlock"), a.PrimaryBlock, width::PrimaryBlock / 2);
        StoreWords(image, out.child("SecondaryBlock"), a.SecondaryBlock, width::SecondaryBlock / 2);
        StoreWords(image, out.child("TableBlock"), a.TableBlock, width::TableBlock / 2);
    }
    image.StoreWord(m.CanSpeed, root.integer("CanSpeed", 0, 65535));
    const Reader slots = root.child("MessageSlots");
    for (int s = 0; s < kMessageSlots; ++s) {
        const Reader j = slots.item(static_cast<std::size_t>(s), kMessageSlots);
        const auto& slot = m.MessageSlot[s];
        const auto& def = m.MessageDefSlot[s];
        image.CopyIntoImage(j.hex("CanId", width::CanId), ImageIndex(slot.CanId));
        image.SetByte(slot.DataLength, static_cast<std::uint8_t>(j.integer("DataLength", 0, 255)));
        image.StoreWord(slot.Timeout, j.integer("Timeout", 0, 65535));
        image.CopyIntoImage(j.hex("TimeoutData", width::TimeoutData), ImageIndex(slot.TimeoutData));
        image.StoreText(def.LibraryName, width::LibraryName, j.text("LibraryName"));
        image.StoreText(def.MessageName, width::MessageName, j.text("MessageName"));
        image.StoreText(def.Description, width::Description, j.text("Description"));
        image.SetByte(def.ByteOrder, static_cast<std::uint8_t>(j.integer("ByteOrder", 0, 255)));
        image.StoreText(def.Unit, width::Unit, j.text("Unit"));
        image.StoreDouble(def.Multiplier, j.number("Multiplier"));
        image.StoreLong(def.Offset,
                        static_cast<std::int32_t>(j.integer("Offset", INT32_MIN, INT32_MAX)));
        image.SetByte(m.EndianLength[s],
                      static_cast<std::uint8_t>(j.integer("EndianLength", 0, 255)));
    }
    image.SetByte(kCalBaseAddress + kCalImageLast,
                  static_cast<std::uint8_t>(root.integer("LastByte", 0, 255)));
    return image;
}

}  // namespace vx42
