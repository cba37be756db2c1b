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

// The installation manual, opened from the Help menu, in the folder of the shipped data.
std::string ManualPath(const std::string& sharedFolder);

// The desktop's name for each mode: its desktop entry (without ".desktop"), which the desktop
// uses to match the window to its entry and icon. The icon has the full mode's name.
std::string DesktopEntryId(StartupMode mode);
inline constexpr const char* kIconName = "example.kestrane.VX42";

}  // namespace vx42
