// A message library as JSON, for the command-line tool and the shipped example libraries.
#include "can/library_json.h"

#include <cmath>
#include <limits>
#include <sstream>

#include "calibration/text_codec.h"
#include "can/library_files.h"
#include "files/file_io.h"
#include "files/json_input.h"
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
        const auto value = JsonInteger(v, lo, hi);
        if (!value)
            Fail(Name(field),
                 "an integer from " + std::to_string(lo) + " to " + std::to_string(hi));
        return *value;
    }

    double Number(const char* field) const {
        // NaN and the infinities are the texts "NaN", "Infinity" and "-Infinity".
        const auto v = JsonNumberValue(Get(field));
        if (!v) Fail(Name(field), "a number");
        return *v;
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
        const std::string text = Trimmed(v.get<std::string>());
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

namespace {

json MessageToJson(const CanMessage& m) {
    return {
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
        {"Multiplier", JsonNumber<json>(m.Multiplier)},
        {"Unit", Trimmed(m.Unit)},
        {"EndianLength", m.EndianLength},
    };
}

// Texts taken from a damaged file may not be valid UTF-8; they are replaced, not refused.
std::string Dump(const json& value, int indent) {
    return value.dump(indent, ' ', false, json::error_handler_t::replace);
}

}  // namespace

json LibraryToJson(const CanLibrary& library) {
    json messages = json::array();
    for (const auto& m : library.Messages) messages.push_back(MessageToJson(m));
    return {{"Name", Trimmed(library.Name)},
            {"Version", Trimmed(library.Version)},
            {"Messages", std::move(messages)}};
}

void WriteLibraryJson(std::ostream& out, const CanLibrary& library) {
    // The text LibraryToJson's document gives with an indent of 2 (its keys in order), built
    // one message at a time.
    out << "{\n  \"Messages\": ";
    if (library.Messages.empty()) {
        out << "[]";
    } else {
        out << "[\n";
        for (std::size_t i = 0; i < library.Messages.size(); ++i) {
            out << "    ";
            for (const char c : Dump(MessageToJson(library.Messages[i]), 2)) {
                out << c;
                if (c == '\n') out << "    ";
            }
            out << (i + 1 < library.Messages.size() ? ",\n" : "\n");
        }
        out << "  ]";
    }
    out << ",\n  \"Name\": " << Dump(Trimmed(library.Name), -1)
        << ",\n  \"Version\": " << Dump(Trimmed(library.Version), -1) << "\n}\n";
}

std::string LibraryToJsonText(const CanLibrary& library) {
    std::ostringstream out;
    WriteLibraryJson(out, library);
    return out.str();
}

CanLibrary LibraryFromJson(const json& document, const std::string& source) {
    const FieldReader top(document, source, "");
    const json& list = top.Get("Messages");
    if (!list.is_array()) top.Fail("Messages", "an array");
    if (list.size() > static_cast<std::size_t>(limits::kLibraryMessages))
        top.Fail("Messages",
                 "an array of at most " + LimitText(limits::kLibraryMessages) + " messages");

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
        document = ParseJsonText(text, source, limits::kLibraryJson);
    } catch (const JsonInputError& e) {
        throw LibraryJsonError(e.what());
    }
    return LibraryFromJson(document, source);
}

CanLibrary ReadLibraryJsonFile(const std::string& path) {
    json document;
    try {
        document = ReadJsonInput(path, limits::kLibraryJson);
    } catch (const JsonInputError& e) {
        throw LibraryJsonError(e.what());
    }
    CanLibrary library = LibraryFromJson(document, FileNameOfPath(path));
    // The library is named after its file, as a library file would be.
    std::string name = FileNameOfPath(path);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    library.Name = LibraryNameFromFile(name + ".DVM");
    return library;
}

}  // namespace vx42
