#include "files/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "calibration/number_format.h"
#include "files/input_limits.h"

namespace vx42 {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::uintmax_t maxBytes) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw FileError("File not found: \"" + path + "\"");
    const auto size = fs::file_size(path, ec);
    if (ec) throw FileError("Cannot read \"" + path + "\": " + ec.message());
    if (size > maxBytes)
        throw InputCapError(TooLargeText("\"" + path + "\"", size, maxBytes));
    std::ifstream in(path, std::ios::binary);
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

void WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    const fs::path target(path);
    std::random_device rd;
    const fs::path temp =
        target.parent_path() / ("." + target.filename().string() + ".tmp" + std::to_string(rd()));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw FileError("Cannot write \"" + path + "\": " + std::strerror(errno));
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            const std::string why = std::strerror(errno);
            out.close();
            std::error_code ignore;
            fs::remove(temp, ignore);
            throw FileError("Cannot write \"" + path + "\": " + why);
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignore;
        fs::remove(temp, ignore);
        throw FileError("Cannot write \"" + path + "\": " + ec.message());
    }
}

}  // namespace vx42
