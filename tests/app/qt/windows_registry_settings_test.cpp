// The window's settings on Windows, where users and their administrators look for them: string
// values in the current user's registry branch, under
// HKEY_CURRENT_USER\Software\Kestrane Dialvane\Kestrane Dialvane\<section>, one value a key.
// Read back by the system's own reg tool, and by the settings reader of the command line,
// which has no Qt.

#include <gtest/gtest.h>

#include <QSettings>
#include <cstdio>
#include <string>

#include "app/qt/qt_settings_store.h"
#include "files/window_settings.h"

namespace vx42 {
namespace {

const char* const kSection = "RegistryReadBack";

// What a command printed.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = _popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        _pclose(pipe);
    }
    return out;
}

// The line of `text` that names the value, empty when none does.
std::string LineOf(const std::string& text, const std::string& value) {
    const auto at = text.find(value);
    if (at == std::string::npos) return {};
    const auto start = text.rfind('\n', at);
    const auto end = text.find('\n', at);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end == std::string::npos ? std::string::npos : end - start - 1);
}

class WindowsRegistry : public ::testing::Test {
  protected:
    void TearDown() override {
        QSettings(QSettings::UserScope, kApplicationName, kApplicationName).remove(kSection);
    }
};

TEST_F(WindowsRegistry, TheWindowsSettingsAreStringsInTheUsersBranch) {
    QtSettingsStore store;
    store.Set(kSection, "RestorePoints", "37");
    store.Set(kSection, "LastFolder", "C:\\Kunden\\Jürgen Müller");

    const std::string listed =
        Output(std::string("reg query \"HKCU\\Software\\") + kApplicationName + "\\" +
               kApplicationName + "\\" + kSection + "\" 2>&1");
    const std::string line = LineOf(listed, "RestorePoints");
    EXPECT_NE(line.find("REG_SZ"), std::string::npos) << listed;
    EXPECT_NE(line.find("37"), std::string::npos) << listed;

    // The command line reads what the window wrote, non-ASCII text included.
    const WindowSettings headless;
    EXPECT_EQ(headless.Get(kSection, "RestorePoints"), std::optional<std::string>("37"));
    EXPECT_EQ(headless.Get(kSection, "LastFolder"),
              std::optional<std::string>("C:\\Kunden\\Jürgen Müller"));
    EXPECT_EQ(store.Get(kSection, "LastFolder"), headless.Get(kSection, "LastFolder"));
    EXPECT_EQ(headless.Get(kSection, "NeverSet"), std::nullopt);
}

}  // namespace
}  // namespace vx42
