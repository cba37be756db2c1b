#pragma once
// The window's own settings, read without the window's toolkit, so that vx42ctl follows what
// the user set there (the restore points' limit). Linux: the INI file the window keeps in
// $XDG_CONFIG_HOME (else ~/.config), "Kestrane Dialvane/Kestrane Dialvane.conf"; Windows:
// the per-user registry key Software\Kestrane Dialvane\Kestrane Dialvane. Read only.

#include <optional>
#include <string>

#include "files/settings.h"

namespace vx42 {

class WindowSettings : public SettingsStore {
  public:
    // The settings of the window's store; `iniPath` names another INI file (tests).
    WindowSettings();
    explicit WindowSettings(std::string iniPath) : iniPath_(std::move(iniPath)) {}

    std::optional<std::string> Get(const std::string& section,
                                   const std::string& key) const override;
    // vx42ctl changes none of the window's settings.
    void Set(const std::string&, const std::string&, const std::string&) override {}

  private:
    std::string iniPath_;
};

// The value of `key` in `[section]` of INI text as the window writes it; nothing when absent.
std::optional<std::string> IniValue(const std::string& text, const std::string& section,
                                    const std::string& key);

}  // namespace vx42
