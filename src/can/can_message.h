#pragma once
// CAN message definitions, the libraries that group them, and the one list of libraries the
// tool keeps in memory.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/trim.h"

namespace vx42 {

// Widths of the fixed-width texts of a definition and a library.
namespace canwidth {
constexpr std::size_t Name = 24, Description = 80, Unit = 10, LibraryName = 24, Version = 4;
}

// One message definition: where a value sits in a CAN frame and how it scales.
// Texts are fixed-width fields held as UTF-8; they may carry their padding blanks, so they are
// trimmed wherever they are shown or compared.
struct CanMessage {
    std::int32_t CanId = 0;  // standard when its hexadecimal text has at most 4 digits
    std::string Name;
    std::string Description;
    std::uint8_t DataLength = 0;
    std::uint8_t StartByte = 0;
    std::uint8_t StartBit = 0;
    std::uint8_t BitLength = 0;
    bool BigEndian = false;
    bool ClearRtr = false;
    std::int32_t Offset = 0;
    double Multiplier = 0;
    std::string Unit;
    std::uint8_t EndianLength = 0;

    bool operator==(const CanMessage&) const = default;
};

struct CanLibrary {
    std::string Name;     // from the file name
    std::string Version;  // the file's four header characters, "C002" when written by us
    std::vector<CanMessage> Messages;

    int MessageCount() const { return static_cast<int>(Messages.size()); }
    bool operator==(const CanLibrary&) const = default;
};

inline constexpr const char* kUserDefinedName = "User Defined";
inline constexpr const char* kUndefinedIndexName = "Undefined Index";
inline constexpr const char* kNone = "None";

// The libraries in memory, with the indexes of the two special ones (-1 when absent).
struct LibrarySet {
    std::vector<CanLibrary> MessageLibraries;
    int UserDefinedIndex = -1;
    int UndefinedIndex = -1;
    // The libraries in memory differ from what is on disk.
    bool LibrariesChanged = false;
};

// The units a message may carry, in list order.
extern const std::array<std::string_view, 15> kCanUnits;

// A text as a fixed-width field holds it: cut to width (never splitting a character) and
// padded with blanks.
std::string FixedText(std::string_view text, std::size_t width);

// A library named as given, with no messages, written as "C002".
CanLibrary NewLibrary(std::string_view name);

// Linear searches by trimmed name; on success the index is stored and true returned.
bool FindUserDefinedLibrary(LibrarySet& set);
bool FindUndefinedLibrary(LibrarySet& set);

// Removes message i of the "User Defined" library, the others moving down one place.
// Returns false (nothing changed) when there is no such library or message.
bool DeleteUserDefinedMessage(LibrarySet& set, int i);

// The identifier of a definition as hexadecimal text without leading zeros (a negative value
// as its 32-bit pattern).
std::string CanIdHex(std::int32_t canId);

// An identifier's hexadecimal text (at most 4 digits: standard, otherwise extended) to the
// module's four identifier register bytes as 8 upper-case digits, most significant first.
// Empty when the text is not hexadecimal or an extended identifier has more than 8 digits.
std::string CanIdToModule(std::string_view idHex);
// The module's register text back to the identifier's hexadecimal text; empty when the text
// is not 1 to 8 hexadecimal digits.
std::string CanIdFromModule(std::string_view hex8);
// The module register value with the remote-request bit cleared (bits 31 and 20).
std::uint32_t ClearRtrBits(std::uint32_t reg);

}  // namespace vx42
