#include "Settings/Kit/Switch.h"

#include "Settings/Kit/Bezel.h"
#include "Settings/Kit/Palette.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace quillmarsh {

namespace {
constexpr int trackWidth = 38;
constexpr int trackHeight = 22;
} // namespace

Switch::Switch(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Switch"));
}

QSize Switch::sizeHint() const { return {trackWidth, trackHeight}; }

void Switch::setOn(bool on) {
    if (on == on_) return;
    on_ = on;
    update();
}

void Switch::ask() {
    if (!isEnabled() || !wanted_) return;
    // Copied first: the callback may replace this switch's callback on its way.
    const Wanted wanted = wanted_;
    wanted(!on_);
}

void Switch::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressed_ = true;
    update();
}

void Switch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint())) ask();
}

void Switch::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) ask();
    else QWidget::keyPressEvent(event);
}

void Switch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = Palette::isDark(palette());
    const bool enabled = isEnabled();
    const QRectF track(0.5, 0.5, trackWidth - 1, trackHeight - 1);
    // Disabled and on, the track is grey in place of the accent, so the value still reads; the
    // switch is not faded as a whole.
    const QColor onFill = enabled ? Palette::accent(palette()) : Palette::disabledFill(palette());
    QColor fill = on_ ? onFill : (dark ? QColor(255, 255, 255, 46) : QColor(0, 0, 0, 26));
    if (pressed_) fill = fill.darker(110);
    QPainterPath shape;
    shape.addRoundedRect(track, track.height() / 2, track.height() / 2);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(dark ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 18), 0.5));
    painter.drawPath(shape);

    const qreal knob = trackHeight - 4;
    const QRectF knobRect(on_ ? trackWidth - 2 - knob : 2, 2, knob, knob);
    painter.setPen(Qt::NoPen);
    if (enabled) {
        painter.setBrush(QColor(0, 0, 0, 40));
        painter.drawEllipse(knobRect.translated(0, 0.6).adjusted(-0.3, -0.3, 0.3, 0.3));
    }
    painter.setBrush(dark && !on_ ? QColor(222, 222, 224) : QColor(255, 255, 255));
    painter.drawEllipse(knobRect);

    if (hasFocus()) Bezel::paintFocusRing(painter, shape, palette());
}

} // namespace quillmarsh
