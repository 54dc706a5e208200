#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

#include <functional>
#include <optional>

class QVBoxLayout;

namespace quillmarsh {

class LogTextView;
class PaneButton;
class ToneLabel;

// The job detail's log: a header line (the title, semibold and quiet, marked as a heading; at
// its end "Follows the end" or a "Jump to End" link when the description offers them) over a
// 240-px box on the log ground (radius 10) that holds the placeholder or the live log. The text
// view lives as long as the area, so refreshes never reset it.
//
// The view takes the description's `following` only when it changes: the reader's scrolling
// changes the view's at once and the page's a moment later, and a refresh in between still
// carrying the old value must not pull the reader back.
class LogArea final : public QWidget {
    Q_OBJECT

public:
    static constexpr int boxHeight = 240;

    explicit LogArea(QWidget* parent = nullptr);

    void setLog(const PageDescription::Log& log);
    // What the jump link and the reader's scrolling do; set again whenever they change.
    void setActions(std::function<void()> jumpToEnd, std::function<void()> scrolledAway,
                    std::function<void()> backAtEnd);

    ToneLabel* titleLabel() const { return title_; }
    ToneLabel* followsLabel() const { return follows_; }
    PaneButton* jumpButton() const { return jump_; }
    ToneLabel* placeholderLabel() const { return placeholder_; }
    LogTextView* textView() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void alignBaselines();

    QWidget* header_ = nullptr;
    ToneLabel* title_ = nullptr;
    ToneLabel* follows_ = nullptr;
    PaneButton* jump_ = nullptr;
    QVBoxLayout* jumpLift_ = nullptr;
    QWidget* box_ = nullptr;
    QVBoxLayout* boxLayout_ = nullptr;
    ToneLabel* placeholder_ = nullptr;
    LogTextView* text_ = nullptr;
    std::optional<bool> following_;
    std::function<void()> scrolledAway_;
    std::function<void()> backAtEnd_;
};

} // namespace quillmarsh
