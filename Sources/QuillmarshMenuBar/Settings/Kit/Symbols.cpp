#include "Settings/Kit/Symbols.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QPixmap>
#include <QTransform>

#include <cmath>
#include <initializer_list>

namespace quillmarsh {

namespace {

constexpr qreal box = 24;

// A polyline or closed outline turned into a filled shape with round caps and joins.
QPainterPath stroked(const QPainterPath& line, qreal width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line).simplified();
}

QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first) path.moveTo(point);
        else path.lineTo(point);
        first = false;
    }
    return path;
}

QPainterPath circle(QPointF centre, qreal radius) {
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

QPainterPath roundedRect(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath gear() {
    const QPointF centre(12, 12);
    QPainterPath shape = circle(centre, 8.2);
    // Eight teeth around the rim.
    for (int i = 0; i < 8; ++i) {
        QTransform turn;
        turn.translate(centre.x(), centre.y());
        turn.rotate(i * 45.0);
        shape = shape.united(turn.map(roundedRect(QRectF(-2.1, -11.2, 4.2, 5), 1.1)));
    }
    return shape.subtracted(circle(centre, 3.4)).simplified();
}

QPainterPath laptop() {
    QPainterPath screen;
    screen.addRoundedRect(QRectF(4.2, 4.6, 15.6, 11.2), 1.6, 1.6);
    QPainterPath shape = stroked(screen, 1.9);
    shape = shape.united(roundedRect(QRectF(1, 17.4, 22, 2.6), 1.3));
    return shape.simplified();
}

QPainterPath internalDrive() {
    QPainterPath body = roundedRect(QRectF(1, 5, 22, 14), 3.2);
    body = body.subtracted(roundedRect(QRectF(4.4, 12.6, 9, 2.8), 1.4));
    body = body.subtracted(circle(QPointF(18.2, 14), 1.7));
    return body.simplified();
}

QPainterPath clock() {
    QPainterPath hands = stroked(polyline({{12, 5.6}, {12, 12.4}, {16.6, 15.2}}), 2.6);
    return circle(QPointF(12, 12), 11).subtracted(hands).simplified();
}

QPainterPath serverRack() {
    QPainterPath shape;
    for (int i = 0; i < 3; ++i) {
        const qreal top = 2.6 + i * 6.6;
        QPainterPath unit;
        unit.addRoundedRect(QRectF(3, top, 18, 5.2), 1.6, 1.6);
        shape = shape.united(stroked(unit, 1.7));
        shape = shape.united(circle(QPointF(6.6, top + 2.6), 1.05));
        shape = shape.united(stroked(polyline({{12, top + 2.6}, {17.4, top + 2.6}}), 1.4));
    }
    return shape.simplified();
}

QPainterPath cylinderSplit() {
    // A drum: top cap, body, bottom cap, cut across the middle and under its rim.
    QPainterPath drum;
    drum.addEllipse(QRectF(3, 1.5, 18, 6.4));
    drum.addRect(QRectF(3, 4.7, 18, 14.6));
    drum.addEllipse(QRectF(3, 16.1, 18, 6.4));
    drum = drum.simplified();
    QPainterPath rim;
    rim.arcMoveTo(QRectF(3, 1.5, 18, 6.4), 180);
    rim.arcTo(QRectF(3, 1.5, 18, 6.4), 180, 180);
    QPainterPath split;
    split.arcMoveTo(QRectF(3, 8.9, 18, 6.4), 180);
    split.arcTo(QRectF(3, 8.9, 18, 6.4), 180, 180);
    return drum.subtracted(stroked(rim, 1.5)).subtracted(stroked(split, 1.5)).simplified();
}

QPainterPath letterInfo() {
    QPainterPath shape = circle(QPointF(12, 4.6), 2.3);
    shape = shape.united(roundedRect(QRectF(10.2, 9, 3.6, 11.5), 1));
    shape = shape.united(roundedRect(QRectF(8, 9, 5.8, 2.4), 0.8));
    shape = shape.united(roundedRect(QRectF(7.8, 18.6, 8.4, 2.5), 0.9));
    return shape.simplified();
}

QPainterPath infoCircle() {
    QPainterPath ring;
    ring.addEllipse(QPointF(12, 12), 9.6, 9.6);
    QPainterPath shape = stroked(ring, 1.9);
    shape = shape.united(circle(QPointF(12, 7.6), 1.45));
    shape = shape.united(stroked(polyline({{12, 11}, {12, 16.8}}), 2.2));
    return shape.simplified();
}

// A disc with the head and shoulders cut out of it; the shoulders run out at the disc's edge.
QPainterPath person() {
    QPainterPath shoulders;
    shoulders.addEllipse(QRectF(4.6, 14.8, 14.8, 12));
    return circle(QPointF(12, 12), 11.5)
        .subtracted(circle(QPointF(12, 9.2), 3.9))
        .subtracted(shoulders)
        .simplified();
}

QPainterPath ring() {
    QPainterPath outline;
    outline.addEllipse(QPointF(12, 12), 9.6, 9.6);
    return stroked(outline, 1.9);
}

QPainterPath stopCircle() { return ring().united(roundedRect(QRectF(8.3, 8.3, 7.4, 7.4), 1.5)).simplified(); }

// The arrow leaves the bottom going back, curls round the left and runs forward along the top,
// its head pointing forward.
QPainterPath skipForwardCircle() {
    QPainterPath hook;
    hook.moveTo(13, 16.2);
    hook.lineTo(10.6, 16.2);
    hook.arcTo(QRectF(6.9, 9, 7.4, 7.2), 270, -180);
    hook.lineTo(16.4, 9);
    QPainterPath shape = ring().united(stroked(hook, 1.8));
    shape = shape.united(stroked(polyline({{13.9, 6.5}, {16.4, 9}, {13.9, 11.5}}), 1.8));
    return shape.simplified();
}

QPainterPath desktopMini() {
    QPainterPath body;
    body.addRoundedRect(QRectF(2.4, 8, 19.2, 7.6), 2.2, 2.2);
    QPainterPath shape = stroked(body, 1.8);
    shape = shape.united(circle(QPointF(6.4, 11.8), 1.05));
    shape = shape.united(stroked(polyline({{6, 17.9}, {18, 17.9}}), 1.4));
    return shape.simplified();
}

QPainterPath checkmarkStroke(qreal width) { return stroked(polyline({{4.5, 12.8}, {9.6, 18}, {19.5, 6}}), width); }

QPainterPath xmarkStroke(qreal width) {
    return stroked(polyline({{6, 6}, {18, 18}}), width).united(stroked(polyline({{18, 6}, {6, 18}}), width));
}

// The mark scaled about the centre to fit inside the disc, then cut out of it.
QPainterPath discWithout(const QPainterPath& mark) {
    QTransform inside;
    inside.translate(12, 12);
    inside.scale(0.52, 0.52);
    inside.translate(-12, -12);
    return circle(QPointF(12, 12), 10.5).subtracted(inside.map(mark)).simplified();
}

QPainterPath make(Symbol symbol) {
    switch (symbol) {
    case Symbol::chevronLeft: return stroked(polyline({{15.5, 4}, {7.8, 12}, {15.5, 20}}), 2.6);
    case Symbol::infoCircle: return infoCircle();
    case Symbol::arrowUpRight:
        return stroked(polyline({{6, 18}, {17.5, 6.5}}), 2.2).united(stroked(polyline({{8.5, 6}, {18, 6}, {18, 15.5}}), 2.2));
    case Symbol::checkmark: return checkmarkStroke(2.6);
    case Symbol::gearshapeFill: return gear();
    case Symbol::laptop: return laptop();
    case Symbol::internalDriveFill: return internalDrive();
    case Symbol::clockFill: return clock();
    case Symbol::serverRack: return serverRack();
    case Symbol::cylinderSplitFill: return cylinderSplit();
    case Symbol::info: return letterInfo();
    case Symbol::personCircleFill: return person();
    case Symbol::xmark: return xmarkStroke(2.6);
    case Symbol::stopCircle: return stopCircle();
    case Symbol::skipForwardCircle: return skipForwardCircle();
    case Symbol::desktopMini: return desktopMini();
    case Symbol::checkmarkCircleFill: return discWithout(checkmarkStroke(4.2));
    case Symbol::xmarkCircleFill: return discWithout(xmarkStroke(4.2));
    }
    return {};
}

} // namespace

// Every shape is simplified: no edges cross, and the even-odd rule leaves its holes open.
QPainterPath Symbols::path(Symbol symbol) { return make(symbol); }

void Symbols::paint(QPainter& painter, Symbol symbol, const QRectF& rect, const QColor& color) {
    const qreal scale = std::min(rect.width(), rect.height()) / box;
    QTransform place;
    place.translate(rect.center().x() - box * scale / 2, rect.center().y() - box * scale / 2);
    place.scale(scale, scale);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(place.map(path(symbol)), color);
    painter.restore();
}

QIcon Symbols::icon(Symbol symbol, const QColor& color, int size) {
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(static_cast<int>(size * ratio), static_cast<int>(size * ratio));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(painter, symbol, QRectF(0, 0, size, size), color);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace quillmarsh
