#include "Settings/Kit/ToneLabel.h"

#include "Settings/Kit/Palette.h"
#include "StatusMenu/ElidedLabel.h"
#include "StatusMenu/LabelColors.h"

#include <QEvent>

#include <algorithm>

namespace quillmarsh {

// The label draws with the Text role, which it sets itself from the inherited WindowText and
// Window colours; those stay inherited, so a recolour never compounds.
ToneLabel::ToneLabel(const QFont& font, Tone tone, QWidget* parent) : QLabel(parent), tone_(tone) {
    setTextFormat(Qt::PlainText);
    setFont(font);
    setForegroundRole(QPalette::Text);
    recolour();
}

void ToneLabel::setTone(Tone tone) {
    if (tone == tone_) return;
    tone_ = tone;
    recolour();
}

void ToneLabel::setPlain(const QString& text) {
    const QString shown = ElidedLabel::bounded(text, maxLength);
    if (shown != QLabel::text()) setText(shown);
}

QSize ToneLabel::sizeHint() const {
    if (!wordWrap() || text().isEmpty()) return QLabel::sizeHint();
    const QMargins margins = contentsMargins();
    const int oneLine = fontMetrics().horizontalAdvance(text()) + margins.left() + margins.right() + 1;
    const int width = std::min(oneLine, maximumWidth());
    return {width, heightForWidth(width)};
}

void ToneLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) recolour();
}

void ToneLabel::recolour() {
    QPalette colours = palette();
    QColor colour;
    switch (tone_) {
    case Tone::primary: colour = LabelColors::primary(colours); break;
    case Tone::secondary: colour = LabelColors::secondary(colours); break;
    case Tone::tertiary: colour = LabelColors::tertiary(colours); break;
    case Tone::good: colour = Palette::good(colours); break;
    }
    // Disabled, every tone greys alike and stays readable.
    const QColor disabled = Palette::disabledText(colours);
    if (colours.color(QPalette::Active, QPalette::Text) == colour &&
        colours.color(QPalette::Inactive, QPalette::Text) == colour &&
        colours.color(QPalette::Disabled, QPalette::Text) == disabled)
        return;
    colours.setColor(QPalette::Active, QPalette::Text, colour);
    colours.setColor(QPalette::Inactive, QPalette::Text, colour);
    colours.setColor(QPalette::Disabled, QPalette::Text, disabled);
    setPalette(colours);
}

} // namespace quillmarsh
