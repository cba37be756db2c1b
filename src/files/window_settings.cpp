// The window's own settings, read without the window's toolkit.
#include "files/window_settings.h"

#include "base/system_text.h"
#include "base/trim.h"
#include "files/file_io.h"
#include "files/paths.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vx42 {

namespace {

// Large enough for any settings file the window writes; a larger one is not read.
constexpr std::size_t kSettingsFileMax = 1 << 20;

#ifdef _WIN32
std::wstring Wide(const std::string& utf8) {
    return PathFromUtf8(utf8).wstring();
}
#endif

}  // namespace

WindowSettings::WindowSettings() {
#ifndef _WIN32
    const auto config = EnvironmentVariable("XDG_CONFIG_HOME");
    const auto home = EnvironmentVariable("HOME");
    std::string folder;
    if (config && !config->empty())
        folder = *config;
    else if (home && !home->empty())
        folder = JoinPath(*home, ".config");
    if (!folder.empty())
        iniPath_ =
            JoinPath(JoinPath(folder, kApplicationName), std::string(kApplicationName) + ".conf");
#endif
}

std::optional<std::string> WindowSettings::Get(const std::string& section,
                                               const std::string& key) const {
    if (iniPath_.empty()) {
#ifdef _WIN32
        const std::wstring subkey = Wide(std::string("Software\\") + kApplicationName + "\\" +
                                         kApplicationName + "\\" + section);
        wchar_t value[256];
        DWORD size = sizeof value;
        if (RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), Wide(key).c_str(), RRF_RT_REG_SZ,
                         nullptr, value, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return Utf8FromWide(value);
#else
        return std::nullopt;
#endif
    }
    try {
        if (!FileExists(iniPath_)) return std::nullopt;
        const auto bytes = ReadWholeFile(iniPath_, kSettingsFileMax);
        return IniValue(std::string(bytes.begin(), bytes.end()), section, key);
    } catch (const FileError&) {
        return std::nullopt;  // unreadable: the setting's default holds
    }
}

std::optional<std::string> IniValue(const std::string& text, const std::string& section,
                                    const std::string& key) {
    bool inSection = false;
    for (const std::string_view l : TrimmedPieces(text, "\n")) {
        if (l.empty() || l.front() == ';' || l.front() == '#') continue;
        if (l.front() == '[') {
            inSection = l == "[" + section + "]";
            continue;
        }
        const auto equals = l.find('=');
        if (!inSection || equals == std::string_view::npos || Trim(l.substr(0, equals)) != key)
            continue;
        std::string_view value = Trim(l.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

}  // namespace vx42
