#include "can/library_json.h"

#include <cmath>
#include <limits>

#include "calibration/text_codec.h"
#include "can/library_files.h"
#include "files/file_io.h"
#include "files/paths.h"

namespace vx42 {

using nlohmann::json;

namespace {

// Reads the fields of one JSON object, naming the field in every complaint.
class FieldReader {
  public:
    FieldReader(const json& object, std::string source, std::string where)
        : object_(object), source_(std::move(source)), where_(std::move(where)) {
        if (!object_.is_object()) Fail(where_.empty() ? "the top level" : where_, "an object");
    }

    const json& Get(const char* field) const {
        const auto it = object_.find(field);
        if (it == object_.end())
            throw LibraryJsonError(source_ + ": field \"" + Name(field) + "\" is missing");
        return *it;
    }

    std::int64_t Integer(const char* field, std::int64_t lo, std::int64_t hi) const {
        const json& v = Get(field);
        if (!v.is_number_integer()) Fail(Name(field), "an integer");
        // Unsigned values beyond the signed range are out of range, not wrapped.
        const bool huge =
            v.is_number_unsigned() && v.get<std::uint64_t>() > static_cast<std::uint64_t>(hi);
        const std::int64_t value = huge ? hi + 1 : v.get<std::int64_t>();
        if (value < lo || value > hi)
            Fail(Name(field),
                 "an integer from " + std::to_string(lo) + " to " + std::to_string(hi));
        return value;
    }

    double Number(const char* field) const {
        const json& v = Get(field);
        if (!v.is_number() || !std::isfinite(v.get<double>())) Fail(Name(field), "a number");
        return v.get<double>();
    }

    bool Boolean(const char* field) const {
        const json& v = Get(field);
        if (!v.is_boolean()) Fail(Name(field), "true or false");
        return v.get<bool>();
    }

    // A text that Windows-1252 can hold within the width, trimmed.
    std::string Text(const char* field, std::size_t width) const {
        const json& v = Get(field);
        if (!v.is_string()) Fail(Name(field), "a text");
        const std::string text = TrimBlanks(v.get<std::string>());
        const auto bytes = ToWin1252(text);
        if (FromWin1252(bytes) != text) Fail(Name(field), "a text of Windows-1252 characters");
        if (bytes.size() > width)
            Fail(Name(field), "a text of at most " + std::to_string(width) + " characters");
        return text;
    }

    [[noreturn]] void Fail(const std::string& field, const std::string& expected) const {
        throw LibraryJsonError(source_ + ": field \"" + field + "\" must be " + expected);
    }

  private:
    std::string Name(const char* field) const {
        return where_.empty() ? field : where_ + "." + field;
    }

    const json& object_;
    std::string source_;
    std::string where_;
};

}  // namespace

json LibraryToJson(const CanLibrary& library) {
    json messages = json::array();
    for (const auto& m : library.Messages) {
        messages.push_back({
            {"CanId", m.CanId},
            {"Name", Trimmed(m.Name)},
            {"Description", Trimmed(m.Description)},
            {"DataLength", m.DataLength},
            {"StartByte", m.StartByte},
            {"StartBit", m.StartBit},
            {"BitLength", m.BitLength},
            {"BigEndian", m.BigEndian},
            {"ClearRtr", m.ClearRtr},
            {"Offset", m.Offset},
            {"Multiplier", m.Multiplier},
            {"Unit", Trimmed(m.Unit)},
            {"EndianLength", m.EndianLength},
        });
    }
    return {{"Name", Trimmed(library.Name)},
            {"Version", Trimmed(library.Version)},
            {"Messages", std::move(messages)}};
}

std::string LibraryToJsonText(const CanLibrary& library) {
    // Texts taken from a damaged file may not be valid UTF-8; they are replaced, not refused.
    return LibraryToJson(library).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

CanLibrary LibraryFromJson(const json& document, const std::string& source) {
    const FieldReader top(document, source, "");
    const json& list = top.Get("Messages");
    if (!list.is_array()) top.Fail("Messages", "an array");

    CanLibrary library = NewLibrary("");
    library.Messages.reserve(list.size());
    constexpr std::int64_t kIntMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const FieldReader f(list[i], source, "Messages[" + std::to_string(i) + "]");
        CanMessage m;
        auto byte = [&f](const char* field) {
            return static_cast<std::uint8_t>(f.Integer(field, 0, 255));
        };
        m.CanId = static_cast<std::int32_t>(f.Integer("CanId", kIntMin, kIntMax));
        m.Name = f.Text("Name", canwidth::Name);
        m.Description = f.Text("Description", canwidth::Description);
        m.DataLength = byte("DataLength");
        m.StartByte = byte("StartByte");
        m.StartBit = byte("StartBit");
        m.BitLength = byte("BitLength");
        m.BigEndian = f.Boolean("BigEndian");
        m.ClearRtr = f.Boolean("ClearRtr");
        m.Offset = static_cast<std::int32_t>(f.Integer("Offset", kIntMin, kIntMax));
        m.Multiplier = f.Number("Multiplier");
        m.Unit = f.Text("Unit", canwidth::Unit);
        m.EndianLength = byte("EndianLength");
        library.Messages.push_back(std::move(m));
    }
    return library;
}

CanLibrary LibraryFromJsonText(const std::string& text, const std::string& source) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error& e) {
        throw LibraryJsonError(source + ": not valid JSON (" + e.what() + ")");
    }
    return LibraryFromJson(document, source);
}

CanLibrary ReadLibraryJsonFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadWholeFile(path, 64u * 1024 * 1024);
    } catch (const FileError& e) {
        throw LibraryJsonError(e.what());
    }
    CanLibrary library =
        LibraryFromJsonText(std::string(bytes.begin(), bytes.end()), FileNameOfPath(path));
    // The library is named after its file, as a library file would be.
    std::string name = FileNameOfPath(path);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    library.Name = LibraryNameFromFile(name + ".DVM");
    return library;
}

}  // namespace vx42
