#pragma once
// What every vx42ctl command shares: exit statuses, failures, reading inputs, writing outputs
// and printing JSON.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/input_limits.h"

namespace vx42::cli {

// Exit statuses: a comparison that found differences ends with 1, any failure with 2.
constexpr int kExitOk = 0;
constexpr int kExitDiffer = 1;
constexpr int kExitFailure = 2;

// A failed command. Its text is the one line printed: it names the file or the operation and
// says what is wrong.
class CliError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A failure already reported on standard error (through the console prompt).
class ReportedFailure : public std::exception {
  public:
    const char* what() const noexcept override { return "reported"; }
};

// A command that ends with a status other than 0 without failing (differences found).
class ExitStatus : public std::exception {
  public:
    explicit ExitStatus(int status) : status_(status) {}
    int status() const { return status_; }
    const char* what() const noexcept override { return "exit status"; }

  private:
    int status_;
};

std::string Quoted(const std::string& text);

// The whole file, at most maxBytes; CliError naming the file otherwise.
std::vector<std::uint8_t> ReadInputFile(const std::string& path, std::uintmax_t maxBytes);
// A JSON document from a file, within the caps of its kind; CliError naming the file and the
// place of a syntax error or the cap.
nlohmann::json ReadJsonFile(const std::string& path, const limits::JsonLimits& caps);
// Writes the whole output file atomically: either all of it or the previous file untouched.
void WriteOutputFile(const std::string& path, std::span<const std::uint8_t> bytes);

// One JSON document on standard output, indented, every double printed so that it reads
// back as the same value.
void PrintJson(const nlohmann::ordered_json& json);
void PrintJson(const nlohmann::json& json);

// A note to the user on standard error, prefixed with the program's name.
void Note(const std::string& text);

}  // namespace vx42::cli

namespace vx42 {
class CalImage;
}

namespace vx42::cli {

// A calibration file read whole. A short file is taken with the bytes past its end as 0 and
// a longer one without the bytes past the image; both are noted on standard error.
CalImage ReadCalibrationInput(const std::string& path);
// Writes a calibration file atomically.
void WriteCalibrationOutput(const std::string& path, const CalImage& image);

}  // namespace vx42::cli
