#include "Settings/Kit/Palette.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/ToneLabel.h"
#include "Settings/Rendering.h"
#include "Settings/Rows/LogArea.h"
#include "Settings/Rows/LogTextView.h"
#include "Support/TestApplication.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quillmarsh::test {
namespace {

// Runner log lines of the usual length, numbered from `first`.
std::string lines(int first, int count) {
    std::string out;
    for (int i = first; i < first + count; ++i)
        out += "2024-05-01T10:00:" + std::to_string(10 + i % 50) +
               ".1234567Z [command]/usr/bin/git -c protocol.version=2 fetch --prune origin line " + std::to_string(i) +
               "\n";
    return out;
}

void turn() { QCoreApplication::processEvents(); }

// How far the end of the text (the last line and the bottom margin) lies below the viewport, in
// pixels, as the layout places it; meaningful while the end is near the viewport.
int distanceToEnd(const LogTextView& view) {
    QTextCursor end(view.document());
    end.movePosition(QTextCursor::End);
    const int bottom = view.cursorRect(end).bottom() + 1 + static_cast<int>(view.document()->documentMargin());
    return bottom - view.viewport()->height();
}

// The end of the text is in sight and less than a line above the bottom.
bool endAtBottom(const LogTextView& view) {
    QTextCursor end(view.document());
    end.movePosition(QTextCursor::End);
    const int distance = distanceToEnd(view);
    return distance <= 0 && distance > -view.cursorRect(end).height();
}

// A shown view of a given size that records what it reports.
struct View {
    explicit View(int width = 900, int height = 228) {
        view.resize(width, height);
        view.show();
        turn();
        view.setFollowingChanged([this](bool following) { reports.push_back(following); });
    }
    QScrollBar* bar() const { return view.verticalScrollBar(); }
    // The reader moving the scroll bar.
    void scrollTo(int value) const { bar()->setValue(value); }
    int distanceToEnd() const { return test::distanceToEnd(view); }
    bool endAtBottom() const { return test::endAtBottom(view); }

    bool app = (ensureApp(), true);  // before any widget
    LogTextView view;
    std::vector<bool> reports;
};

TEST(LogTextView, TextThatExtendsWhatIsShownIsAppendedAndAnyOtherReplacesIt) {
    struct Case {
        const char* name;
        std::string shown;
        std::string next;
        bool appended;
    };
    const std::vector<Case> cases = {
        {"more lines", lines(0, 50), lines(0, 80), true},
        {"an unfinished line goes on", "Run actions/check", "Run actions/checkout@v4\nSyncing repository", true},
        {"the front was cut", lines(0, 50), lines(10, 50), false},
        {"shorter", lines(0, 50), lines(0, 20), false},
        {"a CR LF pair split between chunks", "Cloning\r", "Cloning\r\ndone", false},
        {"a character split between chunks", "caf\xC3", "caf\xC3\xA9 au lait", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        View shown;
        shown.view.setLog(c.shown);
        shown.view.document()->firstBlock().setUserState(7);
        QTextCursor selection(shown.view.document());
        selection.setPosition(1);
        selection.setPosition(4, QTextCursor::KeepAnchor);
        shown.view.setTextCursor(selection);
        const QString selected = shown.view.textCursor().selectedText();

        shown.view.setLog(c.next);
        EXPECT_EQ(shown.view.shown(), c.next);
        View fresh;
        fresh.view.setLog(c.next);
        EXPECT_EQ(shown.view.toPlainText(), fresh.view.toPlainText());
        EXPECT_EQ(shown.view.document()->blockCount(), fresh.view.document()->blockCount());
        EXPECT_EQ(shown.view.document()->firstBlock().userState() == 7, c.appended);
        if (c.appended) {
            EXPECT_EQ(shown.view.textCursor().selectedText(), selected);
        }
    }
}

// A log kept to its last lines loses lines at its front as it grows: those lines go from the top
// and the new ones are appended, so the lines that stay keep their blocks and the reader's
// selection. Text that only looks like that (the first line found elsewhere, a CR LF pair split
// at the join) is replaced; either way the view holds what a fresh one would.
TEST(LogTextView, TextThatExtendsWhatIsShownLessItsFirstLinesIsTrimmedFromTheTop) {
    struct Case {
        const char* name;
        std::string shown;
        std::string next;
        bool trimmed;
    };
    const std::string repeated = "same line\nsame line\nsame line\nsame line\n";
    const std::vector<Case> cases = {
        {"cut by ten, ten more", lines(0, 60), lines(10, 60), true},
        {"cut only", lines(0, 60), lines(10, 50), true},
        {"an unfinished line goes on", lines(0, 60) + "Run actions/check", lines(5, 55) + "Run actions/checkout@v4\n", true},
        {"CR LF and lone CR lines", "a\r\nb\rc\nd\ne\n" + lines(0, 40), "d\ne\n" + lines(0, 41), true},
        {"equal lines", repeated + lines(0, 40), repeated.substr(10) + lines(0, 41), true},
        {"the first line only inside another", "x" + lines(0, 60), lines(0, 70), false},
        {"a CR LF pair split at the join", lines(0, 60) + "Cloning\r", lines(10, 50) + "Cloning\r\ndone", false},
        {"another log", lines(0, 60), lines(100, 60), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        View shown(900, 228);
        shown.view.setFollowing(false);
        shown.view.setLog(c.shown);
        // The reader selects the last line that has ended.
        QTextBlock marked = shown.view.document()->lastBlock().previous();
        marked.setUserState(7);
        QTextCursor selection(marked);
        selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        shown.view.setTextCursor(selection);
        const QString selected = shown.view.textCursor().selectedText();
        ASSERT_FALSE(selected.isEmpty());

        shown.view.setLog(c.next);
        EXPECT_EQ(shown.view.shown(), c.next);
        View fresh;
        fresh.view.setLog(c.next);
        EXPECT_EQ(shown.view.toPlainText(), fresh.view.toPlainText());
        EXPECT_EQ(shown.view.document()->blockCount(), fresh.view.document()->blockCount());
        bool kept = false;
        for (QTextBlock b = shown.view.document()->firstBlock(); b.isValid(); b = b.next())
            kept = kept || (b.userState() == 7 && b.text() == selected);
        EXPECT_EQ(kept, c.trimmed);
        if (c.trimmed) {
            EXPECT_EQ(shown.view.textCursor().selectedText(), selected);
        }
    }
}

// While following, a log trimmed at its front stays at its end.
TEST(LogTextView, FollowsTheEndOfALogTrimmedAtItsFront) {
    View v;
    v.view.setLog(lines(0, 300));
    for (int cut = 1; cut <= 5; ++cut) {
        v.view.setLog(lines(cut * 40, 300));
        ASSERT_TRUE(v.endAtBottom()) << cut << ": " << v.distanceToEnd();
    }
    turn();
    EXPECT_TRUE(v.view.following());
    EXPECT_TRUE(v.reports.empty());
}

// The scroller shows only while there is something to scroll: on screen and in a view never
// shown (a page laid out before it shows, the screenshot mode's images), the sideways one never.
TEST(LogTextView, TheScrollersHideWhenTheTextFits) {
    ensureApp();
    struct Case {
        const char* name;
        std::string text;
        bool scrolls;
    };
    const Case cases[] = {
        {"one line", lines(0, 1), false},
        {"five lines", lines(0, 5), false},
        {"a line far wider than the view", std::string(2000, 'w') + "\n", true},
        {"two hundred lines", lines(0, 200), true},
    };
    for (bool onScreen : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (onScreen ? ", on screen" : ", never shown"));
            QWidget window;
            window.resize(612, 228);
            auto* view = new LogTextView(&window);
            view->resize(612, 228);
            if (onScreen) {
                window.show();
                turn();
            }
            view->setLog(c.text);
            if (!onScreen) {
                ASSERT_TRUE(Rendering::bitmap(window, 1));
            }
            turn();
            EXPECT_EQ(view->verticalScrollBar()->isVisibleTo(&window), c.scrolls);
            EXPECT_FALSE(view->horizontalScrollBar()->isVisibleTo(&window));
        }
    }
    // On screen, a log that outgrows the view gets the scroller and loses it when it fits again.
    View v(612, 228);
    v.view.setLog(lines(0, 3));
    EXPECT_FALSE(v.bar()->isVisible());
    v.view.setLog(lines(0, 200));
    EXPECT_TRUE(v.bar()->isVisible());
    v.view.setLog(lines(0, 3));
    EXPECT_FALSE(v.bar()->isVisible());
    EXPECT_EQ(v.bar()->value(), 0) << "the whole text in sight from its top";
}

TEST(LogTextView, FollowsTheEndAsTextArrivesAndAfterAReplacement) {
    View v;
    std::string text;
    for (int chunk = 0; chunk < 6; ++chunk) {
        text += lines(chunk * 40, 40);
        v.view.setLog(text);
        ASSERT_TRUE(v.endAtBottom()) << chunk << ": " << v.distanceToEnd();
    }
    v.view.setLog(lines(100, 200));
    EXPECT_TRUE(v.endAtBottom()) << v.distanceToEnd();
    // Wrapped lines too.
    v.view.resize(300, 228);
    v.view.setLog(lines(100, 230));
    EXPECT_TRUE(v.endAtBottom()) << v.distanceToEnd();
    turn();
    EXPECT_TRUE(v.view.following());
    EXPECT_TRUE(v.reports.empty());
}

TEST(LogTextView, TheReaderScrollingUpStopsFollowingKeepsThePlaceAndComingBackFollowsAgain) {
    View v;
    std::string text = lines(0, 200);
    v.view.setLog(text);
    const int place = v.bar()->maximum() - 30;
    v.scrollTo(place);
    EXPECT_FALSE(v.view.following());
    EXPECT_TRUE(v.reports.empty()) << "reported within the scrolling";
    turn();
    EXPECT_EQ(v.reports, std::vector<bool>{false});

    text += lines(200, 40);
    v.view.setLog(text);
    EXPECT_EQ(v.bar()->value(), place);
    EXPECT_FALSE(v.view.following());
    v.view.setLog(lines(20, 220));  // the front cut: replaced, the place kept
    EXPECT_EQ(v.bar()->value(), place);

    v.scrollTo(v.bar()->maximum());
    EXPECT_TRUE(v.view.following());
    turn();
    EXPECT_EQ(v.reports, (std::vector<bool>{false, true}));
    text = lines(20, 260);
    v.view.setLog(text);
    EXPECT_TRUE(v.endAtBottom());

    // Told to follow by the page, the next update goes to the end, even with the same text.
    v.scrollTo(0);
    turn();
    v.view.setFollowing(true);
    EXPECT_EQ(v.bar()->value(), 0);
    v.view.setLog(text);
    EXPECT_TRUE(v.endAtBottom());
    turn();
    EXPECT_EQ(v.reports, (std::vector<bool>{false, true, false}));
}

TEST(LogTextView, WithinEightPixelsOfTheEndCountsAsTheEnd) {
    // Heights and widths that leave the last line at different distances from the bottom, with
    // and without wrapped lines.
    View v(900, 200);
    const std::string text = lines(0, 200);
    bool slackUsed = false;
    for (const int width : {900, 320}) {
        for (int height = 200; height <= 240; height += 2) {
            SCOPED_TRACE(testing::Message() << width << "x" << height);
            v.view.resize(width, height);
            v.view.setFollowing(true);
            v.view.setLog(text);
            turn();
            const int max = v.bar()->maximum();
            for (int value = max; value >= max - 3; --value) {
                v.scrollTo(value);
                const int distance = v.distanceToEnd();
                EXPECT_EQ(v.view.atEnd(), distance <= LogTextView::endSlack) << value << ": " << distance;
                EXPECT_EQ(v.view.following(), v.view.atEnd());
                slackUsed = slackUsed || (distance > 0 && distance <= LogTextView::endSlack);
            }
        }
    }
    EXPECT_TRUE(slackUsed) << "no case put the end just below the viewport";
}

TEST(LogTextView, ItsOwnScrollingNeverReports) {
    View v;
    std::string text;
    for (int chunk = 0; chunk < 5; ++chunk) v.view.setLog(text += lines(chunk * 50, 50));
    v.view.setLog(lines(30, 220));
    v.view.resize(400, 150);
    v.view.hide();
    v.view.show();
    v.view.setLog(std::string());
    v.view.setLog(lines(0, 300));
    turn();
    EXPECT_TRUE(v.reports.empty());
    EXPECT_TRUE(v.view.following());

    v.scrollTo(10);
    turn();
    ASSERT_EQ(v.reports, std::vector<bool>{false});
    v.view.setLog(lines(5, 300));
    v.view.setLog(lines(5, 320));
    v.view.resize(500, 200);
    turn();
    EXPECT_EQ(v.reports, std::vector<bool>{false});
}

TEST(LogTextView, AReportOfADeletedViewIsDropped) {
    ensureApp();
    auto reports = std::make_shared<int>(0);
    auto* view = new LogTextView;
    view->resize(600, 200);
    view->show();
    view->setLog(lines(0, 100));
    view->setFollowingChanged([reports](bool) { ++*reports; });
    view->verticalScrollBar()->setValue(0);
    delete view;
    turn();
    EXPECT_EQ(*reports, 0);
}

PageDescription::Log log(std::optional<std::string> placeholder, std::string text = {}, bool following = true,
                         bool followControls = true) {
    PageDescription::Log l;
    l.key = "log";
    l.title = "Run tests, live";
    l.followControls = followControls;
    l.following = following;
    l.placeholder = std::move(placeholder);
    l.text = std::move(text);
    return l;
}

// A shown area that counts the runs of its actions.
struct Area {
    Area() {
        area.resize(640, 300);
        area.setActions([this] { ++jumps; }, [this] { ++away; }, [this] { ++back; });
        area.show();
        turn();
    }
    bool app = (ensureApp(), true);
    LogArea area;
    int jumps = 0;
    int away = 0;
    int back = 0;
};

TEST(LogArea, ShowsThePlaceholderOrTheLiveLogOnTheLogGround) {
    Area a;
    LogTextView* view = a.area.textView();
    a.area.setLog(log("Reading the log…"));
    EXPECT_FALSE(a.area.placeholderLabel()->isHidden());
    EXPECT_EQ(a.area.placeholderLabel()->text(), "Reading the log…");
    EXPECT_TRUE(view->isHidden());

    const std::optional<QImage> image = Rendering::bitmap(a.area, 1.0);
    ASSERT_TRUE(image);
    const QRect box = a.area.placeholderLabel()->parentWidget()->geometry();
    EXPECT_EQ(box.height(), LogArea::boxHeight);
    EXPECT_EQ(box.width(), a.area.width());
    EXPECT_EQ(image->pixelColor(box.left() + 4, box.center().y()), Palette::logBackground(a.area.palette()));
    EXPECT_NE(image->pixelColor(box.topLeft()), Palette::logBackground(a.area.palette())) << "square corners";

    a.area.setLog(log(std::nullopt, lines(0, 50)));
    EXPECT_EQ(a.area.textView(), view);
    EXPECT_FALSE(view->isHidden());
    EXPECT_TRUE(a.area.placeholderLabel()->isHidden());
    EXPECT_EQ(view->shown(), lines(0, 50));

    a.area.setLog(log("The log is empty."));
    EXPECT_EQ(a.area.textView(), view);
    EXPECT_TRUE(view->isHidden());
    EXPECT_EQ(a.area.placeholderLabel()->text(), "The log is empty.");
}

TEST(LogArea, TheHeaderOffersFollowsTheEndOrJumpToEndOnlyWithFollowControls) {
    struct Case {
        bool controls;
        bool following;
        bool follows;
        bool jump;
    };
    for (const Case c : {Case{true, true, true, false}, Case{true, false, false, true}, Case{false, true, false, false},
                         Case{false, false, false, false}}) {
        SCOPED_TRACE(testing::Message() << c.controls << c.following);
        Area a;
        a.area.setLog(log(std::nullopt, lines(0, 10), c.following, c.controls));
        EXPECT_EQ(a.area.titleLabel()->text(), "Run tests, live");
        EXPECT_EQ(a.area.followsLabel()->isVisible(), c.follows);
        EXPECT_EQ(a.area.jumpButton()->isVisible(), c.jump);
        if (c.jump) {
            click(a.area.jumpButton());
            EXPECT_EQ(a.jumps, 1);
        }
    }
}

TEST(LogArea, TheReaderScrollingRunsItsActionsAndARefreshFromBeforeKeepsThePlace) {
    Area a;
    LogTextView* view = a.area.textView();
    std::string text = lines(0, 200);
    a.area.setLog(log(std::nullopt, text));
    turn();
    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_TRUE(endAtBottom(*view));
    // The lines wrap here, so the scroll bar's line count may change as blocks are laid out; the
    // reader's place is the block at the top.
    const auto top = [view] { return view->cursorForPosition(QPoint(2, 2)).blockNumber(); };
    bar->setValue(bar->maximum() - 40);
    const int place = top();
    EXPECT_EQ(a.away, 0);
    // A refresh that was on its way still says the page follows.
    a.area.setLog(log(std::nullopt, text += lines(200, 20), true));
    EXPECT_EQ(top(), place);
    turn();
    EXPECT_EQ(a.away, 1);
    a.area.setLog(log(std::nullopt, text += lines(220, 20), false));
    EXPECT_EQ(top(), place);

    // "Jump to End": the page follows again.
    a.area.setLog(log(std::nullopt, text, true));
    EXPECT_TRUE(endAtBottom(*view)) << distanceToEnd(*view) << " " << bar->value() << "/" << bar->maximum();
    EXPECT_TRUE(view->following());

    bar->setValue(0);
    turn();
    bar->setValue(bar->maximum());
    turn();
    EXPECT_EQ(a.away, 2);
    EXPECT_EQ(a.back, 1);
}

}  // namespace
}  // namespace quillmarsh::test
