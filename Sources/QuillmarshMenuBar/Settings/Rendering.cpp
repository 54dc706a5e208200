#include "Settings/Rendering.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEvent>
#include <QLayout>
#include <QMoveEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QWidget>

#include <cmath>
#include <limits>

namespace quillmarsh {

namespace {

// The widget and its descendants, parents before their children; windows of their own (dialogs,
// menus parented to a widget) are not part of the picture and are left alone.
void collect(QWidget& widget, QList<QWidget*>& into) {
    into.append(&widget);
    for (QObject* child : widget.children()) {
        auto* childWidget = qobject_cast<QWidget*>(child);
        if (childWidget != nullptr && !childWidget->isWindow()) collect(*childWidget, into);
    }
}

// A widget that was never shown has had its geometry set but not been told: Qt holds its move and
// resize events back until it is shown. Scroll areas place their viewport, and labels wrap or cut
// their text, only in those handlers. True when an event was delivered.
bool sendPendingEvents(QWidget& widget) {
    bool sent = false;
    if (widget.testAttribute(Qt::WA_PendingMoveEvent)) {
        widget.setAttribute(Qt::WA_PendingMoveEvent, false);
        QMoveEvent event(widget.pos(), QPoint());
        QCoreApplication::sendEvent(&widget, &event);
        sent = true;
    }
    if (widget.testAttribute(Qt::WA_PendingResizeEvent)) {
        widget.setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent event(widget.size(), QSize());
        QCoreApplication::sendEvent(&widget, &event);
        sent = true;
    }
    return sent;
}

} // namespace

void Rendering::layOut(QWidget& widget) {
    widget.ensurePolished();
    // A window never shown nor resized takes its preferred size, as showing it would.
    if (widget.isWindow() && !widget.isVisible() && !widget.testAttribute(Qt::WA_Resized)) {
        if (QLayout* layout = widget.layout()) layout->activate();
        widget.adjustSize();
        widget.setAttribute(Qt::WA_Resized, false);
    }
    // Each round can set off more work: a resize handler that changes a size hint posts a layout
    // request, whose layout gives children new geometry with pending resize events of their own.
    // A handful of rounds settles any real tree; the bound keeps a widget that never settles from
    // hanging the caller.
    for (int round = 0; round < 8; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QList<QWidget*> widgets;
        collect(widget, widgets);
        bool changed = false;
        for (QWidget* each : widgets) {
            each->ensurePolished();
            if (QLayout* layout = each->layout()) changed = layout->activate() || changed;
            changed = sendPendingEvents(*each) || changed;
            if (auto* area = qobject_cast<QAbstractScrollArea*>(each)) {
                const QRect viewport = area->viewport()->geometry();
                // A scroll area sizes its widget to the widget's size hints when it hears they
                // changed: a layout request that Qt posts only to a visible parent, so a
                // never-shown area keeps its widget at an older, smaller size and the page is
                // squeezed into it. Asked here, it fits its widget as a shown one does.
                auto* scroll = qobject_cast<QScrollArea*>(area);
                if (scroll != nullptr && scroll->widget() != nullptr) {
                    const QRect inner = scroll->widget()->geometry();
                    QEvent request(QEvent::LayoutRequest);
                    QCoreApplication::sendEvent(scroll, &request);
                    changed = scroll->widget()->geometry() != inner || changed;
                }
                // It shows or hides its scroll bars in a queued call after their range changed;
                // deliver it now, or a page that fits keeps the bar of an earlier size.
                QCoreApplication::sendPostedEvents(area, QEvent::MetaCall);
                changed = area->viewport()->geometry() != viewport || changed;
            }
        }
        if (!changed) break;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

std::optional<QImage> Rendering::bitmap(QWidget& widget, qreal scale) {
    layOut(widget);
    const QSize size = widget.size();
    if (size.width() <= 0 || size.height() <= 0 || !(scale > 0)) return std::nullopt;
    const double width = std::trunc(size.width() * scale);
    const double height = std::trunc(size.height() * scale);
    constexpr double largest = std::numeric_limits<int>::max();
    if (width < 1 || height < 1 || width > largest || height > largest) return std::nullopt;
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGBA8888_Premultiplied);
    if (image.isNull()) return std::nullopt;
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        widget.render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    return image;
}

} // namespace quillmarsh
