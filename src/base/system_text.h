#pragma once
// Text is UTF-8 everywhere in the tool, paths included. Windows speaks UTF-16 and reads a
// narrow string in its own code page, so every path handed to std::filesystem or a file
// stream is made here, and every path or variable the system gives back is turned into
// UTF-8 here.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vx42 {

// The path a UTF-8 string names, on every platform.
std::filesystem::path PathFromUtf8(std::string_view utf8);
// A path as UTF-8.
std::string Utf8FromPath(const std::filesystem::path& path);

// An environment variable's value; nothing when it is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

// UTF-16 text (as Windows gives names) as UTF-8. A surrogate without its partner, which a
// Windows file name may hold, becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);
#ifdef _WIN32
// Windows' wide text (UTF-16 in wchar_t) as UTF-8.
std::string Utf8FromWide(std::wstring_view text);
#endif

}  // namespace vx42
