#include "Settings/Kit/LinkRow.h"

#include "Settings/Kit/Palette.h"
#include "Settings/Kit/Symbols.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/LabelColors.h"

#include <QFontMetrics>
#include <QPainter>

namespace quillmarsh {

namespace {
constexpr int arrow = 11;
constexpr int sides = 14;
constexpr int ends = 10;
} // namespace

LinkRow::LinkRow(QWidget* parent) : QAbstractButton(parent) {
    setFont(TextStyle::body());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (!action_) return;
        const auto action = action_;
        action();
    });
}

void LinkRow::setTitle(const QString& title) {
    if (title == title_) return;
    title_ = title;
    setAccessibleName(title);
    updateGeometry();
    update();
}

QSize LinkRow::sizeHint() const {
    const QFontMetrics metrics(font());
    return {sides + metrics.horizontalAdvance(title_) + 28 + arrow + sides, ends + metrics.height() + ends};
}

QSize LinkRow::minimumSizeHint() const { return {2 * sides + 28 + arrow, sizeHint().height()}; }

void LinkRow::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    hovered_ = true;
    update();
}

void LinkRow::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    hovered_ = false;
    update();
}

void LinkRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    if (hovered_ || isDown()) {
        // The pressed or hovered row lightly tinted, inside the card's rounded corners.
        QColor tint = Palette::isDark(colours) ? QColor(255, 255, 255) : QColor(0, 0, 0);
        tint.setAlphaF(isDown() ? 0.07f : 0.035f);
        painter.fillRect(rect(), tint);
    }
    const QRect text = rect().adjusted(sides, 0, -(sides + arrow + 28), 0);
    painter.setPen(LabelColors::primary(colours));
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetrics(font()).elidedText(title_, Qt::ElideRight, text.width()));
    const QRectF mark(width() - sides - arrow, (height() - arrow) / 2.0, arrow, arrow);
    Symbols::paint(painter, Symbol::arrowUpRight, mark, LabelColors::secondary(colours));
}

} // namespace quillmarsh
