#include "app/startup.h"

#include <filesystem>

#include "app/error_log.h"

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

std::string ManualPath(const std::string& sharedFolder) {
    return (std::filesystem::path(sharedFolder) / "Instructions" /
            "M771020455 VX42-002 Instructions v1.1.pdf")
        .string();
}

std::string DesktopEntryId(StartupMode mode) {
    return mode == StartupMode::Relay ? "example.kestrane.VX42RelayControl" : kIconName;
}

}  // namespace vx42
