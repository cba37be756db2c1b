#pragma once
// Atomic, durable whole-file writes: every file the program and its simulator save goes through
// WriteFileAtomic.

#include <cstdint>
#include <span>
#include <string>

#include "base/error_log.h"

namespace vx42 {

// A file that could not be read or written; the message names the file and the problem.
class FileError : public NumberedError {
  public:
    explicit FileError(const std::string& message) : NumberedError(75, message) {}
};

// Writes the bytes to a temporary file in the same folder and renames it over the target,
// so a failed write never destroys the previous file. The new contents are on the disk before
// the rename and the rename after it, so a power cut leaves the old file or the new one. The
// file keeps the permissions of the one it replaces; a symbolic link is written through to
// its target and stays a link. Throws FileError.
void WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace vx42
