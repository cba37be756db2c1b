#pragma once
// What the windows share for one run of the program: the mode, the calibration image and
// its file state, the settings, the prompt, the error log and the module link.

#include <functional>
#include <memory>
#include <string>

#include "app/startup.h"
#include "base/error_log.h"
#include "base/prompt.h"
#include "calibration/cal_image.h"
#include "can/can_message.h"
#include "can/library_files.h"
#include "files/calibration_file.h"
#include "files/folders.h"
#include "files/gauge_presets.h"
#include "files/settings.h"

namespace vx42 {

class LinkThread;

struct AppContext {
    AppContext(StartupMode mode, std::string programFolder, Prompt& prompt, SettingsStore& store);

    StartupMode mode;
    std::string programFolder;
    AppFolders folders;  // where shipped data is read and the user's files are written
    std::string versionText;
    Prompt& prompt;
    SettingsStore& store;
    Settings settings;
    ErrorLog log;

    CalImage image;
    FileState files;
    LibrarySet libraries;              // the message libraries, loaded at start
    std::vector<GaugePreset> presets;  // read once at start
    // Where the restore points of the modules are kept; empty keeps none.
    std::string historyFolder;

    // The file commands' view of the state above.
    FileContext fileContext() { return {files, prompt, settings, store}; }
    // The user's Libraries folder (where the user's library is written), and the folders the
    // libraries are read from.
    std::string libraryFolder() const;
    LibraryFolders libraryFolders() const;
    std::string presetsPath() const;
};

}  // namespace vx42
