#include "StatusMenu/MenuRowView.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidgetAction>

#include <memory>

namespace quillmarsh {

namespace {

MenuRowView* viewOf(QAction* action) {
    auto* row = qobject_cast<QWidgetAction*>(action);
    return row != nullptr ? qobject_cast<MenuRowView*>(row->defaultWidget()) : nullptr;
}

} // namespace

MenuRowView::MenuRowView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAutoFillBackground(false);
}

void MenuRowView::followCurrentRow(QMenu& menu) {
    // The row that has the highlight now; one per menu, so a change of row touches two rows only.
    auto current = std::make_shared<QPointer<MenuRowView>>();
    QObject::connect(&menu, &QMenu::hovered, &menu, [current](QAction* action) {
        MenuRowView* next = viewOf(action);
        if (*current != nullptr && *current != next) (*current)->setHighlight(false, false);
        *current = next;
        if (next != nullptr) next->setHighlight(next->hovered_, true);
    });
    QObject::connect(&menu, &QMenu::aboutToHide, &menu, [current] {
        if (*current != nullptr) (*current)->setHighlight(false, false);
        *current = nullptr;
    });
}

bool MenuRowView::isHighlighted() const {
    return (hovered_ || current_) && action_ != nullptr && action_->isEnabled();
}

void MenuRowView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHighlight(true, current_);
}

// The pointer leaving the row takes the highlight with it, also when the menu keeps the row as
// its current one (the pointer went to a separator or off the menu).
void MenuRowView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHighlight(false, false);
}

// The labels take the highlight's text colour while the row is highlighted, so they stay
// readable on it; they inherit the row's palette.
void MenuRowView::setHighlight(bool hovered, bool current) {
    const bool was = isHighlighted();
    hovered_ = hovered;
    current_ = current;
    if (isHighlighted() == was && testAttribute(Qt::WA_SetPalette)) return;
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
    setHighlight(false, false);
    action_->trigger();
}

} // namespace quillmarsh
