#include "StatusMenu/MenuRowView.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace quillmarsh {

MenuRowView::MenuRowView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAutoFillBackground(false);
}

bool MenuRowView::isHighlighted() const {
    return hovered_ && action_ != nullptr && action_->isEnabled();
}

void MenuRowView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hover(true);
}

void MenuRowView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hover(false);
}

// The labels take the highlight's text colour while the row is highlighted, so they stay
// readable on it; they inherit the row's palette.
void MenuRowView::hover(bool under) {
    hovered_ = under;
    QPalette palette = parentWidget() != nullptr ? parentWidget()->palette() : QWidget::palette();
    if (isHighlighted()) palette.setColor(QPalette::WindowText, palette.color(QPalette::HighlightedText));
    setPalette(palette);
    update();
}

void MenuRowView::paintEvent(QPaintEvent*) {
    if (!isHighlighted()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Highlight);
    fill.setAlphaF(0.85f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(5, 0, -5, 0), 5, 5);
    painter.fillPath(shape, fill);
}

void MenuRowView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (action_ == nullptr || !action_->isEnabled()) return;
    for (QWidget* up = parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (auto* menu = qobject_cast<QMenu*>(up)) {
            menu->hide();
            break;
        }
    }
    hover(false);
    action_->trigger();
}

} // namespace quillmarsh
