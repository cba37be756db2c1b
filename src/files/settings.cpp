// The user's persisted settings.
#include "files/settings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "base/numbers.h"
#include "base/prompt.h"
#include "base/system_text.h"
#include "files/file_io.h"
#include "files/paths.h"

namespace vx42 {

namespace fs = std::filesystem;

std::optional<std::string> MemorySettingsStore::Get(const std::string& section,
                                                    const std::string& key) const {
    auto it = values_.find({section, key});
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void MemorySettingsStore::Set(const std::string& section, const std::string& key,
                              const std::string& value) {
    values_[{section, key}] = value;
    ++writes_;
}

bool TextToBool(const std::string& text, bool fallback) {
    std::string t;
    for (char c : text)
        if (c != ' ') t.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (t == "true") return true;
    if (t == "false") return false;
    if (const auto v = ReadNumber(t)) return *v != 0;
    return fallback;
}

namespace {

struct UnitKey {
    const char* key;
    bool UnitFlags::*flag;
};
// The order in which the unit values are written.
constexpr UnitKey kUnitKeys[] = {
    {"Pressure", &UnitFlags::MetricPressure},       {"Speed", &UnitFlags::MetricSpeed},
    {"Temperature", &UnitFlags::MetricTemperature}, {"Flow", &UnitFlags::MetricFlow},
    {"Torque", &UnitFlags::MetricTorque},           {"Volume", &UnitFlags::MetricVolume},
};

std::string BoolText(bool b) {
    return b ? "True" : "False";
}

}  // namespace

std::string DefaultCalibrationPath(const std::string& documentsFolder) {
    return documentsFolder + "VX42" + kPathSeparator + "Calibrations";
}

Settings LoadSettings(const SettingsStore& store, const std::string& programFolder,
                      const std::string& documentsFolder) {
    Settings s;
    auto get = [&store](const char* section, const char* key, std::string fallback) {
        auto v = store.Get(section, key);
        return v ? *v : std::move(fallback);
    };
    s.LibraryPath = get("Paths", "LibraryPath", JoinPath(programFolder, "Libraries"));
    s.CalibrationPath = get("Paths", "CalibrationPath", DefaultCalibrationPath(documentsFolder));
    s.FirmwarePath = get("Paths", "FirmwarePath", JoinPath(programFolder, "Firmware"));
    for (const auto& u : kUnitKeys) {
        auto v = store.Get("Units", u.key);
        s.Units.*(u.flag) = v ? TextToBool(*v, false) : false;
    }
    return s;
}

void SaveSettings(SettingsStore& store, const Settings& settings) {
    store.Set("Paths", "LibraryPath", settings.LibraryPath);
    store.Set("Paths", "CalibrationPath", settings.CalibrationPath);
    store.Set("Paths", "FirmwarePath", settings.FirmwarePath);
    for (const auto& u : kUnitKeys) store.Set("Units", u.key, BoolText(settings.Units.*(u.flag)));
}

void SaveCalibrationPath(SettingsStore& store, const Settings& settings) {
    store.Set("Paths", "CalibrationPath", settings.CalibrationPath);
}

std::string CopyLibraryIntoFolder(const std::string& source, const std::string& libraryFolder) {
    const std::string target = JoinPath(libraryFolder, FileNameOfPath(source));
    // Read first, then write atomically: a failed copy leaves any existing library intact.
    const auto bytes = ReadWholeFile(source, 64u * 1024 * 1024);
    std::error_code ec;
    fs::create_directories(PathFromUtf8(libraryFolder), ec);
    WriteFileAtomic(target, bytes);
    return target;
}

bool ImportLibraryFile(Prompt& prompt, Settings& settings, SettingsStore& store,
                       const std::string& libraryFolder) {
    FileDialog dialog;
    dialog.title = "Update Library";
    dialog.initialFolder = settings.LibraryPath;
    dialog.filter = "Dialvane Message Library (*.DVM)|*.DVM";
    const auto path = prompt.OpenFile(dialog);
    if (!IsChosenPath(path)) return false;
    CopyLibraryIntoFolder(*path, libraryFolder);
    settings.LibraryPath = FolderOfPath(*path);
    store.Set("Paths", "LibraryPath", settings.LibraryPath);
    return true;
}

}  // namespace vx42
