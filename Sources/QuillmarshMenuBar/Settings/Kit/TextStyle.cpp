#include "Settings/Kit/TextStyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>

#include <cmath>

namespace quillmarsh {

QFont TextStyle::system(int pixels, QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

// The desktop's fixed-pitch font at a size in pixels.
static QFont monospaced(int pixels) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(pixels);
    return font;
}

QFont TextStyle::body() { return system(13); }
QFont TextStyle::bodyMedium() { return system(13, QFont::Medium); }
QFont TextStyle::bodySemibold() { return system(13, QFont::DemiBold); }
QFont TextStyle::calloutMonospaced() { return monospaced(12); }
QFont TextStyle::subheadline() { return system(11); }
QFont TextStyle::subheadlineMedium() { return system(11, QFont::Medium); }
QFont TextStyle::smallMonospaced() { return monospaced(11); }
QFont TextStyle::caption() { return system(10); }
QFont TextStyle::captionMedium() { return system(10, QFont::Medium); }
QFont TextStyle::captionSemibold() { return system(10, QFont::DemiBold); }
QFont TextStyle::title2Bold() { return system(17, QFont::Bold); }
QFont TextStyle::title3Semibold() { return system(15, QFont::DemiBold); }

int TextStyle::titleHeight() {
    const QFontMetricsF metrics(title2Bold());
    return static_cast<int>(std::ceil(metrics.ascent() + metrics.descent() + metrics.leading()));
}

} // namespace quillmarsh
