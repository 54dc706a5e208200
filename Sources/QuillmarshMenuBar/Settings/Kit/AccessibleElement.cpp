#include "Settings/Kit/AccessibleElement.h"

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

void AccessibleElement::install(const QMetaObject& type, QAccessible::Role role, Reading reading) {
    static const bool installed = (QAccessible::installFactory(&factory), true);
    (void)installed;
    for (const Entry& entry : entries())
        if (std::strcmp(entry.className, type.className()) == 0) return;
    entries().push_back({type.className(), role, reading});
}

} // namespace quillmarsh
