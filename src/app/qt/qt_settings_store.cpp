// The user's settings in the platform's per-user store.
#include "app/qt/qt_settings_store.h"

namespace vx42 {

QtSettingsStore::QtSettingsStore()
    : settings_(QSettings::UserScope, kApplicationName, kApplicationName) {}

std::optional<std::string> QtSettingsStore::Get(const std::string& section,
                                                const std::string& key) const {
    const QString k = QString::fromStdString(section + "/" + key);
    if (!settings_.contains(k)) return std::nullopt;
    return settings_.value(k).toString().toStdString();
}

void QtSettingsStore::Set(const std::string& section, const std::string& key,
                          const std::string& value) {
    settings_.setValue(QString::fromStdString(section + "/" + key), QString::fromStdString(value));
    settings_.sync();
}

}  // namespace vx42
