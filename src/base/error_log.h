#pragma once
// The common error path: an unexpected error in a handler is shown, appended to the
// error log and ends the handler; the program lives on.

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

#include "base/prompt.h"

namespace vx42 {

// An error that carries its own number and source.
class NumberedError : public std::runtime_error {
  public:
    NumberedError(int number, const std::string& description, std::string source = "VX42")
        : std::runtime_error(description), number_(number), source_(std::move(source)) {}
    int number() const { return number_; }
    const std::string& source() const { return source_; }

  private:
    int number_;
    std::string source_;
};

// Where the error was caught: form or module, control or object, event or procedure.
struct ErrorLocation {
    std::string module;     // "frmMain"
    std::string object;     // "menuFileOpen"
    std::string procedure;  // "Click"
};

struct ErrorInfo {
    int number = 0;
    std::string description;
    std::string source;
};

// Number, description and source of the exception being handled.
ErrorInfo DescribeException(std::exception_ptr error);

// The log line: date and time, version, source, number, description, module, object,
// procedure, joined by ", ". Line breaks inside a field become blanks.
std::string FormatLogLine(const std::string& dateTime, const std::string& version,
                          const ErrorInfo& error, const ErrorLocation& where);

class ErrorLog {
  public:
    // The log goes to folder/Error Logs/ErrLogDVN.log (the program folder when run from the
    // build folder, the user's state folder when installed).
    explicit ErrorLog(std::string folder);
    const std::string& path() const { return path_; }
    // Appends one line; creates the folder when missing. Drops the entry quietly when the
    // log cannot be written. Returns whether the line was written.
    bool Append(const ErrorInfo& error, const ErrorLocation& where) const;

  private:
    std::string path_;
};

// The program's own version text, "major.minor.revision".
std::string ProgramVersion();

// Shows an error as "number description" (exclamation) and logs it with the location.
void ReportError(const ErrorLocation& where, Prompt& prompt, const ErrorLog& log,
                 std::exception_ptr error);

// Runs a handler body. Any exception is shown as "number description" (exclamation),
// logged with the location, and ends the handler. Returns false when the body failed.
bool RunTrapped(const ErrorLocation& where, Prompt& prompt, const ErrorLog& log,
                const std::function<void()>& body);

// The location of the handler RunTrapped is running on this thread (the innermost), or null.
// Work a handler hands to another thread keeps it, so its errors are logged under the
// handler's names.
const ErrorLocation* RunningHandler();

}  // namespace vx42
