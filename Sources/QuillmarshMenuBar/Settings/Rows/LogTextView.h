#pragma once

#include <QPlainTextEdit>

#include <functional>
#include <string>
#include <string_view>

namespace quillmarsh {

// A job's runner log: read-only, selectable, monospaced text in the log colour on no ground of
// its own, that may grow by thousands of lines. New text that only extends what is shown is
// appended, so an update costs in proportion to the new part and keeps the reader's selection
// and place. So is text that extends what is shown less whole lines at its front (a log kept to
// its last lines): those lines are removed from the top. Anything else replaces the whole text.
//
// While following, every update keeps the end in sight. The reader's own scrolling decides
// whether the view follows: leaving the end (more than 8 px above it) stops following, coming
// back to it follows again; the view's own scrolling never changes it. A change made by the
// reader is taken at once and reported through the callback on the next turn of the event loop.
// The scroller shows only while the text is taller than the view, on screen or not.
class LogTextView final : public QPlainTextEdit {
    Q_OBJECT

public:
    // How close to the end counts as at the end, in pixels.
    static constexpr int endSlack = 8;

    explicit LogTextView(QWidget* parent = nullptr);

    // Shows text: appends its new suffix when the text shown is a prefix of it, else replaces.
    // Then, while following, scrolls to the end.
    void setLog(std::string_view text);
    const std::string& shown() const { return shown_; }

    // Takes effect at the next setLog().
    void setFollowing(bool following);
    bool following() const { return following_; }
    // Called with the new value when the reader's scrolling changes whether the view follows.
    void setFollowingChanged(std::function<void(bool)> changed) { changed_ = std::move(changed); }

    // Whether the view is at the end now, within endSlack.
    bool atEnd() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void scrollToEnd();
    bool fits() const;
    void fitScrollers();
    void scrolled();
    bool extendedBy(std::string_view text) const;
    // Whether suffix, appended to a document holding shown, gives the paragraphs that shown +
    // suffix set as a whole would.
    static bool appendable(std::string_view shown, std::string_view suffix);
    // The bottom of the text in viewport coordinates, or a value past `limit` once it is past.
    qreal textBottom(qreal limit) const;

    std::string shown_;
    bool following_ = true;
    bool programmatic_ = false;
    std::function<void(bool)> changed_;
};

} // namespace quillmarsh
