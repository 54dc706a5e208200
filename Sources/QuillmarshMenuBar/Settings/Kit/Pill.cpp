#include "Settings/Kit/Pill.h"

#include "Settings/Kit/Palette.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/LabelColors.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace quillmarsh {

namespace {
constexpr int ends = 8;
constexpr int dot = 6;
constexpr int gap = 5;

// The tone's colour in this palette: accent, good, warning or the secondary text colour.
QColor colour(PillTone tone, const QPalette& palette) {
    switch (tone) {
    case PillTone::accent: return Palette::accent(palette);
    case PillTone::good: return Palette::good(palette);
    case PillTone::warning: return Palette::warning(palette);
    case PillTone::quiet: return LabelColors::secondary(palette);
    }
    return LabelColors::secondary(palette);
}
} // namespace

Pill::Pill(QWidget* parent) : QWidget(parent) {
    setFont(TextStyle::captionMedium());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Pill::setPill(const QString& text, PillTone tone) {
    if (text == text_ && tone == tone_) return;
    const bool resized = text != text_;
    text_ = text;
    tone_ = tone;
    setAccessibleName(text);
    if (resized) updateGeometry();
    update();
}


QSize Pill::sizeHint() const {
    // Rounded up, so the word is never cut by a fraction of a pixel.
    const int word = static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(text_)));
    return {ends + dot + gap + word + ends, height};
}

void Pill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor tone = colour(tone_, palette());
    const QRectF capsule(0, (QWidget::height() - height) / 2.0, width(), height);
    QPainterPath shape;
    shape.addRoundedRect(capsule, height / 2.0, height / 2.0);
    painter.fillPath(shape, LabelColors::faded(tone, 0.12));

    painter.setPen(Qt::NoPen);
    painter.setBrush(tone);
    painter.drawEllipse(QRectF(ends, capsule.center().y() - dot / 2.0, dot, dot));
    painter.setPen(tone);
    painter.drawText(capsule.adjusted(ends + dot + gap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     text_);
}

} // namespace quillmarsh
