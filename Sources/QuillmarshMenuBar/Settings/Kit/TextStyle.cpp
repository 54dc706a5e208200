#include "Settings/Kit/TextStyle.h"

#include <QApplication>
#include <QFontMetricsF>

#include <cmath>

namespace quillmarsh {

QFont TextStyle::system(int pixels, QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QFont TextStyle::body() { return system(13); }
QFont TextStyle::bodySemibold() { return system(13, QFont::DemiBold); }
QFont TextStyle::subheadline() { return system(11); }
QFont TextStyle::subheadlineMedium() { return system(11, QFont::Medium); }
QFont TextStyle::title2Bold() { return system(17, QFont::Bold); }
QFont TextStyle::title3Semibold() { return system(15, QFont::DemiBold); }

int TextStyle::titleHeight() {
    const QFontMetricsF metrics(title2Bold());
    return static_cast<int>(std::ceil(metrics.ascent() + metrics.descent() + metrics.leading()));
}

} // namespace quillmarsh
