#include "Settings/Kit/Pill.h"

#include "Settings/Kit/Palette.h"

namespace quillmarsh {

Pill::Pill(QWidget* parent) : QWidget(parent) {}

void Pill::setPill(const QString& text, PillTone tone) {
    text_ = text;
    tone_ = tone;
    updateGeometry();
    update();
}

QColor Pill::colour(PillTone, const QPalette& palette) { return Palette::accent(palette); }

QSize Pill::sizeHint() const { return {40, height}; }

void Pill::paintEvent(QPaintEvent*) {}

} // namespace quillmarsh
