// Rendering widgets that were never shown into images, checked by their pixels.
#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/AppWindowController.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/PageView.h"
#include "Settings/Kit/Pane.h"
#include "Settings/PaneColumn.h"
#include "Settings/PaneSelection.h"
#include "Settings/Rendering.h"
#include "Settings/Rows/StepRow.h"
#include "StatusMenu/ElidedLabel.h"
#include "Settings/SettingsWindow.h"
#include "Support/FakeAgent.h"

#include <nlohmann/json.hpp>

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <map>

namespace quillmarsh {
namespace {

using namespace test;

// The colour at a point in the widget's coordinates.
QColor at(const QImage& image, int x, int y) {
    const qreal scale = image.devicePixelRatio();
    return image.pixelColor(static_cast<int>(x * scale), static_cast<int>(y * scale));
}

TEST(Rendering, TheNeverShownSettingsWindowIsDrawnWithEveryChildInPlace) {
    Harness h;
    AppWindowController controller(*h.model, h.defaults);
    SettingsWindow& window = controller.window();
    ASSERT_FALSE(window.isVisible());

    const auto image = Rendering::bitmap(window, 2.0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(1800, 1280));
    EXPECT_EQ(image->devicePixelRatio(), 2.0);
    EXPECT_EQ(image->deviceIndependentSize(), QSizeF(900, 640));
    EXPECT_TRUE(image->format() == QImage::Format_RGBA8888 || image->format() == QImage::Format_RGBA8888_Premultiplied);
    EXPECT_FALSE(window.isVisible()) << "rendering does not show the window";

    // The column's page ground from the divider to the right edge and down to the bottom: only
    // where the column was laid out to the window's full size.
    const QColor content = Palette::content(window.column().palette());
    for (const QPoint point : {QPoint(236, 630), QPoint(880, 630), QPoint(236, 320), QPoint(893, 630)}) {
        SCOPED_TRACE(point.x());
        EXPECT_EQ(at(*image, point.x(), point.y()), content);
    }
    // The General page fits, so no scroller takes the right edge.
    EXPECT_NE(at(*image, 100, 630), content) << "the sidebar is not the column";
    EXPECT_NE(at(*image, 230, 630), content) << "the hairline between them";
    for (int y : {5, 320, 635}) EXPECT_EQ(at(*image, 230, y), at(*image, 230, 630));
}

// A scroll area places its viewport, and sizes a resizable widget, only when it hears of its own
// size: a never-shown one has not, until the renderer lays the tree out.
TEST(Rendering, AScrollAreaInANeverShownWindowFillsItsPlace) {
    ensureApp();
    QWidget top;
    auto* layout = new QVBoxLayout(&top);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* inner = new QLabel(QStringLiteral("inside"));
    inner->setAutoFillBackground(true);
    QPalette palette = inner->palette();
    palette.setColor(QPalette::Window, QColor(200, 30, 40));
    inner->setPalette(palette);
    scroll->setWidget(inner);
    layout->addWidget(scroll);
    top.resize(300, 200);

    const auto image = Rendering::bitmap(top, 1.0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(300, 200));
    EXPECT_EQ(inner->size(), QSize(300, 200));
    EXPECT_EQ(at(*image, 295, 195), QColor(200, 30, 40));
}

// Grows its minimum height with its width once it hears of its size, as text that wraps does:
// the layout has to run again after the resize events it set off.
class WidthBound final : public QWidget {
public:
    WidthBound() {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(20, 60, 200));
        setPalette(p);
    }

protected:
    void resizeEvent(QResizeEvent*) override { setMinimumHeight(width() * 3 / 4); }
};

TEST(Rendering, LayoutsRunAgainUntilTheResizeEventsTheySetOffHaveSettled) {
    ensureApp();
    QWidget top;
    auto* layout = new QVBoxLayout(&top);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bound = new WidthBound;
    auto* below = new QLabel(QStringLiteral("below"));
    below->setAutoFillBackground(true);
    QPalette palette = below->palette();
    palette.setColor(QPalette::Window, QColor(200, 30, 40));
    below->setPalette(palette);
    below->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(bound);
    layout->addWidget(below);
    top.resize(400, 400);

    const auto image = Rendering::bitmap(top, 1.0);
    ASSERT_TRUE(image);
    EXPECT_EQ(bound->geometry(), QRect(0, 0, 400, 300));
    EXPECT_EQ(below->geometry(), QRect(0, 300, 400, 100));
    EXPECT_EQ(at(*image, 10, 290), QColor(20, 60, 200));
    EXPECT_EQ(at(*image, 10, 310), QColor(200, 30, 40));
}

// The sample job with nine steps: more than the window shows at once, so its page scrolls.
std::string nineSteps() {
    auto answer = nlohmann::json::parse(sampleAnswer("jobs.31880421907.steps.json"));
    auto& steps = answer["steps"];
    const nlohmann::json done = steps[0];
    for (int number = static_cast<int>(steps.size()) + 1; number <= 9; ++number) {
        nlohmann::json step = done;
        step["number"] = number;
        step["name"] = "Step " + std::to_string(number);
        steps.push_back(step);
    }
    return answer.dump();
}

// The heights of the step rows on the job detail page, in order.
std::vector<int> stepHeights(SettingsWindow& window) {
    std::vector<int> heights;
    for (int number = 1; number <= 9; ++number) {
        QWidget* row = window.column().page().rowWidget(std::to_string(number));
        heights.push_back(row != nullptr ? row->height() : -1);
    }
    return heights;
}

// A page that grows after the window was first drawn (the job's steps arrive after its detail
// opened) is drawn as a shown window lays it out: its rows keep their heights and the body
// scrolls, where a never-shown window's scroll area would not hear of its grown body.
TEST(Rendering, APageThatGrewAfterTheFirstDrawingKeepsItsRowsAsAShownWindowDoes) {
    std::map<bool, std::vector<int>> heights;
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        Harness h;
        serveSamples(*h.agent);
        const std::string jobId = "31880421907";
        h.agent->route("GET", "/jobs/" + jobId + "/log", FakeAgent::Reply::json(sampleAnswer("jobs.31880421907.log.json")));
        h.refreshAndWait();
        AppWindowController controller(*h.model, h.defaults);
        SettingsWindow& window = controller.window();
        if (shown) controller.show();
        // As the screenshot mode does: a window never shown does not tell the model its pane.
        h.model->setVisiblePane(AppPane::jobs);
        controller.select(AppPane::jobs);
        h.drain();
        JobRow opened;
        opened.id = jobId;
        controller.selection().setOpened(opened);
        controller.selection().setJob(jobId);
        h.drain();
        window.column().render();
        ASSERT_TRUE(Rendering::bitmap(window, 1.0));

        h.agent->route("GET", "/jobs/" + jobId + "/steps", FakeAgent::Reply::json(nineSteps()));
        // Steps are read again on every fifth tick of the job's timer.
        for (int tick = 0; tick < 5; ++tick) {
            h.clock->fire(1.0);
            h.drain();
        }
        window.column().render();
        const auto image = Rendering::bitmap(window, 1.0);
        ASSERT_TRUE(image);
        heights[shown] = stepHeights(window);
        for (int number = 1; number <= 9; ++number) {
            auto* row = qobject_cast<StepRow*>(window.column().page().rowWidget(std::to_string(number)));
            ASSERT_NE(row, nullptr) << number;
            EXPECT_EQ(row->height(), row->sizeHint().height()) << number;
            EXPECT_EQ(row->nameLabel()->height(), row->nameLabel()->sizeHint().height()) << number;
        }
        EXPECT_GT(window.column().page().pane()->scrollArea()->verticalScrollBar()->maximum(), 0)
            << "the page is taller than the window";
    }
    EXPECT_EQ(heights[false], heights[true]);
}

TEST(Rendering, AWindowNeverResizedTakesItsPreferredSize) {
    ensureApp();
    QWidget top;
    auto* layout = new QVBoxLayout(&top);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* fixed = new QWidget;
    fixed->setFixedSize(120, 80);
    layout->addWidget(fixed);

    const auto image = Rendering::bitmap(top, 2.0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(240, 160));
}

TEST(Rendering, SizesAreTruncatedAndEmptyWidgetsGiveNothing) {
    ensureApp();
    struct Case {
        QSize size;
        qreal scale;
        std::optional<QSize> pixels;
    };
    const Case cases[] = {
        {{333, 101}, 1.5, QSize(499, 151)},
        {{10, 10}, 1.0, QSize(10, 10)},
        {{0, 100}, 2.0, std::nullopt},
        {{100, 0}, 2.0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size.width());
        QWidget widget;
        widget.setMinimumSize(0, 0);
        widget.resize(c.size);
        ASSERT_EQ(widget.size(), c.size);
        const auto image = Rendering::bitmap(widget, c.scale);
        ASSERT_EQ(image.has_value(), c.pixels.has_value());
        if (image) {
            EXPECT_EQ(image->size(), *c.pixels);
            EXPECT_EQ(image->devicePixelRatio(), c.scale);
        }
    }
}

} // namespace
} // namespace quillmarsh
