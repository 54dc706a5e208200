#pragma once

#include <QColor>
#include <QPalette>

namespace quillmarsh {

// The quieter text colours of rows and panes, derived from the palette's text colour so they
// follow light and dark themes and a row's highlight.
struct LabelColors {
    enum class Tone { primary, secondary, tertiary };

    static QColor primary(const QPalette& palette) { return palette.color(QPalette::WindowText); }
    // Secondary text: times, repositories, information lines.
    static QColor secondary(const QPalette& palette) { return withAlpha(palette, 0.55); }
    // Tertiary text, quieter still: a job's meta line, a machine's hardware.
    static QColor tertiary(const QPalette& palette) { return withAlpha(palette, 0.38); }
    // The colour at that fraction of its own opacity: hover fills, tracks, tinted grounds.
    static QColor faded(QColor color, double fraction) {
        color.setAlphaF(static_cast<float>(color.alphaF() * fraction));
        return color;
    }
    static QColor of(Tone tone, const QPalette& palette) {
        switch (tone) {
        case Tone::secondary: return secondary(palette);
        case Tone::tertiary: return tertiary(palette);
        case Tone::primary: break;
        }
        return primary(palette);
    }
    // Faint strokes: the track of a progress ring.
    static QColor quaternary(const QPalette& palette) { return withAlpha(palette, 0.18); }

private:
    static QColor withAlpha(const QPalette& palette, double alpha) {
        return faded(palette.color(QPalette::WindowText), alpha);
    }
};

} // namespace quillmarsh
