#include "Settings/Kit/Palette.h"

namespace quillmarsh {

namespace {

QColor pick(const QPalette& palette, QColor light, QColor dark) { return Palette::isDark(palette) ? dark : light; }

QColor withAlpha(QColor color, float alpha) {
    color.setAlphaF(alpha);
    return color;
}

} // namespace

bool Palette::isDark(const QPalette& palette) { return palette.color(QPalette::Window).lightnessF() < 0.5f; }

QColor Palette::content(const QPalette& palette) { return pick(palette, QColor(245, 245, 247), QColor(30, 30, 32)); }

QColor Palette::sidebar(const QPalette& palette) { return pick(palette, QColor(232, 232, 236), QColor(42, 42, 45)); }

QColor Palette::card(const QPalette& palette) { return pick(palette, QColor(255, 255, 255), QColor(42, 42, 44)); }

QColor Palette::hairline(const QPalette& palette) {
    return pick(palette, withAlpha(QColor(0, 0, 0), 0.07f), withAlpha(QColor(255, 255, 255), 0.08f));
}

QColor Palette::accent(const QPalette& palette) { return palette.color(QPalette::Active, QPalette::Highlight); }

// The dark look's green is the desktop's usual bright system green.
QColor Palette::good(const QPalette& palette) { return pick(palette, QColor(31, 138, 58), QColor(48, 209, 88)); }

QColor Palette::red(const QPalette& palette) { return pick(palette, QColor(215, 0, 21), QColor(255, 69, 58)); }

QColor Palette::warning(const QPalette& palette) { return pick(palette, QColor(178, 80, 0), QColor(255, 159, 10)); }

QColor Palette::control(const QPalette& palette) {
    return pick(palette, QColor(255, 255, 255), withAlpha(QColor(255, 255, 255), 30.0f / 255.0f));
}

QColor Palette::disabledText(const QPalette& palette) {
    return pick(palette, QColor(135, 135, 140), QColor(160, 160, 166));
}

QColor Palette::disabledFill(const QPalette& palette) {
    return pick(palette, QColor(136, 136, 141), QColor(126, 126, 132));
}

QColor Palette::logBackground(const QPalette& palette) {
    return pick(palette, QColor(29, 29, 31), QColor(21, 21, 23));
}

QColor Palette::logText() { return QColor(232, 232, 237); }

} // namespace quillmarsh
