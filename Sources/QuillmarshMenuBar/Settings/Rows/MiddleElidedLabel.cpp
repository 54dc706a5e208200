#include "Settings/Rows/MiddleElidedLabel.h"

#include "StatusMenu/LabelColors.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace quillmarsh {

namespace {

const QString ellipsis = QStringLiteral("\u2026");

// The text's grapheme boundaries, 0 and its length included, so a cut never splits a character.
std::vector<qsizetype> boundaries(const QString& text) {
    std::vector<qsizetype> at{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0) at.push_back(finder.position());
    if (at.back() != text.size()) at.push_back(text.size());
    return at;
}

// Adds text to runs: to the last run when it has the same colour, else as a run of its own.
void addRun(std::vector<MiddleElidedLabel::Run>& runs, const QString& text, bool quiet) {
    if (text.isEmpty()) return;
    if (!runs.empty() && runs.back().quiet == quiet) runs.back().text += text;
    else runs.push_back({text, quiet});
}

// Adds the characters [from, to) of lead + main to runs, split where the lead ends.
void append(std::vector<MiddleElidedLabel::Run>& runs, const QString& whole, qsizetype leadLength, qsizetype from,
            qsizetype to) {
    const qsizetype split = std::clamp(leadLength, from, to);
    addRun(runs, whole.mid(from, split - from), true);
    addRun(runs, whole.mid(split, to - split), false);
}

} // namespace

MiddleElidedLabel::MiddleElidedLabel(const QFont& font, QWidget* parent) : QWidget(parent) {
    setFont(font);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void MiddleElidedLabel::setParts(const QString& lead, const QString& main) {
    if (lead == lead_ && main == main_) return;
    lead_ = lead;
    main_ = main;
    setAccessibleName(lead + main);
    updateGeometry();
    update();
}

std::vector<MiddleElidedLabel::Run> MiddleElidedLabel::shown(const QString& lead, const QString& main,
                                                              const QFontMetricsF& metrics, qreal width) {
    const QString whole = lead + main;
    std::vector<Run> runs;
    if (whole.isEmpty()) return runs;
    if (metrics.horizontalAdvance(whole) <= width) {
        append(runs, whole, lead.size(), 0, whole.size());
        return runs;
    }
    // Keep as many characters as fit around the ellipsis, the extra one at the head.
    const std::vector<qsizetype> at = boundaries(whole);
    const int characters = static_cast<int>(at.size()) - 1;
    auto cut = [&](int kept) {
        const int head = (kept + 1) / 2;
        const int tail = kept / 2;
        return std::pair{at[static_cast<std::size_t>(head)], at[static_cast<std::size_t>(characters - tail)]};
    };
    auto fits = [&](int kept) {
        const auto [headEnd, tailStart] = cut(kept);
        return metrics.horizontalAdvance(whole.left(headEnd) + ellipsis + whole.mid(tailStart)) <= width;
    };
    int low = 0;  // kept characters known to fit (none: the ellipsis alone, drawn even when it does not)
    int high = characters - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (fits(middle)) low = middle;
        else high = middle - 1;
    }
    const auto [headEnd, tailStart] = cut(low);
    append(runs, whole, lead.size(), 0, headEnd);
    // The ellipsis stands for the characters from headEnd on, and takes the first one's colour.
    addRun(runs, ellipsis, headEnd < lead.size());
    append(runs, whole, lead.size(), tailStart, whole.size());
    return runs;
}

std::vector<MiddleElidedLabel::Run> MiddleElidedLabel::shown() const {
    return shown(lead_, main_, QFontMetricsF(font()), contentsRect().width());
}

QSize MiddleElidedLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    const QMargins margins = contentsMargins();
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(lead_ + main_))) + margins.left() + margins.right(),
            static_cast<int>(std::ceil(metrics.height())) + margins.top() + margins.bottom()};
}

QSize MiddleElidedLabel::minimumSizeHint() const {
    const QFontMetricsF metrics(font());
    const QMargins margins = contentsMargins();
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(ellipsis))) + margins.left() + margins.right(),
            sizeHint().height()};
}

void MiddleElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF area = contentsRect();
    const QFontMetricsF metrics(font());
    const QColor quiet = LabelColors::secondary(palette());
    const QColor loud = LabelColors::primary(palette());
    qreal x = area.left();
    for (const Run& run : shown()) {
        const qreal width = metrics.horizontalAdvance(run.text);
        painter.setPen(run.quiet ? quiet : loud);
        painter.drawText(QRectF(x, area.top(), width + 1, area.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, run.text);
        x += width;
    }
}

} // namespace quillmarsh
