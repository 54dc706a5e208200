#include "StatusMenu/MarkIcon.h"

#include "Foundation/PropertyList.h"
#include "Platform/AppBundle.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTransform>

#include <algorithm>

namespace quillmarsh {

namespace {

// The mark's design box.
constexpr qreal designX = 659;
constexpr qreal designY = 502.67;
constexpr qreal designWidth = 75;
constexpr qreal designHeight = 74.67;

// The tray image's side, in points.
constexpr qreal statusSide = 22;

// Builds a subpath from moves relative to the current point; a relative curve's control points
// are relative to its start.
class RelativePath {
public:
    RelativePath(QPainterPath& path, QPointF start) : path_(path), point_(start) { path_.moveTo(start); }

    RelativePath& line(qreal dx, qreal dy) {
        point_ += QPointF(dx, dy);
        path_.lineTo(point_);
        return *this;
    }
    RelativePath& curve(QPointF to, QPointF control1, QPointF control2) {
        const QPointF start = point_;
        point_ = start + to;
        path_.cubicTo(start + control1, start + control2, point_);
        return *this;
    }
    void close() { path_.closeSubpath(); }

private:
    QPainterPath& path_;
    QPointF point_;
};

// Appends a rectangle, transformed, running the same way round as the hooks (counterclockwise on
// screen): with the non-zero rule, a piece running the other way would cut a hole where it
// overlaps a hook instead of uniting with it.
void addRectangle(QPainterPath& path, const QRectF& rect, const QTransform& transform = {}) {
    QPainterPath piece;
    piece.addRect(rect);
    path.addPath(transform.map(piece).toReversed());
}

// Whether the running app's Info.plist names an accent colour; read once.
bool infoNamesAccent() {
    static const bool names = [] {
        const auto strings = PropertyList::readDictionaryStrings(AppBundle::main().path, "Contents/Info.plist");
        return strings && strings->count("NSAccentColorName") > 0;
    }();
    return names;
}

// The rectangle grown by the margin on every side.
QRectF grown(const QRectF& rect, qreal margin) { return rect.adjusted(-margin, -margin, margin, margin); }

QPainterPath ellipse(const QRectF& rect) {
    QPainterPath path;
    path.addEllipse(rect);
    return path;
}

// Clears what lies under the path, then paints normally again.
void cutOut(QPainter& painter, const QPainterPath& path) {
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillPath(path, Qt::black);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// A transparent square image of side x side points at the given scale.
QImage blankImage(qreal side, qreal scale) {
    const int pixels = qRound(side * scale);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    return image;
}

} // namespace

QColor MarkIcon::attention() { return QColor(217, 119, 6); }

QColor MarkIcon::orange() { return QColor(245, 84, 11); }

QColor MarkIcon::accent() { return accent(infoNamesAccent(), QGuiApplication::palette()); }

QColor MarkIcon::accent(bool namesAccent, const QPalette& palette) {
    return namesAccent ? palette.color(QPalette::Highlight) : orange();
}

QPainterPath MarkIcon::path() {
    QPainterPath mark;
    mark.setFillRule(Qt::WindingFill);

    // The first hook: from the top, round the upper right and down the right side.
    RelativePath(mark, {705.03, 502.68})
        .line(-19.31, 0).line(0, 13.31).line(19.31, 0)
        .curve({15.36, 15.36}, {8.47, 0}, {15.36, 6.89})
        .line(0, 19.31).line(13.31, 0).line(0, -19.31)
        .curve({-28.67, -28.67}, {0, -15.81}, {-12.86, -28.67})
        .close();

    // The second hook: up the left side, round the lower left and along the bottom.
    RelativePath(mark, {687.76, 563.97})
        .curve({-15.36, -15.35}, {-8.47, 0}, {-15.36, -6.89})
        .line(0, -19.31).line(-13.31, 0).line(0, 19.31)
        .curve({28.67, 28.67}, {0, 15.81}, {12.86, 28.67})
        .line(19.31, 0).line(0, -13.31).line(-19.31, 0)
        .close();

    // The bar: rotated by -45 degrees about the origin, then moved. Its upper end reaches into
    // the first hook.
    addRectangle(mark, QRectF(683.18, 524.34, 44.38, 13.31),
                 QTransform().rotate(-45) * QTransform::fromTranslate(-168.87, 654.3));
    // The two small squares.
    addRectangle(mark, QRectF(672.4, 515.99, 13.31, 13.31));
    addRectangle(mark, QRectF(707.07, 550.66, 13.31, 13.31));
    return mark;
}

void MarkIcon::draw(QPainter& painter, const QRectF& rect, const QColor& color) {
    const qreal s = std::min(rect.height() / designHeight, rect.width() / designWidth);
    QTransform fit;
    fit.translate(rect.left() + (rect.width() - designWidth * s) / 2,
                  rect.top() + (rect.height() - designHeight * s) / 2);
    fit.scale(s, s);
    fit.translate(-designX, -designY);
    painter.fillPath(fit.map(path()), color);
}

QRectF MarkIcon::dotFrame(const QRectF& bounds, bool flipped) {
    const qreal dx = (bounds.width() - statusSide) / 2;
    const qreal dy = (bounds.height() - statusSide) / 2;
    const qreal x = bounds.left() + dx + 14;
    // Unflipped bounds count y upwards from the bottom edge.
    const qreal y = flipped ? bounds.top() + dy + 14 : bounds.bottom() - (dy + 14) - 7;
    return QRectF(x, y, 7, 7);
}

std::optional<QColor> MarkIcon::dotColor(IconLook look) {
    switch (look) {
    case IconLook::needsAttention: return attention();
    case IconLook::running: return orange();
    case IconLook::paused:
    case IconLook::holdingBack:
    case IconLook::idle: return std::nullopt;
    }
    return std::nullopt;
}

QImage MarkIcon::statusImage(IconLook look, const QColor& tint, qreal scale) {
    // The image is its own transparency layer: the clear mode cuts holes into the mark only.
    QImage image = blankImage(statusSide, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    if (look == IconLook::holdingBack) painter.setOpacity(0.42);
    draw(painter, QRectF(3, 3, 16, 16), tint);
    painter.restore();

    switch (look) {
    case IconLook::paused: {
        // A solid disc in a clear ring, with two clear pause bars in it.
        const QRectF disc(12, 12, 10, 10);
        const qreal centre = disc.center().x();
        cutOut(painter, ellipse(grown(disc, 1.5)));
        painter.fillPath(ellipse(disc), tint);
        QPainterPath bars;
        bars.setFillRule(Qt::WindingFill);
        const qreal barWidth = 1.6;
        const qreal barX = centre - 0.7 - barWidth;
        bars.addRoundedRect(QRectF(barX, centre - 2.5, barWidth, 5), 0.8, 0.8);
        bars.addRoundedRect(QRectF(barX + barWidth + 1.4, centre - 2.5, barWidth, 5), 0.8, 0.8);
        cutOut(painter, bars);
        break;
    }
    case IconLook::needsAttention:
    case IconLook::running: {
        // A hole around the dot, then the dot itself: a tray item has no view to lay over it.
        const QRectF dot = dotFrame(QRectF(0, 0, statusSide, statusSide), true);
        cutOut(painter, ellipse(grown(dot, 1.5)));
        painter.fillPath(ellipse(dot), *dotColor(look));
        break;
    }
    case IconLook::holdingBack:
    case IconLook::idle: break;
    }
    return image;
}

QImage MarkIcon::appIcon(qreal size, qreal scale) {
    QImage image = blankImage(size, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(0, 0, size, size);
    const qreal radius = size * 0.22;
    QPainterPath rounded;
    rounded.addRoundedRect(tile, radius, radius);
    painter.fillPath(rounded, orange());
    draw(painter, tile.adjusted(radius, radius, -radius, -radius), Qt::white);
    return image;
}

QIcon MarkIcon::windowIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(appIcon(size, 1.0)));
    return icon;
}

} // namespace quillmarsh
