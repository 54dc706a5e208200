#include "StatusMenu/ElidedLabel.h"

#include "StatusMenu/LabelColors.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace quillmarsh {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

ElidedLabel::ElidedLabel(const QFont& font, LabelColors::Tone tone, QWidget* parent) : ElidedLabel(parent) {
    setFont(font);
    tone_ = tone;
}

QString ElidedLabel::bounded(const QString& text, qsizetype limit) {
    if (text.size() <= limit) return text;
    qsizetype end = std::max<qsizetype>(limit, 0);
    if (end > 0 && text.at(end - 1).isHighSurrogate()) --end;
    return text.left(end) + QChar(0x2026);
}

bool ElidedLabel::setPlain(const QString& text) {
    const QString shown = bounded(text);
    if (quieter_.isEmpty() && shown == main_ && shown == this->text()) return false;
    setParts(shown);
    return true;
}

void ElidedLabel::setParts(const QString& main, const QString& quieter) {
    main_ = bounded(main);
    quieter_ = bounded(quieter);
    setText(quieter_.isEmpty() ? main_ : main_ + QLatin1Char(' ') + quieter_);
}

void ElidedLabel::setTone(LabelColors::Tone tone) {
    if (tone == tone_) return;
    tone_ = tone;
    update();
}

QSize ElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QFontMetrics metrics(font());
    const QString shown = metrics.elidedText(text(), Qt::ElideRight, area.width());
    // Quiet text is already set back from the primary text; it keeps its colour in a disabled
    // row (the menu's information row), where the disabled colour would make it unreadable.
    QPalette colours = palette();
    const bool quiet = tone_ != LabelColors::Tone::primary;
    if (quiet) colours.setCurrentColorGroup(QPalette::Active);
    const QColor loud = LabelColors::of(tone_, colours);
    const int flags = static_cast<int>(alignment() & Qt::AlignVertical_Mask) | Qt::AlignLeft | Qt::TextSingleLine;

    // The main part keeps its colour as far as it reaches; what follows it is quieter.
    const qsizetype loudLength = quieter_.isEmpty() ? shown.size() : std::min(shown.size(), main_.size());
    painter.setPen(loud);
    painter.drawText(area, flags, shown.left(loudLength));
    if (loudLength < shown.size()) {
        QRect rest = area;
        rest.setLeft(area.left() + metrics.horizontalAdvance(shown.left(loudLength)));
        painter.setPen(LabelColors::secondary(colours));
        painter.drawText(rest, flags, shown.mid(loudLength));
    }
}

} // namespace quillmarsh
