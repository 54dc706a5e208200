#pragma once

#include <QAccessible>
#include <QAccessibleWidget>

class QAbstractButton;
class QMetaObject;

namespace quillmarsh {

// How assistive technology reads a widget that is laid out from labels: as one element of a
// role, named by the widget's accessible name, whose labels are not offered on their own; or not
// at all (a glyph or a header that repeats what the rows say in words). A button read as one
// element can be pressed: the action clicks it.
class AccessibleElement : public QAccessibleWidget {
public:
    enum class Reading { oneElement, hidden };

    AccessibleElement(QWidget* widget, QAccessible::Role role, Reading reading);

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& name) override;

    // Widgets of that class, and of its subclasses, are read so from now on; a second call for
    // the same class changes nothing.
    static void install(const QMetaObject& type, QAccessible::Role role, Reading reading);

private:
    // The widget when it is a button read as a button, else none.
    QAbstractButton* button() const;

    Reading reading_;
};

} // namespace quillmarsh
