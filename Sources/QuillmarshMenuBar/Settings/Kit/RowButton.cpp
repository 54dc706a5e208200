#include "Settings/Kit/RowButton.h"

#include "Settings/Kit/AccessibleElement.h"
#include "Settings/Kit/Bezel.h"
#include "Settings/Kit/Card.h"
#include "StatusMenu/LabelColors.h"

#include <QAccessible>
#include <QChildEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace quillmarsh {

RowButton::RowButton(QWidget* parent) : QAbstractButton(parent) {
    // Read as one button named by the row's accessible name, pressed by a click on the row; the
    // labels it is laid out from are not offered on their own.
    AccessibleElement::install(staticMetaObject, QAccessible::Button, AccessibleElement::Reading::oneElement);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, &RowButton::trigger);
}

void RowButton::trigger() {
    if (!action_) return;
    const auto action = action_;
    action();
}

// Texts and glyphs let the pointer through, so the row is what is under it everywhere.
void RowButton::childEvent(QChildEvent* event) {
    QAbstractButton::childEvent(event);
    if (event->added() && event->child()->isWidgetType())
        static_cast<QWidget*>(event->child())->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void RowButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (hovering_) return;
    hovering_ = true;
    update();
}

void RowButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    if (!hovering_) return;
    hovering_ = false;
    update();
}

void RowButton::keyPressEvent(QKeyEvent* event) {
    // Space is the button's own (pressed on key down, clicked on key up); Return clicks at once.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void RowButton::paintEvent(QPaintEvent*) {
    const bool down = isDown();
    if (!hovering_ && !down && !hasFocus()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    // Inside a card the fill keeps to the card's rounded corners.
    QPainterPath shape;
    shape.addRect(QRectF(rect()));
    if (auto* card = qobject_cast<Card*>(parentWidget())) {
        QPainterPath corners;
        corners.addRoundedRect(QRectF(card->rect()).translated(-pos()), Card::radius, Card::radius);
        shape = shape.intersected(corners);
    }
    if (hovering_ || down) {
        painter.fillPath(shape, LabelColors::faded(LabelColors::primary(colours), down ? 0.1 : 0.06));
    }
    if (hasFocus()) {
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 6, 6);
        Bezel::paintFocusRing(painter, ring, colours);
    }
}

} // namespace quillmarsh
