// Start-up: the mode chosen by the program's name, and the title prefix it implies.
#include "app/startup.h"

#include <filesystem>

#include "base/error_log.h"
#include "base/system_text.h"

namespace vx42 {

StartupMode ModeFromProgramName(std::string_view programPath) {
    std::string_view name = programPath;
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return name == "VX42RelayControl" ? StartupMode::Relay : StartupMode::Full;
}

std::string VersionTextFor(StartupMode mode) {
    return std::string(mode == StartupMode::Relay ? "VX42 Relay Control" : "VX42") + " Version " +
           ProgramVersion();
}

OnlineDisplay OnlineStatusDisplay(bool online) {
    if (online) return {"Disconnect", "Online", 0x00FF00};
    return {"Connect", "Offline", 0xFF0000};
}

StatusTexts StatusBarTexts(const StatusFacts& f) {
    StatusTexts t;
    t.connection = OnlineStatusDisplay(f.online).labelCaption;
    if (f.simulated) t.connection += " (simulated module)";
    if (f.online)
        t.module = "Module " + (f.serial.empty() ? std::string("?") : f.serial) + ", firmware " +
                   (f.firmware.empty() ? std::string("?") : f.firmware);
    t.file = f.fileLoaded      ? "File: " + f.fileName
             : f.autoRetrieved ? std::string("Auto Retrieved File")
                               : std::string("No File Loaded");
    if ((f.fileLoaded || f.autoRetrieved) && f.changed) t.file += " (unsaved changes)";
    if (f.hasCanSpeed)
        t.canSpeed = "CAN bus " + (f.canKbits >= 1000 && f.canKbits % 1000 == 0
                                       ? std::to_string(f.canKbits / 1000) + " Mbit/s"
                                       : std::to_string(f.canKbits) + " kbit/s");
    return t;
}

std::string ManualPath(const std::string& sharedFolder) {
    return Utf8FromPath(PathFromUtf8(sharedFolder) / "Instructions" /
                        "M771020455 VX42-002 Instructions v1.1.pdf");
}

std::string DesktopEntryId(StartupMode mode) {
    return mode == StartupMode::Relay ? "example.kestrane.VX42RelayControl" : kIconName;
}

}  // namespace vx42
