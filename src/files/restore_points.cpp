// Restore points: every calibration that came from or went to a module, kept per module.
#include "files/restore_points.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <tuple>

#include "base/file_lock.h"
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
constexpr const char* kLockName = "history.lock";
constexpr int kIndexFormat = 1;        // the one index every module once shared
constexpr int kModuleIndexFormat = 2;  // a module's own index
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

RestoreEntry ParseEntry(const json& e) {
    if (!e.is_object()) throw FileError("an entry is not a JSON object");
    RestoreEntry entry{StringField(e, "file", kNameMax), TimeField(e, "time"),
                       StringField(e, "event", kEventMax)};
    if (!SafeEntryFile(entry.file))
        throw FileError("an entry's file is not a plain calibration file name");
    return entry;
}

// The fields a module's record has in both kinds of index.
ModuleHistory ParseModule(const json& m) {
    if (!m.is_object()) throw FileError("a module is not a JSON object");
    ModuleHistory h;
    h.serial = StringField(m, "serial", kSerialMax);
    h.lastSeen = TimeField(m, "lastSeen");
    const json* moved = Field(m, "movedOn");
    h.movedOn = moved && moved->is_boolean() && moved->get<bool>();
    const json* entries = Field(m, "entries");
    if (!entries || !entries->is_array() || entries->size() > kEntriesMax)
        throw FileError("a module has no list of entries");
    for (const json& e : *entries) h.entries.push_back(ParseEntry(e));
    h.firstSeen = h.entries.empty() ? h.lastSeen : h.entries.front().time;
    return h;
}

bool PlainFolder(const std::string& folder) {
    return SafeName(folder, kNameMax) && folder.find('.') == std::string::npos;
}

// The index every module once shared (format 1), still read where no module index replaced it.
std::vector<ModuleHistory> ParseSharedIndex(const json& root) {
    if (!root.is_object()) throw FileError("it is not a JSON object");
    const json* format = Field(root, "format");
    if (!format || !JsonInteger(*format, kIndexFormat, kIndexFormat))
        throw FileError("its format is not one this tool reads");
    const json* modules = Field(root, "modules");
    if (!modules || !modules->is_array() || modules->size() > kModulesMax)
        throw FileError("it has no list of modules");
    std::vector<ModuleHistory> result;
    for (const json& m : *modules) {
        ModuleHistory h = ParseModule(m);
        h.folder = StringField(m, "folder", kNameMax);
        if (!PlainFolder(h.folder)) throw FileError("a module's folder is not a plain name");
        for (const ModuleHistory& other : result)
            if (other.serial == h.serial || other.folder == h.folder)
                throw FileError("a module is listed twice");
        result.push_back(std::move(h));
    }
    return result;
}

// A module's own index, in its folder.
ModuleHistory ParseModuleIndex(const json& root, const std::string& folder) {
    if (!root.is_object()) throw FileError("it is not a JSON object");
    const json* format = Field(root, "format");
    if (!format || !JsonInteger(*format, kModuleIndexFormat, kModuleIndexFormat))
        throw FileError("its format is not one this tool reads");
    ModuleHistory h = ParseModule(root);
    h.firstSeen = TimeField(root, "firstSeen");
    h.folder = folder;
    return h;
}

json ModuleIndexJson(const ModuleHistory& h) {
    json entries = json::array();
    for (const RestoreEntry& e : h.entries)
        entries.push_back({{"file", e.file}, {"time", e.time}, {"event", e.event}});
    return {{"format", kModuleIndexFormat}, {"serial", h.serial},
            {"firstSeen", h.firstSeen},     {"lastSeen", h.lastSeen},
            {"movedOn", h.movedOn},         {"entries", std::move(entries)}};
}

// An index too large to read: reported, and left as it is (it is not damaged).
class IndexTooLarge : public FileError {
  public:
    using FileError::FileError;
};

void RefuseOverCap(const std::string& path) {
    const std::uintmax_t length = FileLength(path);
    if (length > limits::kRestoreIndexJson.bytes)
        throw IndexTooLarge("The restore point index \"" + path + "\" holds " +
                            std::to_string(length) + " bytes, more than the " +
                            std::to_string(limits::kRestoreIndexJson.bytes) +
                            " bytes an index may hold. It is left as it is; no restore point "
                            "is kept in it until it is made smaller.");
}

// Reads an index with the caps; FileError naming the file when it cannot be used.
template <typename Parse>
auto ReadIndexFile(const std::string& path, Parse parse) {
    RefuseOverCap(path);
    try {
        return parse(ReadJsonInput(path, limits::kRestoreIndexJson));
    } catch (const JsonInputError& e) {
        throw FileError("The restore point index cannot be read: " + std::string(e.what()));
    } catch (const IndexTooLarge&) {
        throw;
    } catch (const FileError& e) {
        throw FileError("The restore point index \"" + path + "\" cannot be used: " + e.what());
    }
}

// A damaged index that could not be set aside: nothing may be kept in its place.
class SetAsideRefused : public FileError {
  public:
    using FileError::FileError;
};

// Sets a damaged index aside for whoever wants to look at it: the calibration files stay.
void SetAside(const std::string& path, const std::string& folder, std::int64_t time) {
    std::error_code ec;
    const std::string damaged = JoinPath(folder, "index-damaged-" + UtcStamp(time) + ".json");
    fs::rename(PathFromUtf8(path), PathFromUtf8(damaged), ec);
    if (ec)
        throw SetAsideRefused("The damaged restore point index \"" + path +
                              "\" cannot be set aside (" + ec.message() +
                              "); no restore point is kept until it is moved away.");
}

}  // namespace

// An advisory lock on the history folder, held by one writer at a time across processes (the
// window, the relay window and vx42ctl) and threads. It is waited for a few seconds at most:
// a writer stopped while it holds the lock is named, and nothing is kept.
class RestorePoints::FolderLock {
  public:
    FolderLock(const std::string& folder, std::chrono::milliseconds wait)
        : path_(JoinPath(folder, kLockName)), lock_(path_, wait) {
        if (lock_.held()) return;
        const std::string holder = LockHolder(path_);
        throw FileError("The restore points cannot be locked: \"" + path_ + "\" is held by " +
                        (holder.empty() ? std::string("another program") : holder) +
                        ". Close it or wait until it ends, then try again.");
    }

  private:
    std::string path_;
    FileLock lock_;
};

RestorePoints::RestorePoints(std::string folder, int limit, FileWriter writer)
    : folder_(std::move(folder)), limit_(std::max(1, limit)), writer_(std::move(writer)) {
    if (!writer_)
        writer_ = [](const std::string& path, std::span<const std::uint8_t> bytes) {
            WriteFileAtomic(path, bytes);
        };
}

std::string RestorePoints::SharedIndexPath() const {
    return JoinPath(folder_, kIndexName);
}

std::string RestorePoints::ModuleIndexPath(const std::string& moduleFolder) const {
    return JoinPath(JoinPath(folder_, moduleFolder), kIndexName);
}

std::vector<ModuleHistory> RestorePoints::ReadSharedIndex() const {
    const std::string path = SharedIndexPath();
    if (!FileExists(path)) return {};
    return ReadIndexFile(path, ParseSharedIndex);
}

std::optional<ModuleHistory> RestorePoints::ReadModuleIndex(const std::string& moduleFolder) const {
    const std::string path = ModuleIndexPath(moduleFolder);
    if (!FileExists(path)) return std::nullopt;
    return ReadIndexFile(path,
                         [&](const json& root) { return ParseModuleIndex(root, moduleFolder); });
}

void RestorePoints::WriteModuleIndex(const ModuleHistory& module) const {
    const std::string text = ModuleIndexJson(module).dump(1);
    writer_(ModuleIndexPath(module.folder),
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<ModuleHistory> RestorePoints::Modules() const {
    std::vector<ModuleHistory> result;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(PathFromUtf8(folder_), ec)) {
        const std::string name = Utf8FromPath(item.path().filename());
        if (!PlainFolder(name) || !item.is_directory(ec)) continue;
        if (auto module = ReadModuleIndex(name)) result.push_back(std::move(*module));
    }
    // Modules of the shared index that no module index has replaced yet.
    for (ModuleHistory& old : ReadSharedIndex())
        if (std::none_of(result.begin(), result.end(), [&](const ModuleHistory& m) {
                return m.folder == old.folder || m.serial == old.serial;
            }))
            result.push_back(std::move(old));
    std::sort(result.begin(), result.end(), [](const ModuleHistory& a, const ModuleHistory& b) {
        return std::tie(a.firstSeen, a.folder) < std::tie(b.firstSeen, b.folder);
    });
    return result;
}

std::optional<ModuleHistory> RestorePoints::Module(const std::string& serial) const {
    const std::string key = ModuleKey(serial);
    for (ModuleHistory& h : Modules())
        if (h.serial == key) return std::move(h);
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

std::optional<ModuleHistory> RestorePoints::Locate(const std::string& key, bool create,
                                                   std::int64_t time) const {
    std::vector<ModuleHistory> shared;
    try {
        shared = ReadSharedIndex();
    } catch (const IndexTooLarge&) {
        throw;
    } catch (const FileError&) {
        if (!create) return std::nullopt;
        SetAside(SharedIndexPath(), folder_, time);
    }
    const ModuleHistory fresh{key, {}, time, time, false, {}};
    // The index in a folder; a damaged one is set aside (when a module is to be created) and
    // the folder taken for this module.
    bool damaged = false;
    auto own = [&](const std::string& folder) -> std::optional<ModuleHistory> {
        try {
            return ReadModuleIndex(folder);
        } catch (const IndexTooLarge&) {
            throw;
        } catch (const FileError&) {
            if (!create) throw;
            SetAside(ModuleIndexPath(folder), JoinPath(folder_, folder), time);
            damaged = true;
            return std::nullopt;
        }
    };
    auto in = [](ModuleHistory h, const std::string& folder) {
        h.folder = folder;
        return h;
    };
    try {
        // A module the shared index lists, until its own index replaces that.
        const auto old = std::find_if(shared.begin(), shared.end(),
                                      [&](const ModuleHistory& m) { return m.serial == key; });
        if (old != shared.end()) {
            const auto current = own(old->folder);
            if (damaged) return in(fresh, old->folder);
            if (!current) return *old;
            if (current->serial == key) return current;
        }
        // The module's folder is its key, or the key with "-2", "-3", ... when another module
        // holds that name.
        for (int n = 1;; ++n) {
            const std::string folder =
                n == 1 ? FolderFor(key) : FolderFor(key) + "-" + std::to_string(n);
            const auto current = own(folder);
            if (damaged) return in(fresh, folder);
            if (current && current->serial == key) return current;
            if (current || std::any_of(shared.begin(), shared.end(),
                                       [&](const ModuleHistory& m) { return m.folder == folder; }))
                continue;
            if (!create) return std::nullopt;
            return in(fresh, folder);
        }
    } catch (const IndexTooLarge&) {
        throw;
    } catch (const SetAsideRefused&) {
        throw;
    } catch (const FileError&) {
        return std::nullopt;  // looked up only: a damaged index holds nothing to change
    }
}

bool RestorePoints::Record(const std::string& serial, const CalImage& image,
                           const std::string& event, std::int64_t time) {
    std::error_code ec;
    fs::create_directories(PathFromUtf8(folder_), ec);
    const FolderLock lock(folder_, lockWait_);
    auto located = Locate(ModuleKey(serial), true, time);
    if (!located)
        throw FileError("The restore points of module " + ModuleKey(serial) +
                        " cannot be found in \"" + folder_ + "\"");
    ModuleHistory h = std::move(*located);
    h.lastSeen = time;

    bool same = false;
    if (!h.entries.empty()) {
        try {
            same = Load(h, h.entries.back()) == image;
        } catch (const FileError&) {
            same = false;  // the newest file is gone: keep this one
        }
    }
    std::vector<std::string> dropped;
    const std::string moduleFolder = JoinPath(folder_, h.folder);
    fs::create_directories(PathFromUtf8(moduleFolder), ec);
    if (!same) {
        std::string name = UtcStamp(time) + ".DVF";
        for (int n = 2; FileExists(JoinPath(moduleFolder, name)); ++n)
            name = UtcStamp(time) + "-" + std::to_string(n) + ".DVF";
        // The calibration first: an index never lists a file that is not there.
        writer_(JoinPath(moduleFolder, name), image.bytes());
        const bool afterChanges = h.movedOn && event == restore_event::Retrieve;
        h.entries.push_back(
            {name, time, afterChanges ? restore_event::RetrieveAfterChanges : event});
        while (h.entries.size() > static_cast<std::size_t>(limit_)) {
            dropped.push_back(PathOf(h, h.entries.front()));
            h.entries.erase(h.entries.begin());
        }
    }
    h.movedOn = false;
    WriteModuleIndex(h);
    // Only once the index no longer lists them.
    for (const std::string& path : dropped) fs::remove(PathFromUtf8(path), ec);
    return !same;
}

void RestorePoints::MarkMovedOn(const std::string& serial) {
    std::error_code ec;
    if (!fs::is_directory(PathFromUtf8(folder_), ec)) return;
    const FolderLock lock(folder_, lockWait_);
    auto h = Locate(ModuleKey(serial), false, 0);
    if (!h || h->movedOn) return;
    h->movedOn = true;
    WriteModuleIndex(*h);
}

RestoreKeeper::RestoreKeeper(std::string folder, int limit) {
    if (!folder.empty()) store_.emplace(std::move(folder), limit);
}

Result<void> RestoreKeeper::Keep(const std::string& serial, const CalImage& image,
                                 const std::string& event) {
    if (!store_) return {};
    serial_ = serial;
    marked_ = false;
    try {
        store_->Record(serial, image, event, NowSeconds());
    } catch (const FileError& e) {
        return Failure{e.what()};
    }
    const std::string key = ModuleKey(serial), newest = NewestEntry(serial);
    const std::lock_guard lock(*newestMutex_);
    const auto known = std::find_if(newest_.begin(), newest_.end(),
                                    [&](const auto& entry) { return entry.first == key; });
    if (known == newest_.end())
        newest_.emplace_back(key, newest);
    else
        known->second = newest;
    return {};
}

Result<void> RestoreKeeper::KeepBeforeUpgrade(const std::string& serial, const CalImage& image) {
    beforeUpgrade_.emplace(ModuleKey(serial), image);
    return Keep(serial, image, restore_event::BeforeUpgrade);
}

std::optional<CalImage> RestoreKeeper::TakeBeforeUpgrade(const std::string& serial) {
    if (!beforeUpgrade_ || beforeUpgrade_->first != ModuleKey(serial)) return std::nullopt;
    CalImage image = beforeUpgrade_->second;
    beforeUpgrade_.reset();
    return image;
}

std::string RestoreKeeper::NewestEntry(const std::string& serial) const {
    try {
        const auto module = store_->Module(serial);
        return module && !module->entries.empty() ? module->entries.back().file : std::string();
    } catch (const FileError&) {
        return {};
    }
}

bool RestoreKeeper::KeptElsewhere(const std::string& serial) const {
    if (!store_) return false;
    const std::lock_guard lock(*newestMutex_);
    const auto known = std::find_if(newest_.begin(), newest_.end(), [&](const auto& entry) {
        return entry.first == ModuleKey(serial);
    });
    return known != newest_.end() && NewestEntry(serial) != known->second;
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
