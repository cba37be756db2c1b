#pragma once
// The caps of every file reader, far above anything a real file of its kind holds: a file
// beyond one is refused whole, with a message naming the file, what there is too much of and
// the cap. The window and the command-line tool read every kind of file with the same caps.

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/file_io.h"

namespace vx42 {

namespace limits {

inline constexpr std::uintmax_t kMiB = 1024 * 1024;

// Calibration files: the image is 2,727 bytes; longer files are read only this far.
inline constexpr std::uintmax_t kCalibrationFileBytes = 1 * kMiB;

// Message library files (.DVM): 137 bytes a message.
inline constexpr std::uintmax_t kLibraryFileBytes = 16 * kMiB;
inline constexpr std::int64_t kLibraryMessages = 65535;

// Gauge presets files: a few kilobytes in practice.
inline constexpr std::uintmax_t kPresetsFileBytes = 1 * kMiB;
inline constexpr std::size_t kPresetsLines = 100000;
inline constexpr std::size_t kPresets = 1000;

// Firmware (.ROM, .RM2) and bootloader upgrade (.BLU) files: the addressable image (24 bits)
// and its headers.
inline constexpr std::uintmax_t kFirmwareFileBytes = 16 * kMiB + 64 * 1024;

// S-record sources: about three characters a byte of a 16 MiB image, in lines of 16 data
// bytes or more.
inline constexpr std::uintmax_t kSRecordFileBytes = 48 * kMiB;
inline constexpr std::size_t kSRecordLines = 2 * 1024 * 1024;

// CAN databases (.dbc): a large real one is about a megabyte with a few thousand signals.
inline constexpr std::uintmax_t kDbcFileBytes = 16 * kMiB;
inline constexpr std::size_t kDbcMessages = 65536;
inline constexpr std::size_t kDbcSignals = 256 * 1024;
// Problems of a damaged database beyond this many are counted, not kept.
inline constexpr std::size_t kDbcProblemsKept = 1000;

// JSON inputs of the command-line tool: size, nesting depth and values (numbers, texts,
// arrays, objects and keys counted alike).
struct JsonLimits {
    std::uintmax_t bytes;
    std::size_t depth;
    std::size_t values;
};
// A calibration as JSON holds about 1,000 values, four levels deep.
inline constexpr JsonLimits kCalibrationJson{4 * kMiB, 16, 100000};
// A library as JSON: 27 values a message.
inline constexpr JsonLimits kLibraryJson{64 * kMiB, 16, 2 * 1024 * 1024};
// The restore point index: 5 values an entry, at most a few hundred entries a module.
inline constexpr JsonLimits kRestoreIndexJson{16 * kMiB, 8, 1024 * 1024};

}  // namespace limits

// A file beyond one of its reader's caps.
class InputCapError : public FileError {
  public:
    explicit InputCapError(const std::string& message) : FileError(message) {}
};

// "\"GaugePresets.CFG\" has more than 100,000 lines": `source` as it should appear (quoted by
// the caller), what is counted, the cap.
std::string TooManyText(const std::string& source, const std::string& what, std::uintmax_t limit);
// "\"Big.DVM\" is too large (16,777,217 bytes; at most 16,777,216 bytes)".
std::string TooLargeText(const std::string& source, std::uintmax_t size, std::uintmax_t limit);
// Throws InputCapError with the TooManyText.
[[noreturn]] void RefuseTooMany(const std::string& source, const std::string& what,
                                std::uintmax_t limit);
// The cap as text, with digit grouping.
std::string LimitText(std::uintmax_t limit);

}  // namespace vx42
