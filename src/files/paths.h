#pragma once
// Path utilities with the platform's separators, and the two folders the tool starts from.
// Paths are UTF-8 throughout; a separator is a single ASCII byte, which never occurs inside
// a multi-byte character, so paths are split byte by byte.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vx42 {

// Which characters separate folders. Windows takes "\" and "/" alike (its file dialogs may
// give either); elsewhere only "/" does, and "\" is an ordinary file-name character.
enum class PathStyle { Posix, Windows };

#ifdef _WIN32
constexpr PathStyle kPlatformPathStyle = PathStyle::Windows;
constexpr char kPathSeparator = '\\';  // the separator the tool writes
#else
constexpr PathStyle kPlatformPathStyle = PathStyle::Posix;
constexpr char kPathSeparator = '/';
#endif

constexpr bool IsPathSeparator(char c, PathStyle style = kPlatformPathStyle) {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

// Folder part of a path, up to and including its last separator; empty when the path has
// three characters or fewer, or no separator.
std::string FolderOfPath(std::string_view path, PathStyle style = kPlatformPathStyle);
// File-name part: a path shorter than four characters is returned unchanged; otherwise
// what follows the last separator, or empty when there is none.
std::string FileNameOfPath(std::string_view path, PathStyle style = kPlatformPathStyle);
// A file dialog's answer counts as a choice only when it is a path, one with a separator;
// nothing or a bare name is taken for a cancel.
bool IsChosenPath(const std::optional<std::string>& answer, PathStyle style = kPlatformPathStyle);
// Extension without its dot, when the last dot stands after the first character of a path
// longer than two characters; otherwise the path unchanged.
std::string ExtensionOfPath(std::string_view path);

// folder + separator (when the folder does not end in one) + name.
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder of the running executable, without a trailing separator.
std::string ProgramFolder();
#ifdef _WIN32
// The user's local application-data folder, without a trailing separator; empty when the
// system has none.
std::string LocalAppDataFolder();
#endif
// The user's documents folder with a trailing separator (XDG user directories, else
// $HOME/Documents); empty when it cannot be determined.
std::string DocumentsFolder();

// The folder a file dialog starts in: the folder itself when it exists; when it does not
// and `create` is set, the folder is created; otherwise, or when creating it fails, its
// nearest existing parent. Empty when no part of the path exists. Never throws.
std::string DialogStartFolder(const std::string& folder, bool create);

// A regular file exists at the path (never throws).
bool FileExists(const std::string& path);
// Its length in bytes; 0 when it does not exist or cannot be read.
std::uintmax_t FileLength(const std::string& path);

}  // namespace vx42
