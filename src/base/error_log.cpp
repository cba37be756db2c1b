// The common error path: an error in a handler is shown, logged and ends the handler.
#include "base/error_log.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

#include "base/system_text.h"

namespace vx42 {

namespace fs = std::filesystem;

ErrorInfo DescribeException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const NumberedError& e) {
        return {e.number(), e.what(), e.source()};
    } catch (const std::bad_alloc&) {
        return {7, "Out of memory", "VX42"};
    } catch (const std::out_of_range& e) {
        return {9, std::string("Subscript out of range: ") + e.what(), "VX42"};
    } catch (const std::overflow_error& e) {
        return {6, std::string("Overflow: ") + e.what(), "VX42"};
    } catch (const fs::filesystem_error& e) {
        return {75, std::string("Path/File access error: ") + e.what(), "VX42"};
    } catch (const std::invalid_argument& e) {
        return {5, std::string("Invalid procedure call or argument: ") + e.what(), "VX42"};
    } catch (const std::exception& e) {
        return {51, e.what(), "VX42"};
    } catch (...) {
        return {51, "Internal error", "VX42"};
    }
}

namespace {
std::string OneLine(std::string text) {
    for (auto& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::string NowText() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    return buf;
}
}  // namespace

std::string FormatLogLine(const std::string& dateTime, const std::string& version,
                          const ErrorInfo& error, const ErrorLocation& where) {
    const std::string fields[] = {
        dateTime,          version,      error.source, std::to_string(error.number),
        error.description, where.module, where.object, where.procedure};
    std::string line;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) line += ", ";
        line += OneLine(fields[i]);
    }
    return line;
}

ErrorLog::ErrorLog(std::string folder)
    : path_(Utf8FromPath(PathFromUtf8(folder) / "Error Logs" / "ErrLogDVN.log")) {}

bool ErrorLog::Append(const ErrorInfo& error, const ErrorLocation& where) const {
    std::error_code ec;
    fs::create_directories(PathFromUtf8(path_).parent_path(), ec);
    std::ofstream out(PathFromUtf8(path_), std::ios::app | std::ios::binary);
    if (!out) return false;
    out << FormatLogLine(NowText(), ProgramVersion(), error, where) << '\n';
    out.flush();
    return static_cast<bool>(out);
}

std::string ProgramVersion() {
    return std::to_string(VX42_VERSION_MAJOR) + "." + std::to_string(VX42_VERSION_MINOR) + "." +
           std::to_string(VX42_VERSION_PATCH);
}

namespace {
// The handler running on this thread (innermost first), for work it hands elsewhere.
thread_local const ErrorLocation* runningHandler = nullptr;
}  // namespace

const ErrorLocation* RunningHandler() {
    return runningHandler;
}

void ReportError(const ErrorLocation& where, Prompt& prompt, const ErrorLog& log,
                 std::exception_ptr error) {
    const ErrorInfo info = DescribeException(error);
    try {
        prompt.Message(std::to_string(info.number) + " " + info.description, "VX42",
                       Icon::Exclamation);
    } catch (...) {
        // The error path must not raise a new error.
    }
    log.Append(info, where);
}

bool RunTrapped(const ErrorLocation& where, Prompt& prompt, const ErrorLog& log,
                const std::function<void()>& body) {
    struct Running {
        const ErrorLocation* outer = runningHandler;
        explicit Running(const ErrorLocation& here) { runningHandler = &here; }
        ~Running() { runningHandler = outer; }
    } running(where);
    try {
        body();
        return true;
    } catch (...) {
        ReportError(where, prompt, log, std::current_exception());
        return false;
    }
}

}  // namespace vx42
