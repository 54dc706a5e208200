#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace quillmarsh {

// The app's store of user settings. A key that was never stored reads as its registered
// default, and as an invalid value (false for boolValue) without one. Registering writes nothing.
class Defaults {
public:
    virtual ~Defaults() = default;

    virtual void registerDefaults(const QVariantMap& values) = 0;
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;

    // True only for the user's own settings of this app; the settings window keeps its frame only
    // there, so tests and tools never move the user's window.
    virtual bool isStandard() const { return false; }

    bool boolValue(const QString& key) const { return value(key).toBool(); }
    void setBool(const QString& key, bool value) { setValue(key, QVariant(value)); }
};

} // namespace quillmarsh
