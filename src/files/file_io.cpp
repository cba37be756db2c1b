// Whole-file reads bounded by what the caller can use, and renames that never replace.
#include "files/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "base/system_text.h"
#include "calibration/number_format.h"
#include "files/input_limits.h"

namespace vx42 {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes) {
    std::error_code ec;
    const fs::path file = PathFromUtf8(path);
    if (!fs::is_regular_file(file, ec)) throw FileError("File not found: \"" + path + "\"");
    const auto size = fs::file_size(file, ec);
    if (ec) throw FileError("Cannot read \"" + path + "\": " + ec.message());
    if (size > maxBytes) throw InputCapError(TooLargeText("\"" + path + "\"", size, maxBytes));
    std::ifstream in(file, std::ios::binary);
    if (!in) throw FileError("Cannot open \"" + path + "\": " + std::strerror(errno));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != size)
        throw FileError("Cannot read \"" + path + "\": the file ended early");
    return bytes;
}

std::string LimitText(std::uintmax_t limit) {
    return limit == 0 ? "0" : FormatNumber(static_cast<double>(limit), Pattern::Grouped);
}

std::string TooLargeText(const std::string& source, std::uintmax_t size, std::uintmax_t limit) {
    return source + " is too large (" + LimitText(size) + " bytes; at most " + LimitText(limit) +
           " bytes)";
}

std::string TooManyText(const std::string& source, const std::string& what, std::uintmax_t limit) {
    return source + " has more than " + LimitText(limit) + " " + what;
}

void RefuseTooMany(const std::string& source, const std::string& what, std::uintmax_t limit) {
    throw InputCapError(TooManyText(source, what, limit));
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
#ifdef _WIN32
    // The C library's rename never replaces an existing file on Windows.
    return ::_wrename(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str()) == 0;
#else
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;  // taken, or not renamed at all
#endif
    // A file system without the no-replace rename: a hard link fails when the name is taken;
    // the old name then goes.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
#endif
}

}  // namespace vx42
