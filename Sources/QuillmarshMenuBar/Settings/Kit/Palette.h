#pragma once

#include <QColor>
#include <QPalette>

namespace quillmarsh {

// The settings window's and first-run window's named colours, each with a light and a dark
// value. The choice follows the palette the widget draws with: dark when its window colour is
// dark (Qt 6.4 has no colour-scheme query), so a theme change shows at the next repaint.
struct Palette {
    static bool isDark(const QPalette& palette);

    // The page background (pane column, first-run window).
    static QColor content(const QPalette& palette);
    // The sidebar's ground: a little greyer than the page's, so the column reads as a sidebar.
    static QColor sidebar(const QPalette& palette);
    // The fill of cards.
    static QColor card(const QPalette& palette);
    // Rules under titles, between card rows, and card borders.
    static QColor hairline(const QPalette& palette);
    // The accent: the desktop's highlight colour, as the active window shows it. Prominent
    // buttons, switches that are on, progress bars.
    static QColor accent(const QPalette& palette);
    // Good values, good tones and check marks.
    static QColor good(const QPalette& palette);
    // Warning tones.
    static QColor warning(const QPalette& palette);
    // The system red: destructive buttons, a failed state.
    static QColor red(const QPalette& palette);
    // The ground of a raised control (push and pop-up buttons, segments): white in the light
    // look, a faint white veil over what lies under it in the dark one.
    static QColor control(const QPalette& palette);
    // A disabled control's title, label and glyphs: greyed as desktop toolkits grey them, not
    // faded away, so they read at least 3:1 against the page, a card and a control's ground.
    static QColor disabledText(const QPalette& palette);
    // The part of a disabled control that shows its value (a switch's track when on, the
    // selected segment) in place of the accent: at least 3:1 against the page and a card, with
    // white on it at least 3:1 as well.
    static QColor disabledFill(const QPalette& palette);
    // The runner log's ground and text: light on near-black in both looks.
    static QColor logBackground(const QPalette& palette);
    static QColor logText();
};

} // namespace quillmarsh
