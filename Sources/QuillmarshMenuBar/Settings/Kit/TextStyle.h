#pragma once

#include <QFont>

namespace quillmarsh {

// The settings window's text styles, sized in pixels: the sizes are the desktop platform's points,
// which are pixels at scale 1 (Qt's points at 96 dpi would draw a third larger).
struct TextStyle {
    // 13 px: row titles, values, controls.
    static QFont body();
    static QFont bodyMedium();
    static QFont bodySemibold();
    // 12 px in the fixed-pitch font: the log's placeholders.
    static QFont calloutMonospaced();
    // 11 px: details, footers, notes.
    static QFont subheadline();
    static QFont subheadlineMedium();
    // 11 px in the fixed-pitch font: the runner log.
    static QFont smallMonospaced();
    // 10 px: pills, card details, table headers.
    static QFont caption();
    static QFont captionMedium();
    static QFont captionSemibold();
    // 17 px bold: page titles and the app's name.
    static QFont title2Bold();
    // 15 px semibold: the back chevron, the values of summary cards.
    static QFont title3Semibold();
    // The application's font at a size in pixels and a weight.
    static QFont system(int pixels, QFont::Weight weight = QFont::Normal);

    // The full line height of the title font, rounded up: ceil(ascent + descent + leading).
    static int titleHeight();
};

} // namespace quillmarsh
