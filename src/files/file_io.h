#pragma once
// Whole-file reads bounded by what the caller can use, and atomic whole-file writes.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error_log.h"

namespace vx42 {

// A file that could not be read or written; the message names the file and the problem.
class FileError : public NumberedError {
public:
    explicit FileError(const std::string& message) : NumberedError(75, message) {}
};

// Reads the whole file; throws FileError when it is missing or unreadable, and its
// InputCapError (the message gives the cap) when it is larger than maxBytes.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes);

// Writes the bytes to a temporary file in the same folder and renames it over the target,
// so a failed write never destroys the previous file. The new contents are on the disk before
// the rename and the rename after it, so a power cut leaves the old file or the new one. The
// file keeps the permissions of the one it replaces; a symbolic link is written through to
// its target and stays a link. Throws FileError.
void WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes);

// Renames a file to a name that must not exist yet: false, and nothing changed, when it does
// (or when the rename fails otherwise).
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace vx42
