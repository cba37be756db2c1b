#pragma once
// A message library as JSON, for the command-line tool and the shipped example libraries:
// {"Name", "Version", "Messages": [{"CanId": integer, "Name", "Description", "DataLength",
//  "StartByte", "StartBit", "BitLength", "BigEndian": bool, "ClearRtr": bool,
//  "Offset": integer, "Multiplier": number, "Unit", "EndianLength"}]}
// Texts are UTF-8 and trimmed. A library built from JSON takes neither name nor version from
// it: its name comes from its file, its version is "C002".

#include <nlohmann/json.hpp>
#include <ostream>
#include <stdexcept>
#include <string>

#include "can/can_message.h"

namespace vx42 {

// JSON that does not describe a library; the message names the file and the field.
class LibraryJsonError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// NaN and infinite multipliers are the texts "NaN", "Infinity" and "-Infinity".
nlohmann::json LibraryToJson(const CanLibrary& library);
// LibraryToJson's document as text (indent 2, a line end after it), written a message at a
// time so the memory it takes does not grow with the library.
void WriteLibraryJson(std::ostream& out, const CanLibrary& library);
std::string LibraryToJsonText(const CanLibrary& library);

// source names the file in error messages. Throws LibraryJsonError (for JSON beyond the
// caps of limits::kLibraryJson, or more than limits::kLibraryMessages messages, too).
CanLibrary LibraryFromJson(const nlohmann::json& json, const std::string& source);
CanLibrary LibraryFromJsonText(const std::string& text, const std::string& source);
// Reads a JSON file; its library takes the name of the file. Throws LibraryJsonError (also
// for a file that cannot be read).
CanLibrary ReadLibraryJsonFile(const std::string& path);

}  // namespace vx42
