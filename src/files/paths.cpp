// Path utilities with the platform's separators, and the two folders the tool starts from.
#include "files/paths.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
// windows.h first, as the shell's headers use its types.
// clang-format off
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
// clang-format on
#else
#include <unistd.h>
#endif

#include "base/system_text.h"

namespace vx42 {

namespace fs = std::filesystem;

namespace {
std::string_view::size_type LastSeparator(std::string_view path, PathStyle style) {
    return path.find_last_of(style == PathStyle::Windows ? "\\/" : "/");
}
}  // namespace

std::string FolderOfPath(std::string_view path, PathStyle style) {
    const auto last = LastSeparator(path, style);
    if (path.size() > 3 && last != std::string_view::npos)
        return std::string(path.substr(0, last + 1));
    return {};
}

std::string FileNameOfPath(std::string_view path, PathStyle style) {
    if (path.size() < 4) return std::string(path);
    const auto last = LastSeparator(path, style);
    if (last != std::string_view::npos) return std::string(path.substr(last + 1));
    return {};
}

bool IsChosenPath(const std::optional<std::string>& answer, PathStyle style) {
    return answer && LastSeparator(*answer, style) != std::string_view::npos;
}

std::string ExtensionOfPath(std::string_view path) {
    const auto dot = path.rfind('.');
    if (path.size() > 2 && dot != std::string_view::npos && dot > 0)
        return std::string(path.substr(dot + 1));
    return std::string(path);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && !IsPathSeparator(out.back())) out.push_back(kPathSeparator);
    out += name;
    return out;
}

#ifdef _WIN32
namespace {
// A folder the system knows by its id, in UTF-8; empty when there is none.
std::string KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR wide = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &wide)) && wide)
        folder = Utf8FromWide(wide);
    CoTaskMemFree(wide);  // owned by the caller even when the call failed
    return folder;
}
}  // namespace

std::string LocalAppDataFolder() {
    return KnownFolder(FOLDERID_LocalAppData);
}
#endif

std::string ProgramFolder() {
#ifdef _WIN32
    // The module's path may be longer than MAX_PATH: grow until it fits.
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        if (buf.size() >= 32768) return {};  // longer than any Windows path
        buf.resize(buf.size() * 2);
    }
    return Utf8FromPath(fs::path(buf).parent_path());
#else
    std::error_code ec;
    const auto exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return Utf8FromPath(fs::current_path(ec));
    return Utf8FromPath(exe.parent_path());
#endif
}

namespace {
#ifndef _WIN32
// XDG_DOCUMENTS_DIR from the user-dirs file, with $HOME expanded.
std::string XdgDocuments(const std::string& home) {
    const auto config = EnvironmentVariable("XDG_CONFIG_HOME");
    const fs::path file =
        PathFromUtf8(config && !config->empty() ? *config : home + "/.config") / "user-dirs.dirs";
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        return value;
    }
    return {};
}
#endif
}  // namespace

std::string DocumentsFolder() {
#ifdef _WIN32
    const std::string docs = KnownFolder(FOLDERID_Documents);
    return docs.empty() ? docs : JoinPath(docs, "");
#else
    const auto home = EnvironmentVariable("HOME");
    if (!home || home->empty()) return {};
    std::string docs = XdgDocuments(*home);
    if (docs.empty()) docs = *home + "/Documents";
    if (!IsPathSeparator(docs.back())) docs.push_back(kPathSeparator);
    return docs;
#endif
}

std::string DialogStartFolder(const std::string& folder, bool create) {
    if (folder.empty()) return {};
    std::error_code ec;
    const fs::path path = PathFromUtf8(folder);
    if (fs::is_directory(path, ec)) return folder;
    if (create && fs::create_directories(path, ec) && fs::is_directory(path, ec)) return folder;
    fs::path parent = path;
    if (!parent.has_filename()) parent = parent.parent_path();  // a trailing separator
    while (parent.has_relative_path()) {
        parent = parent.parent_path();
        if (fs::is_directory(parent, ec)) return Utf8FromPath(parent);
    }
    return fs::is_directory(parent, ec) ? Utf8FromPath(parent) : std::string();
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(PathFromUtf8(path), ec);
}

std::uintmax_t FileLength(const std::string& path) {
    std::error_code ec;
    const fs::path file = PathFromUtf8(path);
    if (!fs::is_regular_file(file, ec)) return 0;
    const auto n = fs::file_size(file, ec);
    return ec ? 0 : n;
}

}  // namespace vx42
