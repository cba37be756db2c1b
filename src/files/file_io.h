#pragma once
// Whole-file reads bounded by what the caller can use, and atomic whole-file writes.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/error_log.h"

namespace vx42 {

// Reads the whole file; throws FileError when it is missing or unreadable, and its
// InputCapError (the message gives the cap) when it is larger than maxBytes.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes);

// Renames a file to a name that must not exist yet: false, and nothing changed, when it does
// (or when the rename fails otherwise).
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace vx42
