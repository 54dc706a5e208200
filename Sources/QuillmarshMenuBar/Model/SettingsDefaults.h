#pragma once

#include "Model/Defaults.h"

#include <QSettings>

#include <memory>

namespace quillmarsh {

// Defaults kept in QSettings; the registered defaults live in memory for the run.
class SettingsDefaults final : public Defaults {
public:
    // The user's settings of this app (organisation and application name of the QCoreApplication).
    SettingsDefaults();
    // Settings in an INI file at path (tests, tools).
    explicit SettingsDefaults(const QString& path);

    void registerDefaults(const QVariantMap& values) override;
    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    // True for the user's settings, false for a file of its own.
    bool isStandard() const override { return standard_; }

    QSettings& settings() { return *settings_; }

private:
    std::unique_ptr<QSettings> settings_;
    QVariantMap registered_;
    bool standard_ = false;
};

} // namespace quillmarsh
