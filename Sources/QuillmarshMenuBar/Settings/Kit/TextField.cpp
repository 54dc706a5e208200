#include "Settings/Kit/TextField.h"

#include "Settings/Kit/Bezel.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/LabelColors.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace quillmarsh {

namespace {

constexpr qreal fieldRadius = 5;

} // namespace

// The field paints its own ground and border; Qt's frame is off and the base it would fill is
// made transparent, so the style draws only the text, the selection and the cursor over it.
TextField::TextField(QWidget* parent) : QLineEdit(parent) {
    setFont(TextStyle::body());
    setFrame(false);
    setTextMargins(6, 0, 6, 0);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    recolour();
}

void TextField::setField(const QString& placeholder, int width, const QString& accessibleName) {
    setPlaceholderText(placeholder);
    width_ = width;
    setFixedWidth(width);
    setAccessibleName(accessibleName);
}

QSize TextField::sizeHint() const { return {width_, height}; }

void TextField::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) recolour();
}

// The transparent base and the placeholder colour are set from the inherited text colour, and
// only when they differ, so setting them sets off no further palette change.
void TextField::recolour() {
    QPalette colours = palette();
    const QColor placeholder = LabelColors::tertiary(colours);
    const QColor disabled = Palette::disabledText(colours);
    if (colours.color(QPalette::Base).alpha() == 0 && colours.color(QPalette::PlaceholderText) == placeholder &&
        colours.color(QPalette::Disabled, QPalette::Text) == disabled)
        return;
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::PlaceholderText, placeholder);
    // A disabled field's text greys as the other controls' titles do, readable still.
    colours.setColor(QPalette::Disabled, QPalette::Text, disabled);
    setPalette(colours);
}

void TextField::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette& colours = palette();
        const bool dark = Palette::isDark(colours);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), fieldRadius, fieldRadius);
        painter.fillPath(shape, dark ? QColor(255, 255, 255, 18) : QColor(255, 255, 255));
        painter.setPen(QPen(dark ? QColor(255, 255, 255, 46) : QColor(0, 0, 0, 56), 0.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape);
        if (hasFocus()) Bezel::paintFocusRing(painter, shape, colours);
    }
    QLineEdit::paintEvent(event);
}

} // namespace quillmarsh
