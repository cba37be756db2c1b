#pragma once
// Start-up: the mode chosen by the program's name, and the title prefix it implies.

#include <string>
#include <string_view>

namespace vx42 {

enum class StartupMode { Full, Relay };

// "VX42RelayControl" starts in relay mode; every other name in full mode. The name is the
// executable's file name without folder and extension, compared exactly.
StartupMode ModeFromProgramName(std::string_view programPath);

// "VX42 Version 2.1.0" or "VX42 Relay Control Version 2.1.0".
std::string VersionTextFor(StartupMode mode);

// The connection display.
struct OnlineDisplay {
    const char* menuCaption;   // menuConnect
    const char* labelCaption;  // lblOnline
    unsigned rgb;              // lblOnline text colour, 0xRRGGBB
};
OnlineDisplay OnlineStatusDisplay(bool online);

// What the status bar at the foot of the window is made from.
struct StatusFacts {
    bool online = false;
    bool simulated = false;      // the built-in module simulator stands in for a module
    std::string serial;          // the module's, while online
    std::string firmware;        // its firmware version, while online
    bool fileLoaded = false;     // a named file is shown
    bool autoRetrieved = false;  // a calibration retrieved from the module is shown
    std::string fileName;        // the named file
    bool changed = false;        // unsaved changes
    bool hasCanSpeed = false;    // a calibration is shown, so its CAN bus speed is known
    unsigned canKbits = 0;
};

// The status bar's fields: "Online" or "Offline" (with "(simulated module)"), the module's
// serial number and firmware while online, the calibration shown with its unsaved-changes
// mark, and the CAN bus speed. An empty field is not shown.
struct StatusTexts {
    std::string connection;
    std::string module;
    std::string file;
    std::string canSpeed;
};
StatusTexts StatusBarTexts(const StatusFacts& facts);

// The installation manual, opened from the Help menu, in the folder of the shipped data.
std::string ManualPath(const std::string& sharedFolder);

// The desktop's name for each mode: its desktop entry (without ".desktop"), which the desktop
// uses to match the window to its entry and icon. The icon has the full mode's name.
std::string DesktopEntryId(StartupMode mode);
inline constexpr const char* kIconName = "example.kestrane.VX42";

}  // namespace vx42
