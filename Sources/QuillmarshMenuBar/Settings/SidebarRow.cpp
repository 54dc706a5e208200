#include "Settings/SidebarRow.h"

#include "Foundation/RawValue.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/Symbols.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/LabelColors.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace quillmarsh {

namespace {
constexpr int tile = 24;
constexpr int inset = 8;  // the tile's distance from the highlight's leading edge
constexpr int rowHeight = 30;
} // namespace

SidebarRow::SidebarRow(AppPane pane, Picked picked, QWidget* parent)
    : QWidget(parent), pane_(pane), picked_(std::move(picked)) {
    setFont(TextStyle::body());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(rowHeight);
    const QString title = QString::fromUtf8(rawValue(pane));
    setObjectName(title);
    setAccessibleName(title);
}

// The desktop's usual system colours.
QColor SidebarRow::tint(AppPane pane) {
    switch (pane) {
    case AppPane::general:
    case AppPane::about: return QColor(142, 142, 147);
    case AppPane::thisMac: return QColor(0, 122, 255);
    case AppPane::images: return QColor(88, 86, 214);
    case AppPane::jobs: return QColor(255, 149, 0);
    case AppPane::machines: return QColor(52, 199, 89);
    case AppPane::caches: return QColor(50, 173, 230);
    }
    return QColor(142, 142, 147);
}

Symbol SidebarRow::symbol(AppPane pane) {
    switch (pane) {
    case AppPane::general: return Symbol::gearshapeFill;
    case AppPane::thisMac: return Symbol::laptop;
    case AppPane::images: return Symbol::internalDriveFill;
    case AppPane::jobs: return Symbol::clockFill;
    case AppPane::machines: return Symbol::serverRack;
    case AppPane::caches: return Symbol::cylinderSplitFill;
    case AppPane::about: return Symbol::info;
    }
    return Symbol::info;
}

QSize SidebarRow::sizeHint() const { return {200, rowHeight}; }

void SidebarRow::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    update();
}

void SidebarRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return QWidget::mouseReleaseEvent(event);
    event->accept();
    if (picked_) {
        const Picked picked = picked_;
        picked(pane_);
    }
}

void SidebarRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const bool dark = Palette::isDark(colours);
    if (selected_) {
        QPainterPath highlight;
        highlight.addRoundedRect(QRectF(rect()), 7, 7);
        painter.fillPath(highlight, dark ? QColor(255, 255, 255, 26) : QColor(0, 0, 0, 20));
    }

    const QRectF box(inset, (height() - tile) / 2.0, tile, tile);
    QPainterPath shape;
    shape.addRoundedRect(box, 6, 6);
    painter.fillPath(shape, tint(pane_));
    Symbols::paint(painter, symbol(pane_), box.adjusted(6, 6, -6, -6), Qt::white);

    painter.setPen(LabelColors::primary(colours));
    const QRect text = rect().adjusted(inset + tile + 10, 0, -inset, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, accessibleName());
}

} // namespace quillmarsh
