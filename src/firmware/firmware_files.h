#pragma once
// Firmware image files: firmware files (".ROM", ".RM2") that the module's bootloader writes
// into its program memory, bootloader upgrade files (".BLU") that the running firmware
// receives from module address 0x0400, and the S-record source from which a ".BLU" file is
// made.
//
// Every read is all-or-nothing: a file that is missing or malformed is reported through the
// prompt (naming the file, and the line for S-records) and the caller's previous image is
// left as it was.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/error_log.h"

namespace vx42 {

class Prompt;

constexpr const char* kSRecordSourceName = "DataFlash.s19";
constexpr const char* kBootUpgradeName = "Upgrade.BLU";
constexpr const char* kFileNotFound = "File Not Found";

// The largest image any of these files can describe: the module addresses 24 bits.
constexpr std::int64_t kLargestImage = 0x1000000;

// One block of program memory: type byte (kept, not interpreted), length, start address
// (sent as 24 bits) and the data bytes.
struct FirmwareRecord {
    std::uint8_t type = 0;
    std::int32_t length = 0;
    std::int32_t address = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const FirmwareRecord&) const = default;
};

// A firmware file: little-endian header, then the records one after another.
struct FirmwareFile {
    std::uint8_t recordCount = 0;
    std::array<std::uint8_t, 8> identification{};  // read and kept, not used
    std::int32_t versionAddress = 0;               // three version bytes inside one of the records
    std::int32_t infoAddress = 0;                  // one further byte in the same record
    std::vector<FirmwareRecord> records;
};

// The bootloader upgrade image: the file's bytes followed by one 0x00.
using BootImage = std::vector<std::uint8_t>;

// A file whose contents do not follow its format; the message names the file (and line).
class FirmwareFormatError : public NumberedError {
  public:
    explicit FirmwareFormatError(const std::string& message) : NumberedError(62, message) {}
};

// Decodes a firmware file's bytes; `name` is used in the messages. Every length is checked
// against the bytes that remain before anything is allocated. Throws FirmwareFormatError.
FirmwareFile ParseFirmwareFile(std::span<const std::uint8_t> bytes, const std::string& name);

// Reads folder + fileName into `firmware`. "File Not Found" when it is missing; a malformed
// file is reported. Returns whether `firmware` was replaced.
bool ReadFirmwareFile(const std::string& folder, const std::string& fileName,
                      FirmwareFile& firmware, Prompt& prompt);

// Reads a ".BLU" file into `image` (its bytes plus one 0x00). "File Not Found" when it is
// missing. Returns whether `image` was replaced.
bool ReadBootImageFile(const std::string& path, BootImage& image, Prompt& prompt);

// Called after each line of a long parse, so the window can process its events.
using LinePump = std::function<void()>;

// The lines of a text file in order, without their line ends (bytes as they stand). A
// missing file is created empty. Returns false only when the file cannot be opened or read
// (lines then stay as they were). A file beyond limits::kSRecordFileBytes or
// limits::kSRecordLines throws InputCapError naming the cap, lines unchanged.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// The highest image index the data records (S1, S2, S3) span: last data record's address +
// its data byte count - first data record's address - 1. Throws FirmwareFormatError (naming
// the line) for a malformed data record, for no data records, or for a span that is
// negative or larger than the module can address.
std::int64_t SRecordImageLast(const std::vector<std::string>& lines);

// Fills `image` (indexes 0 to `highest`, uncovered bytes 0x00) from the data records, based
// at the first data record's address, and releases the lines. Throws FirmwareFormatError,
// naming the line, for a malformed record or one whose bytes fall outside the image; `image`
// and `highest` are then unchanged.
void ParseSRecords(std::vector<std::string>& lines, std::vector<std::uint8_t>& image,
                   std::int64_t& highest, const LinePump& pump = {});

// "Create BLU File": reads "DataFlash.s19" from the program's folder (the user's data folder
// when the tool is installed) and writes the image to "Upgrade.BLU" there. Nothing is shown on
// success; a missing, empty or malformed source or a failed write is reported and leaves any
// previous "Upgrade.BLU" untouched.
bool CreateBootImageFile(Prompt& prompt, const LinePump& pump = {});
// The same with explicit paths (for the command-line tool).
bool CreateBootImageFile(const std::string& sourcePath, const std::string& targetPath,
                         Prompt& prompt, const LinePump& pump = {});

}  // namespace vx42
