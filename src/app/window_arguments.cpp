// The window's command line, read before the window opens.
#include "app/window_arguments.h"

#include <CLI/CLI.hpp>
#include <filesystem>

#include "base/error_log.h"
#include "base/system_text.h"

namespace vx42 {

namespace {

// CLI11 names a refused word in a sentence of its own; one line is enough here.
std::string OneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

std::string WindowProgramName(StartupMode mode) {
    return mode == StartupMode::Relay ? "VX42RelayControl" : "VX42";
}

std::optional<int> ReadWindowArguments(int argc, const char* const* argv, StartupMode mode,
                                       WindowArguments& into, std::ostream& out,
                                       std::ostream& err) {
    const std::string name = WindowProgramName(mode);
    CLI::App app{(mode == StartupMode::Relay
                      ? "Configure a VX42 interface module's outputs as relays switched by "
                        "CAN-bus data, in a window."
                      : "Configure a VX42 interface module in a window: relays, gauges and "
                        "speed outputs driven by CAN-bus data."),
                 name};
    app.allow_windows_style_options(false);  // "/jobs/a.DVF" is a file on Windows too
    app.set_version_flag("--version", VersionTextFor(mode), "Show the version and exit");
    app.set_help_flag("-h,--help", "Show this help and exit");
    WindowArguments read;
    app.add_flag("--simulator", read.simulator,
                 "Talk to the built-in module simulator instead of a USB cable");
    app.add_option("FILE", read.file, "A calibration file (.DVF) to open, as File > Open does");
    app.footer("The scripting tool is vx42ctl; the manual is in Help > Installation Manual.\n");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << '\n';
        return 0;
    } catch (const CLI::ParseError& e) {
        err << name << ": " << OneLine(e.what()) << " (see " << name << " --help)\n";
        return kUsageStatus;
    }
    // The window names the file's folder as the one Save writes to: make it whole.
    if (!read.file.empty()) {
        std::error_code ec;
        const auto whole = std::filesystem::absolute(PathFromUtf8(read.file), ec);
        if (!ec) read.file = Utf8FromPath(whole.lexically_normal());
    }
    into = read;
    return std::nullopt;
}

std::string NoDisplayMessage(const std::string& programName, const std::string& display) {
    if (display.empty())
        return programName +
               ": no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
               "vx42ctl works without one";
    return programName + ": the display \"" + display +
           "\" cannot be reached to show the window; vx42ctl works without one";
}

}  // namespace vx42
