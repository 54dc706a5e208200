#include "Notifications/HeldRepositories.h"

#include <QStringList>

namespace quillmarsh {

std::set<std::string> HeldRepositories::load(const Defaults& defaults) {
    const QVariant value = defaults.value(QString::fromLatin1(key));
    std::set<std::string> keys;
    switch (value.typeId()) {
    case QMetaType::QStringList:
        for (const auto& text : value.toStringList()) keys.insert(text.toStdString());
        break;
    case QMetaType::QVariantList:
        // A list read back from a settings file; every entry must be a text.
        for (const auto& entry : value.toList()) {
            if (entry.typeId() != QMetaType::QString) return {};
            keys.insert(entry.toString().toStdString());
        }
        break;
    case QMetaType::QString:
        // A settings file writes a one-entry list as a plain value and reads it back as a text.
        if (!value.toString().isEmpty()) keys.insert(value.toString().toStdString());
        break;
    default:
        break;
    }
    return keys;
}

void HeldRepositories::store(Defaults& defaults, const std::set<std::string>& keys) {
    QStringList list;
    for (const auto& text : keys) list.append(QString::fromStdString(text));
    defaults.setValue(QString::fromLatin1(key), list);
}

} // namespace quillmarsh
