#include "Settings/Kit/FittingLabel.h"

#include <QFontMetrics>
#include <QPainter>

namespace quillmarsh {

namespace {

// One pixel more than the text's rounded advance: what a text needs not to be cut.
int needed(const QFontMetrics& metrics, const QString& text) { return metrics.horizontalAdvance(text) + 1; }

} // namespace

FittingLabel::FittingLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void FittingLabel::setVariants(const std::vector<QString>& variants) {
    if (variants == variants_) return;
    variants_ = variants;
    // The label's own text (what it reads as) is the whole line; sizeHint() follows it.
    const QString first = variants_.empty() ? QString() : variants_.front();
    if (first != text()) setText(first);
    else updateGeometry();
    update();
}

int FittingLabel::fitting(const std::vector<QString>& variants, const QFontMetrics& metrics, int width) {
    if (variants.empty()) return -1;
    for (std::size_t i = 0; i < variants.size(); ++i)
        if (needed(metrics, variants[i]) <= width) return static_cast<int>(i);
    return static_cast<int>(variants.size()) - 1;
}

QString FittingLabel::shown() const {
    const QFontMetrics metrics(font());
    const int width = contentsRect().width();
    const int index = fitting(variants_, metrics, width);
    if (index < 0) return {};
    const QString& variant = variants_[static_cast<std::size_t>(index)];
    if (needed(metrics, variant) <= width) return variant;
    return metrics.elidedText(variant, Qt::ElideRight, width);
}

QSize FittingLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    const QMargins margins = contentsMargins();
    const int width = variants_.empty() ? 0 : needed(metrics, variants_.front());
    return {width + margins.left() + margins.right(), metrics.height() + margins.top() + margins.bottom()};
}

QSize FittingLabel::minimumSizeHint() const { return {0, sizeHint().height()}; }

void FittingLabel::setTone(LabelColors::Tone tone) {
    if (tone == tone_) return;
    tone_ = tone;
    update();
}

void FittingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(LabelColors::of(tone_, palette()));
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown());
}

} // namespace quillmarsh
