#include "Settings/Rows/LogTextView.h"

#include "Settings/Kit/Palette.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/LabelColors.h"

#include <QAbstractTextDocumentLayout>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>

namespace quillmarsh {

namespace {

// The text's inset: 10 px at the sides and 4 px above and below. The document's margin is the
// same on every side, so it gives the 4 px (inside the scrolled text, as an inset should be) and
// the viewport's side margins the other 6 px of the sides.
constexpr int verticalInset = 4;
constexpr int horizontalInset = 10;

} // namespace

LogTextView::LogTextView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A log is never edited: an undo history would only keep a second copy of every chunk.
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Long paths and addresses break anywhere rather than run out of the box.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Lines wrap at the view's width, so nothing ever scrolls sideways; the vertical scroller
    // shows only while the text is taller than the view (fitScrollers).
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFont(TextStyle::smallMonospaced());
    document()->setDocumentMargin(verticalInset);
    const int side = horizontalInset - verticalInset;
    setViewportMargins(side, 0, side, 0);
    setAccessibleName(QStringLiteral("Runner log"));

    // The view lies on the log's ground: no fill of its own, the log's text colour.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, Palette::logText());
    setPalette(colours);
    // Thin light scroll thumbs without track or arrows, drawn over the log's dark ground in
    // either look.
    const QString thumbColour = LabelColors::faded(Palette::logText(), 0.35).name(QColor::HexArgb);
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        bar->setStyleSheet(QStringLiteral("QScrollBar { background: transparent; border: none; }"
                                          "QScrollBar:vertical { width: 10px; margin: 2px 2px 2px 0; }"
                                          "QScrollBar:horizontal { height: 10px; margin: 0 2px 2px 2px; }"
                                          "QScrollBar::handle { background: %1; border-radius: 4px; }"
                                          "QScrollBar::handle:vertical { min-height: 24px; }"
                                          "QScrollBar::handle:horizontal { min-width: 24px; }"
                                          "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
                                          "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
                               .arg(thumbColour));

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { scrolled(); });
}

// Appending is only right when it gives the blocks a replacement would: the suffix must not
// start inside a UTF-8 character, nor end a CR LF pair that the shown text began (a lone CR is
// a line break of its own).
bool LogTextView::extendedBy(std::string_view text) const {
    if (shown_.empty() || text.size() <= shown_.size() || !text.starts_with(shown_)) return false;
    return appendable(shown_, text.substr(shown_.size()));
}

bool LogTextView::appendable(std::string_view shown, std::string_view suffix) {
    if (shown.empty() || suffix.empty()) return !shown.empty();
    const auto next = static_cast<unsigned char>(suffix.front());
    if ((next & 0xC0) == 0x80) return false;
    return !(shown.back() == '\r' && next == '\n');
}

namespace {

// How many paragraphs the text ends in the document, as a text cursor's insertion breaks them: a
// line feed, a carriage return (one with the line feed after it), U+2029 and the frame marks
// U+FDD0 and U+FDD1.
int paragraphBreaks(std::string_view text) {
    int breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++breaks;
        } else if (c == '\r') {
            if (i + 1 == text.size() || text[i + 1] != '\n') ++breaks;
        } else if (c == '\xE2' && text.substr(i, 3) == "\u2029") {
            ++breaks;
        } else if (c == '\xEF' && (text.substr(i, 3) == "\uFDD0" || text.substr(i, 3) == "\uFDD1")) {
            ++breaks;
        }
    }
    return breaks;
}

// Where shown, less some whole lines at its front, begins text: the length of that front, or none.
// Only lines that begin with text's first line are tried, and only a few of them, so a log of
// many equal lines costs no more than a few comparisons.
std::optional<std::size_t> cutFront(std::string_view shown, std::string_view text) {
    const std::size_t firstEnd = text.find('\n');
    if (firstEnd == std::string_view::npos) return std::nullopt;
    const std::string_view first = text.substr(0, firstEnd + 1);
    int tries = 0;
    for (std::size_t at = shown.find(first, 1); at != std::string_view::npos && tries < 8;
         at = shown.find(first, at + 1)) {
        if (shown[at - 1] != '\n') continue;
        ++tries;
        const std::string_view kept = shown.substr(at);
        if (text.starts_with(kept)) return at;
    }
    return std::nullopt;
}

} // namespace

void LogTextView::setLog(std::string_view text) {
    const QScopedValueRollback<bool> quiet(programmatic_, true);
    if (text != shown_) {
        if (extendedBy(text)) {
            // A cursor of its own at the end: the reader's selection and place stay.
            const std::string_view suffix = text.substr(shown_.size());
            QTextCursor end(document());
            end.movePosition(QTextCursor::End);
            end.insertText(QString::fromUtf8(suffix));
            shown_.append(suffix);
        } else if (const auto front = cutFront(shown_, text);
                   front && appendable(std::string_view(shown_).substr(*front), text.substr(shown_.size() - *front))) {
            // The log was cut at its front: the lines that went are removed from the top and the
            // new text appended, so the lines that stay keep their layout and the reader's
            // selection. A reader who has scrolled away keeps the place, as after a replacement.
            const int top = firstVisibleBlock().blockNumber();
            const int gone = paragraphBreaks(std::string_view(shown_).substr(0, *front));
            QTextCursor cut(document());
            cut.setPosition(document()->findBlockByNumber(gone).position(), QTextCursor::KeepAnchor);
            cut.removeSelectedText();
            shown_.erase(0, *front);
            const std::string_view suffix = text.substr(shown_.size());
            if (!suffix.empty()) {
                QTextCursor end(document());
                end.movePosition(QTextCursor::End);
                end.insertText(QString::fromUtf8(suffix));
                shown_.append(suffix);
            }
            if (!following_) {
                QScrollBar* bar = verticalScrollBar();
                const QTextBlock block = document()->findBlockByNumber(top);
                bar->setValue(block.isValid() ? block.firstLineNumber() : bar->maximum());
            }
        } else {
            // A reader who has scrolled away keeps the block at the top (as far as the new text
            // reaches); a follower goes to the end below.
            const int top = firstVisibleBlock().blockNumber();
            setPlainText(QString::fromUtf8(text));
            shown_.assign(text);
            if (!following_) {
                QScrollBar* bar = verticalScrollBar();
                const QTextBlock block = document()->findBlockByNumber(top);
                bar->setValue(block.isValid() ? block.firstLineNumber() : bar->maximum());
            }
        }
        fitScrollers();
    }
    if (following_) scrollToEnd();
}

// Whether the whole text, from its top margin down, fits in the viewport: a screenful of blocks
// at most is laid out to tell.
bool LogTextView::fits() const {
    const QAbstractTextDocumentLayout* layout = document()->documentLayout();
    const qreal height = viewport()->height();
    qreal bottom = document()->documentMargin();
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        bottom += layout->blockBoundingRect(block).height();
        if (bottom > height) return false;
    }
    return true;
}

// The vertical scroller shows only while there is something to scroll. The text view's own
// reckoning cannot be left to decide: in a view not on screen (a page laid out before it shows, a
// window rendered to an image) it counts every line but the first as scrollable.
void LogTextView::fitScrollers() {
    const Qt::ScrollBarPolicy wanted = fits() ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    if (verticalScrollBarPolicy() != wanted) setVerticalScrollBarPolicy(wanted);
}

void LogTextView::setFollowing(bool following) { following_ = following; }

// At the end: the text's bottom is no more than endSlack below the viewport's.
//
// Where the text ends is worked out in pixels from the layout, not from the scroll bar, which
// counts lines (the lines of a wrapped block one by one, and a block never laid out as one line).
// The first block in sight starts at the content offset (above the viewport's top when its first
// lines are scrolled past; below it by the top margin at the very top), and each block from there
// on adds its height (the last one its bottom margin too); the end is where that sum stops. Only
// the blocks from the top of the viewport down are laid out, and the walk stops once the sum
// passes `limit`, so a reader far above the end costs a screenful of blocks, not the whole log.
bool LogTextView::atEnd() const {
    const qreal limit = viewport()->height() + endSlack;
    return textBottom(limit) <= limit;
}

qreal LogTextView::textBottom(qreal limit) const {
    const QAbstractTextDocumentLayout* layout = document()->documentLayout();
    qreal bottom = contentOffset().y();
    for (QTextBlock block = firstVisibleBlock(); block.isValid() && bottom <= limit; block = block.next())
        bottom += layout->blockBoundingRect(block).height();
    return bottom;
}

// The scroll bar's maximum puts the last line in sight, but its reckoning may leave more than a
// line free below it; the view goes back up by whole lines while the end stays in sight, so the
// end sits at the bottom. Stepping up may lay out a wrapped block for the first time and so
// renumber the lines (and a step within a wrapped block may be shorter than a line), so the
// view then steps down again until the end is in sight.
void LogTextView::scrollToEnd() {
    QScrollBar* bar = verticalScrollBar();
    const qreal height = viewport()->height();
    bar->setValue(bar->maximum());
    while (bar->value() > bar->minimum()) {
        bar->setValue(bar->value() - 1);
        if (textBottom(height) > height) break;
    }
    while (bar->value() < bar->maximum() && textBottom(height) > height) bar->setValue(bar->value() + 1);
}

void LogTextView::scrolled() {
    if (programmatic_) return;
    const bool end = atEnd();
    if (end == following_) return;
    following_ = end;
    // Reported once control is back in the event loop, not from within the scrolling; a view
    // deleted by then reports nothing.
    QMetaObject::invokeMethod(
        this,
        [this, end] {
            if (!changed_) return;
            const auto changed = changed_;
            changed(end);
        },
        Qt::QueuedConnection);
}

void LogTextView::resizeEvent(QResizeEvent* event) {
    const QScopedValueRollback<bool> quiet(programmatic_, true);
    QPlainTextEdit::resizeEvent(event);
    fitScrollers();
    if (following_) scrollToEnd();
}

void LogTextView::showEvent(QShowEvent* event) {
    const QScopedValueRollback<bool> quiet(programmatic_, true);
    QPlainTextEdit::showEvent(event);
    fitScrollers();
    if (following_) scrollToEnd();
}

} // namespace quillmarsh
