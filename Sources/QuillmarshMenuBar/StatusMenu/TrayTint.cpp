#include "StatusMenu/TrayTint.h"

#include <algorithm>
#include <cmath>

namespace quillmarsh {

namespace {

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

QColor TrayTint::mark(StatusItem::Tray tray, const std::optional<QColor>& background, const QColor& desktopText) {
    if (tray != StatusItem::Tray::xembed || !background) return desktopText;
    const QColor light(Qt::white);
    const QColor dark(Qt::black);
    return contrast(light, *background) > contrast(dark, *background) ? light : dark;
}

std::optional<QColor> TrayTint::background(const QImage& place) {
    if (place.isNull() || place.width() < 1 || place.height() < 1) return std::nullopt;
    const QImage image = place.convertToFormat(QImage::Format_RGB32);
    double red = 0;
    double green = 0;
    double blue = 0;
    int count = 0;
    const auto add = [&](int x, int y) {
        const QColor pixel = image.pixelColor(x, y);
        red += pixel.redF();
        green += pixel.greenF();
        blue += pixel.blueF();
        ++count;
    };
    for (int x = 0; x < image.width(); ++x) add(x, 0);
    for (int y = 1; y < image.height(); ++y) add(0, y);
    return QColor::fromRgbF(static_cast<float>(red / count), static_cast<float>(green / count),
                            static_cast<float>(blue / count));
}

double TrayTint::luminance(const QColor& color) {
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

double TrayTint::contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace quillmarsh
