#pragma once
// Message library files: the encrypted ".DVM" files of the Libraries folder, one library each.
//
// Decrypted layout (numbers least significant byte first, text one byte per character):
//   0..3  version text ("C002" when written by us)
//   4..7  message count, 32-bit signed
//   then one record per message: CanId (4), Name (24), Description (80), DataLength,
//   StartByte, StartBit, BitLength, BigEndian (1 each), Offset (4), Multiplier (8, IEEE 754),
//   Unit (10), ClearRtr (1), and EndianLength (1) only when the version is "C" followed by a
//   number above 0. Booleans are written 0xFF/0x00 and read as "not zero".

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "can/can_message.h"

namespace vx42 {

class Prompt;
class SettingsStore;
struct Settings;

// The key of every library file.
inline constexpr const char* LibraryKey = "402 Fern Row!";
inline constexpr const char* kUserDefinedFile = "User_Defined.DVM";
inline constexpr const char* kUserDefinedOldFile = "User_Defined_Old.DVM";

// What reading a decrypted library found.
struct LibraryReadResult {
    enum class Status {
        Ok,
        NotALibrary,  // the version does not start with "C" or "V": no messages loaded
        Damaged,      // the data end before the count of records, or the count is negative
        TooMany,      // the data hold more records than a library may: no messages loaded
    };
    Status status = Status::Ok;
    std::int64_t expected = 0;  // the count in the header
    int loaded = 0;             // complete records read
};

// Parses decrypted bytes into the library (whose Name is already set): its Version and as
// many complete records as the data hold, never more than the count (none when that is more
// than limits::kLibraryMessages). Shows nothing.
LibraryReadResult ReadLibraryBytes(std::span<const std::uint8_t> bytes, CanLibrary& library);
// The byte image of a library as we write it: "C002", the count, 137-byte records.
std::vector<std::uint8_t> WriteLibraryBytes(const CanLibrary& library);

// The library name of a file name: "User_Defined.DVM" gives "User Defined".
std::string LibraryNameFromFile(std::string_view fileName);

// The Libraries folder of a program folder, with a trailing separator.
std::string LibraryFolderOf(const std::string& programFolder);

// Where libraries are read from: the shipped ones and the user's own (the user's library,
// imports), which is also where the user's library is written. A user file with the name of
// a shipped one takes its place. One folder serves as both.
struct LibraryFolders {
    LibraryFolders(std::string folder) : shipped(folder), user(std::move(folder)) {}
    LibraryFolders(std::string shippedFolder, std::string userFolder)
        : shipped(std::move(shippedFolder)), user(std::move(userFolder)) {}
    std::string shipped;
    std::string user;
};

// Fills the set from every ".DVM" file (any case, not empty) of the folders, in file-name
// order. A file that does not decrypt or is not a library is reported through the prompt and
// loads with no messages; a damaged one loads its complete records and is reported; one
// beyond the caps of limits (file size, messages) is reported and loads with no messages.
// When neither folder exists the set is left unchanged.
void LoadLibraries(LibrarySet& set, const LibraryFolders& folders, Prompt& prompt);

// LoadLibraries, then makes sure a "User Defined" library exists and sets the indexes.
void SetupLibraries(LibrarySet& set, const LibraryFolders& folders, Prompt& prompt);

// The list order of names: positions sorted by character code (case-sensitive, upper case
// first), equal names in their original order. Names are compared trimmed.
std::vector<int> SortOrder(const std::vector<std::string>& names);
// The order of the library list (list position after "None" to library index).
std::vector<int> SortLibraries(const LibrarySet& set);

// Writes the "User Defined" library to its file; clears LibrariesChanged on success.
// Returns false (file untouched) when it cannot be written.
bool SaveUserDefinedLibrary(LibrarySet& set, const std::string& folder);

// The "CAN Message Setup" check: true when the message editor may open. A "User Defined"
// library with messages whose version is not "C002" is moved aside to
// "User_Defined_Old.DVM" in the user's folder, or the first of "User_Defined_Old_2.DVM",
// "User_Defined_Old_3.DVM", ... that does not exist there (an earlier backup is never replaced;
// a failed rename is ignored), the user is told the name, the libraries are set up again, and
// false is returned.
bool CheckUserDefinedLibrary(LibrarySet& set, const LibraryFolders& folders, Prompt& prompt);

// "Update Library": copies a chosen library file into the user's Libraries folder and sets
// the libraries up again. False when the dialog was cancelled. Throws FileError when the copy
// fails.
bool ImportLibrary(LibrarySet& set, Prompt& prompt, Settings& settings, SettingsStore& store,
                   const LibraryFolders& folders);

}  // namespace vx42
