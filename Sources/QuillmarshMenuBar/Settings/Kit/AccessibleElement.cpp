#include "Settings/Kit/AccessibleElement.h"

#include <QAbstractButton>
#include <QMetaObject>
#include <QWidget>

#include <cstring>
#include <vector>

namespace quillmarsh {

namespace {

struct Entry {
    const char* className;
    QAccessible::Role role;
    AccessibleElement::Reading reading;
};

// Qt asks the factories for the widget's class and then for each of its base classes in turn.
std::vector<Entry>& entries() {
    static std::vector<Entry> registered;
    return registered;
}

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (!object->isWidgetType()) return nullptr;
    for (const Entry& entry : entries()) {
        if (className == QLatin1String(entry.className))
            return new AccessibleElement(static_cast<QWidget*>(object), entry.role, entry.reading);
    }
    return nullptr;
}

} // namespace

AccessibleElement::AccessibleElement(QWidget* widget, QAccessible::Role role, Reading reading)
    : QAccessibleWidget(widget, role), reading_(reading) {}

QAccessible::State AccessibleElement::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    if (reading_ == Reading::hidden) state.invisible = true;
    return state;
}

QAbstractButton* AccessibleElement::button() const {
    return role() == QAccessible::Button ? qobject_cast<QAbstractButton*>(widget()) : nullptr;
}

QStringList AccessibleElement::actionNames() const {
    if (button() == nullptr) return QAccessibleWidget::actionNames();
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void AccessibleElement::doAction(const QString& name) {
    if (QAbstractButton* pressed = button(); pressed != nullptr && name == pressAction()) pressed->click();
    else QAccessibleWidget::doAction(name);
}

void AccessibleElement::install(const QMetaObject& type, QAccessible::Role role, Reading reading) {
    static const bool installed = (QAccessible::installFactory(&factory), true);
    (void)installed;
    for (const Entry& entry : entries())
        if (std::strcmp(entry.className, type.className()) == 0) return;
    entries().push_back({type.className(), role, reading});
}

} // namespace quillmarsh
