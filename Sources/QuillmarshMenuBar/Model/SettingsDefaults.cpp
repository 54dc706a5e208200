#include "Model/SettingsDefaults.h"

namespace quillmarsh {

SettingsDefaults::SettingsDefaults() : settings_(std::make_unique<QSettings>()), standard_(true) {}

SettingsDefaults::SettingsDefaults(const QString& path)
    : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

void SettingsDefaults::registerDefaults(const QVariantMap& values) {
    for (auto it = values.begin(); it != values.end(); ++it) registered_.insert(it.key(), it.value());
}

QVariant SettingsDefaults::value(const QString& key) const {
    if (settings_->contains(key)) return settings_->value(key);
    return registered_.value(key);
}

void SettingsDefaults::setValue(const QString& key, const QVariant& value) {
    settings_->setValue(key, value);
}

void SettingsDefaults::remove(const QString& key) {
    settings_->remove(key);
}

} // namespace quillmarsh
