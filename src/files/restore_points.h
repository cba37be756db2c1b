#pragma once
// Restore points: every calibration that came from or went to a module, kept per module (by
// its serial number) as ordinary calibration files beside a small JSON index, so an installer
// can always get back to what a module held.
//
// Layout of the history folder: one folder per module holding its entries as .DVF files and its
// own index.json (an index.json in the history folder itself, which older versions shared
// between every module, is still read for the modules it lists until they are recorded again).
// Every file is written atomically, the calibration before the index, so a failed write leaves
// the previous index whole (and at worst one unlisted calibration file). Writers hold an
// advisory lock on the folder ("history.lock"), so the window, the relay window and vx42ctl
// may record at once without losing an entry.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"
#include "calibration/cal_image.h"
#include "calibration/edit_target.h"

namespace vx42 {

class SettingsStore;

constexpr int kDefaultRestorePointLimit = 200;
// How long a writer waits for another to let go of the history's lock.
constexpr std::chrono::milliseconds kRestoreLockWait{5000};
// The key of a module whose serial number could not be read.
constexpr const char* kUnknownModule = "unknown";

// What made an entry.
namespace restore_event {
constexpr const char* Retrieve = "Retrieve";
// A retrieve after the tool had changed the module since its last entry.
constexpr const char* RetrieveAfterChanges = "Retrieve after changes";
constexpr const char* Update = "Update";
constexpr const char* ProgrammedFromFile = "Programmed from file";  // followed by the file name
constexpr const char* BeforeUpgrade = "Before upgrade";
}  // namespace restore_event

struct RestoreEntry {
    std::string file;       // the calibration file's name in the module's folder
    std::int64_t time = 0;  // seconds since 1970-01-01 UTC
    std::string event;
    bool operator==(const RestoreEntry&) const = default;
};

struct ModuleHistory {
    std::string serial;
    std::string folder;  // the module's folder name inside the history folder
    std::int64_t firstSeen = 0;
    std::int64_t lastSeen = 0;  // the last entry or retrieve
    // The tool changed the module after its newest entry; the next retrieve records it so.
    bool movedOn = false;
    std::vector<RestoreEntry> entries;  // oldest first
    bool operator==(const ModuleHistory&) const = default;
};

// Writes one whole file; tests put a failing writer in its place.
using FileWriter = std::function<void(const std::string& path, std::span<const std::uint8_t>)>;

class RestorePoints {
  public:
    // limit: entries kept per module (at least 1); the oldest are dropped beyond it.
    explicit RestorePoints(std::string folder, int limit = kDefaultRestorePointLimit,
                           FileWriter writer = {});

    const std::string& folder() const { return folder_; }
    // How long Record and MarkMovedOn wait for the lock before they fail naming its holder.
    void SetLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

    // The modules seen, in the order first seen. An absent index is an empty history; an
    // unreadable, malformed or too large one throws FileError.
    std::vector<ModuleHistory> Modules() const;
    std::optional<ModuleHistory> Module(const std::string& serial) const;

    // Keeps the image as the module's newest entry, unless it equals the newest kept (then
    // only the time last seen changes). True when an entry was added. A malformed index is
    // set aside (index-damaged-TIME.json) and a new one begun; one larger than an index may be
    // is reported (FileError) and left as it is. Throws FileError when a file cannot be
    // written; what was kept before stays as it was.
    bool Record(const std::string& serial, const CalImage& image, const std::string& event,
                std::int64_t time);
    // The tool changed the module since its newest entry (nothing for a module never seen).
    void MarkMovedOn(const std::string& serial);

    std::string PathOf(const ModuleHistory& module, const RestoreEntry& entry) const;
    // An entry's calibration; throws FileError when its file is missing or unreadable.
    CalImage Load(const ModuleHistory& module, const RestoreEntry& entry) const;

  private:
    class FolderLock;
    std::string SharedIndexPath() const;
    std::string ModuleIndexPath(const std::string& moduleFolder) const;
    std::vector<ModuleHistory> ReadSharedIndex() const;
    std::optional<ModuleHistory> ReadModuleIndex(const std::string& moduleFolder) const;
    void WriteModuleIndex(const ModuleHistory& module) const;
    // The module's history, from its own index or the shared one; with `create`, a new one
    // for a module never seen (and a damaged index set aside). Nothing for a module never seen.
    std::optional<ModuleHistory> Locate(const std::string& key, bool create,
                                        std::int64_t time) const;

    std::string folder_;
    int limit_;
    FileWriter writer_;
    std::chrono::milliseconds lockWait_ = kRestoreLockWait;
};

// What the window keeps of the calibrations that pass between it and a module. With no
// folder it keeps nothing.
class RestoreKeeper {
  public:
    RestoreKeeper(std::string folder, int limit);

    bool enabled() const { return store_.has_value(); }
    RestorePoints* store() { return store_ ? &*store_ : nullptr; }

    // After a whole retrieve or write: keeps the image for the module; the failure says what
    // went wrong. Nothing is kept, and nothing fails, when restore points are off.
    Result<void> Keep(const std::string& serial, const CalImage& image, const std::string& event);
    // Before a change is written to the module: the first after a retrieve or write marks
    // that the module moved on from its newest entry.
    void Changed();

    // Before an upgrade: the module's calibration, retrieved for the purpose, is kept ("Before
    // upgrade") and remembered for the check after the upgrade, even when restore points are
    // off or it could not be kept. Runs on the link's thread while the upgrade is the one
    // transfer, so nothing else uses the keeper then.
    Result<void> KeepBeforeUpgrade(const std::string& serial, const CalImage& image);
    // The calibration module `serial` held before its last upgrade, handed out once.
    std::optional<CalImage> TakeBeforeUpgrade(const std::string& serial);
    // Another program kept a restore point of module `serial` since this keeper last kept one
    // for it: that program may have written the module. False for a module it never kept.
    bool KeptElsewhere(const std::string& serial) const;

  private:
    // The file of module `serial`'s newest entry (empty when none can be read).
    std::string NewestEntry(const std::string& serial) const;

    std::optional<RestorePoints> store_;
    std::string serial_;
    bool marked_ = true;  // nothing to mark before the first retrieve or write
    // The newest entry of each module as this keeper left it (kept on one thread, asked for
    // on another).
    std::vector<std::pair<std::string, std::string>> newest_;
    std::shared_ptr<std::mutex> newestMutex_ = std::make_shared<std::mutex>();
    std::optional<std::pair<std::string, CalImage>> beforeUpgrade_;
};

// The window's edits on their way to the module, with the keeper told of each one first.
class KeepingSink : public ChangeSink {
  public:
    KeepingSink(ChangeSink& next, std::function<void()> changed)
        : next_(next), changed_(std::move(changed)) {}
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        changed_();
        next_.WriteCalibrationChange(address, bytes);
    }

  private:
    ChangeSink& next_;
    std::function<void()> changed_;
};

// The folder restore points are kept in: "history" in the user's data folder (the window and
// vx42ctl share it). Empty when the user's home cannot be determined.
std::string DefaultHistoryFolder();

// The key a serial number is kept under: blanks trimmed, "unknown" when nothing is left.
std::string ModuleKey(const std::string& serial);
// The setting "History" / "RestorePointLimit" (1 to 100000), 200 when absent or unusable.
int RestorePointLimit(const SettingsStore& store);
// "2026-03-14 09:26:53" in local time.
std::string RestoreTimeText(std::int64_t time);
// Seconds since 1970-01-01 UTC now.
std::int64_t NowSeconds();

}  // namespace vx42
