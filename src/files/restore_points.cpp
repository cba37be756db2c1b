#include "files/restore_points.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "base/numbers.h"
#include "base/system_text.h"
#include "files/file_io.h"
#include "files/folders.h"
#include "files/input_limits.h"
#include "files/json_input.h"
#include "files/paths.h"
#include "files/settings.h"

namespace vx42 {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kIndexName = "index.json";
constexpr int kIndexFormat = 1;
// Bounds on what the index may hold; it is read back from disk, so it is checked whole.
constexpr std::size_t kNameMax = 64, kEventMax = 256, kSerialMax = 64;
constexpr std::size_t kModulesMax = 100000, kEntriesMax = 100000;

bool SafeName(const std::string& name, std::size_t max) {
    if (name.empty() || name.size() > max || name == "." || name == "..") return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_' || c == '.';
    });
}

bool SafeEntryFile(const std::string& name) {
    return SafeName(name, kNameMax) && name.size() > 4 &&
           name.compare(name.size() - 4, 4, ".DVF") == 0 && name.find("..") == std::string::npos;
}

// A folder name for a serial number: the serial itself when it is a plain name, otherwise
// "m" and its bytes in hexadecimal.
std::string FolderFor(const std::string& key) {
    if (SafeName(key, 32) && key.find('.') == std::string::npos) return key;
    static const char* digits = "0123456789ABCDEF";
    std::string folder = "m";
    for (unsigned char c : key.substr(0, 31)) {
        folder += digits[c >> 4];
        folder += digits[c & 0xF];
    }
    return folder;
}

// The time as text in UTC or in local time.
std::string TimeText(std::int64_t time, const char* format, bool local) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
#ifdef _WIN32
    if (local)
        localtime_s(&tm, &t);
    else
        gmtime_s(&tm, &t);
#else
    if (local)
        localtime_r(&t, &tm);
    else
        gmtime_r(&t, &tm);
#endif
    char text[32];
    std::strftime(text, sizeof text, format, &tm);
    return text;
}

std::string UtcStamp(std::int64_t time) {
    return TimeText(time, "%Y%m%d-%H%M%S", false);
}

const json* Field(const json& object, const char* name) {
    const auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

std::string StringField(const json& object, const char* name, std::size_t max) {
    const json* v = Field(object, name);
    if (!v || !v->is_string() || v->get_ref<const std::string&>().size() > max)
        throw FileError(std::string("the field \"") + name + "\" is missing or not a text");
    return v->get<std::string>();
}

std::int64_t TimeField(const json& object, const char* name) {
    const json* v = Field(object, name);
    const auto time = v ? JsonInteger(*v, INT64_MIN, INT64_MAX) : std::nullopt;
    if (!time)
        throw FileError(std::string("the field \"") + name + "\" is missing or not a whole number");
    return *time;
}

std::vector<ModuleHistory> ParseIndex(const json& root) {
    if (!root.is_object()) throw FileError("it is not a JSON object");
    const json* format = Field(root, "format");
    if (!format || !JsonInteger(*format, kIndexFormat, kIndexFormat))
        throw FileError("its format is not one this tool reads");
    const json* modules = Field(root, "modules");
    if (!modules || !modules->is_array() || modules->size() > kModulesMax)
        throw FileError("it has no list of modules");
    std::vector<ModuleHistory> result;
    for (const json& m : *modules) {
        if (!m.is_object()) throw FileError("a module is not a JSON object");
        ModuleHistory h;
        h.serial = StringField(m, "serial", kSerialMax);
        h.folder = StringField(m, "folder", kNameMax);
        if (!SafeName(h.folder, kNameMax) || h.folder.find('.') != std::string::npos)
            throw FileError("a module's folder is not a plain name");
        h.lastSeen = TimeField(m, "lastSeen");
        const json* moved = Field(m, "movedOn");
        h.movedOn = moved && moved->is_boolean() && moved->get<bool>();
        const json* entries = Field(m, "entries");
        if (!entries || !entries->is_array() || entries->size() > kEntriesMax)
            throw FileError("a module has no list of entries");
        for (const json& e : *entries) {
            if (!e.is_object()) throw FileError("an entry is not a JSON object");
            RestoreEntry entry{StringField(e, "file", kNameMax), TimeField(e, "time"),
                               StringField(e, "event", kEventMax)};
            if (!SafeEntryFile(entry.file))
                throw FileError("an entry's file is not a plain calibration file name");
            h.entries.push_back(std::move(entry));
        }
        for (const ModuleHistory& other : result)
            if (other.serial == h.serial || other.folder == h.folder)
                throw FileError("a module is listed twice");
        result.push_back(std::move(h));
    }
    return result;
}

json IndexJson(const std::vector<ModuleHistory>& modules) {
    json list = json::array();
    for (const ModuleHistory& h : modules) {
        json entries = json::array();
        for (const RestoreEntry& e : h.entries)
            entries.push_back({{"file", e.file}, {"time", e.time}, {"event", e.event}});
        list.push_back({{"serial", h.serial},
                        {"folder", h.folder},
                        {"lastSeen", h.lastSeen},
                        {"movedOn", h.movedOn},
                        {"entries", std::move(entries)}});
    }
    return {{"format", kIndexFormat}, {"modules", std::move(list)}};
}

ModuleHistory* Find(std::vector<ModuleHistory>& modules, const std::string& key) {
    for (ModuleHistory& h : modules)
        if (h.serial == key) return &h;
    return nullptr;
}

}  // namespace

RestorePoints::RestorePoints(std::string folder, int limit, FileWriter writer)
    : folder_(std::move(folder)), limit_(std::max(1, limit)), writer_(std::move(writer)) {
    if (!writer_)
        writer_ = [](const std::string& path, std::span<const std::uint8_t> bytes) {
            WriteFileAtomic(path, bytes);
        };
}

std::string RestorePoints::IndexPath() const {
    return JoinPath(folder_, kIndexName);
}

std::vector<ModuleHistory> RestorePoints::ReadIndex() const {
    const std::string path = IndexPath();
    if (!FileExists(path)) return {};
    try {
        return ParseIndex(ReadJsonInput(path, limits::kRestoreIndexJson));
    } catch (const JsonInputError& e) {
        throw FileError("The restore point index cannot be read: " + std::string(e.what()));
    } catch (const FileError& e) {
        throw FileError("The restore point index \"" + path + "\" cannot be used: " + e.what());
    }
}

void RestorePoints::WriteIndex(const std::vector<ModuleHistory>& modules) const {
    const std::string text = IndexJson(modules).dump(1);
    writer_(IndexPath(),
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<ModuleHistory> RestorePoints::Modules() const {
    return ReadIndex();
}

std::optional<ModuleHistory> RestorePoints::Module(const std::string& serial) const {
    auto modules = ReadIndex();
    if (ModuleHistory* h = Find(modules, ModuleKey(serial))) return *h;
    return std::nullopt;
}

std::string RestorePoints::PathOf(const ModuleHistory& module, const RestoreEntry& entry) const {
    return JoinPath(JoinPath(folder_, module.folder), entry.file);
}

CalImage RestorePoints::Load(const ModuleHistory& module, const RestoreEntry& entry) const {
    const auto bytes = ReadWholeFile(PathOf(module, entry), kCalImageSize);
    if (bytes.size() != static_cast<std::size_t>(kCalImageSize))
        throw FileError("The restore point \"" + PathOf(module, entry) +
                        "\" is not a whole calibration");
    CalImage image;
    image.CopyIntoImage(bytes, 0);
    return image;
}

bool RestorePoints::Record(const std::string& serial, const CalImage& image,
                           const std::string& event, std::int64_t time) {
    std::error_code ec;
    fs::create_directories(PathFromUtf8(folder_), ec);
    std::vector<ModuleHistory> modules;
    try {
        modules = ReadIndex();
    } catch (const FileError&) {
        // Keep the damaged index for whoever wants to look at it, and begin again: the
        // calibration files themselves are untouched.
        const std::string damaged = JoinPath(folder_, "index-damaged-" + UtcStamp(time) + ".json");
        fs::rename(PathFromUtf8(IndexPath()), PathFromUtf8(damaged), ec);
        if (ec) throw;
    }
    const std::string key = ModuleKey(serial);
    ModuleHistory* h = Find(modules, key);
    if (!h) {
        std::string folder = FolderFor(key);
        for (int n = 2; std::any_of(modules.begin(), modules.end(),
                                    [&](const ModuleHistory& m) { return m.folder == folder; });
             ++n)
            folder = FolderFor(key) + "-" + std::to_string(n);
        modules.push_back({key, folder, time, false, {}});
        h = &modules.back();
    }
    h->lastSeen = time;

    bool same = false;
    if (!h->entries.empty()) {
        try {
            same = Load(*h, h->entries.back()) == image;
        } catch (const FileError&) {
            same = false;  // the newest file is gone: keep this one
        }
    }
    std::vector<std::string> dropped;
    if (!same) {
        const std::string moduleFolder = JoinPath(folder_, h->folder);
        fs::create_directories(PathFromUtf8(moduleFolder), ec);
        std::string name = UtcStamp(time) + ".DVF";
        for (int n = 2; FileExists(JoinPath(moduleFolder, name)); ++n)
            name = UtcStamp(time) + "-" + std::to_string(n) + ".DVF";
        writer_(JoinPath(moduleFolder, name), image.bytes());
        const bool afterChanges = h->movedOn && event == restore_event::Retrieve;
        h->entries.push_back(
            {name, time, afterChanges ? restore_event::RetrieveAfterChanges : event});
        while (h->entries.size() > static_cast<std::size_t>(limit_)) {
            dropped.push_back(PathOf(*h, h->entries.front()));
            h->entries.erase(h->entries.begin());
        }
    }
    h->movedOn = false;
    WriteIndex(modules);
    // Only once the index no longer lists them.
    for (const std::string& path : dropped) fs::remove(PathFromUtf8(path), ec);
    return !same;
}

void RestorePoints::MarkMovedOn(const std::string& serial) {
    auto modules = ReadIndex();
    ModuleHistory* h = Find(modules, ModuleKey(serial));
    if (!h || h->movedOn) return;
    h->movedOn = true;
    WriteIndex(modules);
}

RestoreKeeper::RestoreKeeper(std::string folder, int limit) {
    if (!folder.empty()) store_.emplace(std::move(folder), limit);
}

std::optional<std::string> RestoreKeeper::Keep(const std::string& serial, const CalImage& image,
                                               const std::string& event) {
    if (!store_) return std::nullopt;
    serial_ = serial;
    marked_ = false;
    try {
        store_->Record(serial, image, event, NowSeconds());
    } catch (const FileError& e) {
        return e.what();
    }
    return std::nullopt;
}

void RestoreKeeper::Changed() {
    if (!store_ || marked_) return;
    marked_ = true;
    try {
        store_->MarkMovedOn(serial_);
    } catch (const FileError&) {
        // Only the event name of the next retrieve depends on it.
    }
}

std::string DefaultHistoryFolder() {
    const std::string data = UserDataFolder();
    return data.empty() ? std::string() : JoinPath(data, "history");
}

std::string ModuleKey(const std::string& serial) {
    const auto first = serial.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return kUnknownModule;
    const auto last = serial.find_last_not_of(" \t\r\n");
    std::string key = serial.substr(first, std::min<std::size_t>(last - first + 1, kSerialMax));
    // Kept in the index as text: anything but printable ASCII is shown as "?".
    for (char& c : key)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return key;
}

int RestorePointLimit(const SettingsStore& store) {
    const auto text = store.Get("History", "RestorePointLimit");
    if (!text) return kDefaultRestorePointLimit;
    const auto value = ReadUnsigned(*text, 10, 100000);
    if (!value || *value < 1) return kDefaultRestorePointLimit;
    return static_cast<int>(*value);
}

std::string RestoreTimeText(std::int64_t time) {
    return TimeText(time, "%Y-%m-%d %H:%M:%S", true);
}

std::int64_t NowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace vx42
