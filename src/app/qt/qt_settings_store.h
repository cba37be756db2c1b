#pragma once
// The user's settings in the platform's per-user store, under "Kestrane Dialvane".

#include <QSettings>

#include "files/settings.h"

namespace vx42 {

class QtSettingsStore : public SettingsStore {
  public:
    QtSettingsStore();
    std::optional<std::string> Get(const std::string& section,
                                   const std::string& key) const override;
    void Set(const std::string& section, const std::string& key, const std::string& value) override;

  private:
    mutable QSettings settings_;
};

}  // namespace vx42
