#pragma once
// The user's persisted settings: three starting folders and the six unit choices.

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "calibration/units.h"

namespace vx42 {

class Prompt;

constexpr const char* kApplicationName = "Kestrane Dialvane";

// A per-user key-value store with sections (the window uses the platform's settings).
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> Get(const std::string& section,
                                           const std::string& key) const = 0;
    virtual void Set(const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

class MemorySettingsStore : public SettingsStore {
  public:
    std::optional<std::string> Get(const std::string& section,
                                   const std::string& key) const override;
    void Set(const std::string& section, const std::string& key, const std::string& value) override;
    int writes() const { return writes_; }

  private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
    int writes_ = 0;
};

struct Settings {
    std::string LibraryPath;
    std::string CalibrationPath;
    std::string FirmwarePath;
    UnitFlags Units;
};

// The usual text-to-Boolean reading: "True"/"False" in any case, or a number (non-zero is
// true); anything else gives the fallback.
bool TextToBool(const std::string& text, bool fallback);

// The calibration folder of a first run: documents folder + "VX42" + "Calibrations".
std::string DefaultCalibrationPath(const std::string& documentsFolder);

Settings LoadSettings(const SettingsStore& store, const std::string& programFolder,
                      const std::string& documentsFolder);
void SaveSettings(SettingsStore& store, const Settings& settings);
void SaveCalibrationPath(SettingsStore& store, const Settings& settings);

// The "Update Library" import: asks for a library file, copies it into the user's
// libraryFolder (replacing one of the same name) and remembers its folder. Returns
// false when the dialog was cancelled; throws FileError when the copy fails (LibraryPath
// then stays as it was).
bool ImportLibraryFile(Prompt& prompt, Settings& settings, SettingsStore& store,
                       const std::string& libraryFolder);

// The copy step alone: returns the path of the copy.
std::string CopyLibraryIntoFolder(const std::string& source, const std::string& libraryFolder);

}  // namespace vx42
