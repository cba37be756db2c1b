// What every vx42ctl command shares: exit statuses, failures, inputs, outputs and JSON.
#include "cli/cli_support.h"

#include <iostream>

#include "calibration/cal_image.h"
#include "files/calibration_file.h"
#include "files/file_io.h"
#include "files/json_input.h"

namespace vx42::cli {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::vector<std::uint8_t> ReadInputFile(const std::string& path, std::uintmax_t maxBytes) {
    try {
        return ReadWholeFile(path, maxBytes);
    } catch (const FileError& e) {
        throw CliError(e.what());
    }
}

nlohmann::json ReadJsonFile(const std::string& path, const limits::JsonLimits& caps) {
    try {
        return ReadJsonInput(path, caps);
    } catch (const JsonInputError& e) {
        throw CliError(e.what());
    }
}

void WriteOutputFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    try {
        WriteFileAtomic(path, bytes);
    } catch (const FileError& e) {
        throw CliError(e.what());
    }
}

namespace {
template <typename Json>
void PrintDocument(const Json& json) {
    // Written straight to the stream (as the library's own stream output does), so a large
    // document is not copied into one text first. A text taken from a damaged file may not be
    // valid UTF-8: replaced, never refused.
    nlohmann::detail::serializer<Json> out(nlohmann::detail::output_adapter<char>(std::cout), ' ',
                                           Json::error_handler_t::replace);
    out.dump(json, true, false, 2);
    std::cout << "\n";
    std::cout.flush();
}
}  // namespace

void PrintJson(const nlohmann::ordered_json& json) {
    PrintDocument(json);
}
void PrintJson(const nlohmann::json& json) {
    PrintDocument(json);
}

void Note(const std::string& text) {
    std::cerr << "vx42ctl: " << text << "\n";
}

CalImage ReadCalibrationInput(const std::string& path) {
    CalibrationFileRead read;
    try {
        read = ReadCalibrationFile(path);
    } catch (const FileError& e) {
        throw CliError(e.what());
    }
    const auto size = static_cast<std::size_t>(kCalImageSize);
    if (read.fileLength < size)
        Note(Quoted(path) + " is short (" + std::to_string(read.fileLength) + " of " +
             std::to_string(size) + " bytes); the bytes past its end are taken as 0");
    else if (read.fileLength > size)
        Note(Quoted(path) + " is longer than a calibration (" + std::to_string(read.fileLength) +
             " bytes); the bytes past " + std::to_string(size) + " are ignored");
    return read.image;
}

void WriteCalibrationOutput(const std::string& path, const CalImage& image) {
    WriteOutputFile(path, image.bytes());
}

}  // namespace vx42::cli
