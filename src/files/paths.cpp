#include "files/paths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#else
#include <unistd.h>
#endif

namespace vx42 {

namespace fs = std::filesystem;

namespace {
std::string_view::size_type LastSeparator(std::string_view path, PathStyle style) {
    return path.find_last_of(style == PathStyle::Windows ? "\\/" : "/");
}
}  // namespace

std::string FolderOfPath(std::string_view path, PathStyle style) {
    const auto last = LastSeparator(path, style);
    if (path.size() > 3 && last != std::string_view::npos) return std::string(path.substr(0, last + 1));
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

std::string ProgramFolder() {
#ifdef _WIN32
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return fs::path(std::string(buf, n)).parent_path().string();
#else
    std::error_code ec;
    const auto exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec).string();
    return exe.parent_path().string();
#endif
}

namespace {
#ifndef _WIN32
// XDG_DOCUMENTS_DIR from the user-dirs file, with $HOME expanded.
std::string XdgDocuments(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const fs::path file =
        fs::path(config && *config ? config : home + "/.config") / "user-dirs.dirs";
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
    char buf[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, buf, CSIDL_PERSONAL, FALSE)) return {};
    return std::string(buf) + kPathSeparator;
#else
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    std::string docs = XdgDocuments(home);
    if (docs.empty()) docs = std::string(home) + "/Documents";
    if (!IsPathSeparator(docs.back())) docs.push_back(kPathSeparator);
    return docs;
#endif
}

std::string DialogStartFolder(const std::string& folder, bool create) {
    if (folder.empty()) return {};
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return folder;
    if (create && fs::create_directories(folder, ec) && fs::is_directory(folder, ec)) return folder;
    fs::path parent = fs::path(folder);
    if (!parent.has_filename()) parent = parent.parent_path();  // a trailing separator
    while (parent.has_relative_path()) {
        parent = parent.parent_path();
        if (fs::is_directory(parent, ec)) return parent.string();
    }
    return fs::is_directory(parent, ec) ? parent.string() : std::string();
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::uintmax_t FileLength(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return 0;
    const auto n = fs::file_size(path, ec);
    return ec ? 0 : n;
}

}  // namespace vx42
