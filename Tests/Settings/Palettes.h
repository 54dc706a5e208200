#pragma once

#include <QColor>
#include <QPalette>

namespace quillmarsh::test {

// Plain light and dark palettes that the widget tests set on what they draw, so a colour a test
// reads does not depend on the platform's theme.
inline QPalette lightPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(236, 236, 236));
    palette.setColor(QPalette::WindowText, QColor(20, 20, 20));
    return palette;
}

inline QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(30, 30, 32));
    palette.setColor(QPalette::WindowText, QColor(235, 235, 240));
    return palette;
}

} // namespace quillmarsh::test
