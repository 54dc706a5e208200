// The status menu as the user meets it: the real model against a real fake agent on its socket,
// the controller with a headless status item on the offscreen platform, alerts answered by the
// test. Renders are queued, so every check runs after the event loop has settled.
#include "MenuBar/Model/AppModelHarness.h"
#include "StatusMenu/AgentInfoRowView.h"
#include "StatusMenu/JobRowView.h"
#include "StatusMenu/MenuLookup.h"
#include "StatusMenu/MenuMetrics.h"
#include "StatusMenu/StatusItemController.h"
#include "Words/MenuModel.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTextDocument>
#include <QWidgetAction>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {
namespace {

using namespace test;
using Reply = FakeAgent::Reply;

std::string jobsAnswer(const std::string& running) { return R"({"running":[)" + running + R"(],"recent":[]})"; }

std::string runningJob(const std::string& id, const std::string& name, int elapsed, int expected = 600) {
    return R"({"job_id":")" + id + R"(","run_id":1,"repository":"acme/site","workflow":"CI","name":")" + name +
           R"(","label":"macos-15","started":true,"elapsed_seconds":)" + std::to_string(elapsed) +
           R"(,"expected_seconds":)" + std::to_string(expected) + "}";
}

class StatusMenuTest : public ::testing::Test {
protected:
    StatusMenuTest() {
        serveSamples(*h.agent);
        h.refreshAndWait();
    }

    void makeController() {
        StatusItemController::Environment environment;
        environment.altHeld = [this] { return alt; };
        environment.ask = [this](const AlertRequest& request) {
            asked.push_back(request);
            return answer;
        };
        environment.terminate = [this] { ++terminated; };
        environment.locale = Locale::enGB();
        environment.print = [this](const std::string& line) { printed.push_back(line); };
        environment.menuMetrics = metrics;
        controller = std::make_unique<StatusItemController>(
            *h.model, true, [this] { ++firstRunOpened; },
            [this](const std::optional<std::string>& pane) { settingsOpened.push_back(pane.value_or("(none)")); },
            std::move(environment));
        settle();
    }

    // Lets queued renders and queued actions run.
    void settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
    void refresh() {
        h.refreshAndWait();
        settle();
    }

    QMenu& menu() { return controller->menu(); }
    QAction* item(const char* identifier) { return MenuLookup::item(menu(), QString::fromLatin1(identifier)); }
    std::vector<JobRowView*> jobRows() {
        std::vector<JobRowView*> rows;
        for (QAction* action : menu().actions()) {
            if (auto* row = qobject_cast<QWidgetAction*>(action)) {
                if (auto* view = qobject_cast<JobRowView*>(row->defaultWidget())) rows.push_back(view);
            }
        }
        return rows;
    }
    // The names on the visible job rows, in the menu's order.
    std::vector<std::string> shownJobs() {
        std::vector<std::string> names;
        for (JobRowView* row : jobRows())
            if (row->action()->isVisible()) names.push_back(row->content().name);
        return names;
    }
    // The visible rows' titles; row views by class.
    std::vector<std::string> visibleRows() {
        std::vector<std::string> out;
        for (QAction* action : menu().actions()) {
            if (!action->isVisible()) continue;
            if (auto* row = qobject_cast<QWidgetAction*>(action))
                out.push_back(row->defaultWidget()->metaObject()->className());
            else
                out.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        }
        return out;
    }
    void trigger(const char* identifier, QMenu* in = nullptr) {
        QAction* action = MenuLookup::item(in ? *in : menu(), QString::fromLatin1(identifier));
        ASSERT_NE(action, nullptr) << identifier;
        action->trigger();
        settle();
    }
    std::vector<std::string> posted(const std::string& target) {
        std::vector<std::string> bodies;
        for (const auto& r : h.agent->requests())
            if (r.method == "POST" && r.target == target) bodies.push_back(r.body);
        return bodies;
    }

    Harness h;
    std::unique_ptr<StatusItemController> controller;
    bool alt = false;
    bool metrics = false;
    AlertRequest::Answer answer;
    std::vector<AlertRequest> asked;
    int terminated = 0;
    int firstRunOpened = 0;
    std::vector<std::string> settingsOpened;
    std::vector<std::string> printed;
};

TEST_F(StatusMenuTest, AgentMenuHasItsRowsIdentifiersAndShortcuts) {
    makeController();
    EXPECT_EQ(visibleRows(), (std::vector<std::string>{"quillmarsh::JobRowView", "quillmarsh::JobRowView", "-",
                                                        "Open Dashboard", "-", "Pause", "Settings\u2026", "-",
                                                        "Quit Quillmarsh"}));
    for (const char* id : {"option-info", "pause", "stop-jobs", "settings", "diagnostics"})
        EXPECT_NE(item(id), nullptr) << id;
    EXPECT_EQ(item("pause-0"), nullptr);  // only in the submenu
    ASSERT_NE(item("pause")->menu(), nullptr);
    EXPECT_NE(MenuLookup::item(*item("pause")->menu(), u"pause-0"), nullptr);
    EXPECT_EQ(item("settings")->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));
    EXPECT_EQ(item("diagnostics")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+,")));
    EXPECT_FALSE(item("option-info")->isEnabled());

    // The icon shows the agent's state: two jobs run.
    EXPECT_EQ(controller->icon().look, IconLook::running);
    EXPECT_EQ(controller->statusItem()->toolTip().toStdString(), controller->icon().tooltip);
    EXPECT_FALSE(controller->statusItem()->icon().isNull());
}

TEST_F(StatusMenuTest, NoAgentGivesTheSetUpMenuAndTheIconSaysWhetherThisMacIsRegistered) {
    h.agent->route("GET", "/status", Reply::error(503, "starting", "The agent is starting."));
    refresh();
    ASSERT_FALSE(h.model->agentAvailable());
    makeController();
    EXPECT_EQ(visibleRows(), (std::vector<std::string>{"Set Up This Mac\u2026", "Set Up in Terminal\u2026", "-",
                                                        "How It Works", "Quit Quillmarsh"}));
    EXPECT_EQ(controller->icon(), MenuIcon::notSetUp());

    std::ofstream(h.agent->home() + "/agent.json") << "{}";  // registered, agent down
    controller->render();
    EXPECT_EQ(controller->icon().look, IconLook::needsAttention);
    EXPECT_EQ(controller->icon().tooltip, "Agent not running");
    EXPECT_NE(item("set-up"), nullptr);

    trigger("set-up-terminal");
    EXPECT_EQ(firstRunOpened, 1);
    trigger("set-up");
    ASSERT_FALSE(h.opener->opened.empty());
    EXPECT_EQ(h.opener->opened.back(), MenuModel::setupURL);
}

TEST_F(StatusMenuTest, JobRowsUpdateInPlaceAndAFinishedJobRebuilds) {
    h.agent->route("GET", "/jobs", Reply::json(jobsAnswer(runningJob("a", "one", 60) + "," + runningJob("b", "two", 60))));
    refresh();
    makeController();
    const auto before = jobRows();
    ASSERT_EQ(before.size(), 2u);
    QAction* pauseBefore = item("pause");
    EXPECT_EQ(before[0]->content().time, "9 min left");

    h.agent->route("GET", "/jobs", Reply::json(jobsAnswer(runningJob("a", "one renamed", 300) + "," +
                                                          runningJob("b", "two", 590))));
    refresh();
    ASSERT_EQ(jobRows(), before);  // the same views, not rebuilt
    EXPECT_EQ(item("pause"), pauseBefore);
    EXPECT_EQ(before[0]->content().name, "one renamed");
    EXPECT_EQ(before[0]->content().time, "5 min left");
    EXPECT_EQ(before[1]->content().time, "almost done");

    h.agent->route("GET", "/jobs", Reply::json(jobsAnswer(runningJob("b", "two", 595))));
    refresh();
    ASSERT_EQ(jobRows().size(), 1u);
    EXPECT_EQ(jobRows()[0]->content().name, "two");
    // The rows of the old menu went with it.
    EXPECT_EQ(menu().findChildren<JobRowView*>().size(), 1);
}

TEST_F(StatusMenuTest, TwoJobsWithTheSameIdEachKeepTheirOwnRow) {
    h.agent->route("GET", "/jobs", Reply::json(jobsAnswer(runningJob("", "same", 60) + "," + runningJob("", "same", 60))));
    refresh();
    makeController();
    h.agent->route("GET", "/jobs", Reply::json(jobsAnswer(runningJob("", "same", 60) + "," + runningJob("", "same", 400))));
    refresh();
    ASSERT_EQ(jobRows().size(), 2u);
    EXPECT_EQ(jobRows()[0]->content().time, "9 min left");
    EXPECT_EQ(jobRows()[1]->content().time, "3 min left");
}

TEST_F(StatusMenuTest, AltSwapsTheAlternatesWhileTheMenuStaysOpen) {
    makeController();
    controller->popUp();
    settle();
    ASSERT_TRUE(menu().isVisible());
    EXPECT_TRUE(controller->isMenuOpen());
    EXPECT_FALSE(item("option-info")->isVisible());

    QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QApplication::sendEvent(&menu(), &press);
    settle();
    EXPECT_TRUE(menu().isVisible());  // Alt did not close it
    EXPECT_TRUE(item("option-info")->isVisible());
    EXPECT_TRUE(item("stop-jobs")->isVisible());
    EXPECT_FALSE(item("pause")->isVisible());
    EXPECT_TRUE(item("diagnostics")->isVisible());
    EXPECT_FALSE(item("settings")->isVisible());
    auto* info = qobject_cast<AgentInfoRowView*>(static_cast<QWidgetAction*>(item("option-info"))->defaultWidget());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->line(0).left(12), QStringLiteral("Agent 0.1.42"));

    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QApplication::sendEvent(&menu(), &release);
    settle();
    EXPECT_TRUE(menu().isVisible());
    EXPECT_TRUE(item("settings")->isVisible());
    EXPECT_FALSE(item("diagnostics")->isVisible());

    // The 0.1 s poll reads the keyboard too.
    alt = true;
    h.clock->fire(0.1);
    EXPECT_TRUE(item("diagnostics")->isVisible());

    // The 2 s timer refreshes while the menu is open; both timers stop when it closes.
    const auto statusReads = h.count("GET /status");
    h.clock->fire(2.0);
    h.drain();
    EXPECT_GT(h.count("GET /status"), statusReads);
    menu().hide();
    settle();
    EXPECT_FALSE(controller->isMenuOpen());
    EXPECT_EQ(h.clock->timers(0.1), 0u);
    EXPECT_EQ(h.clock->timers(2.0), 0u);
    EXPECT_FALSE(item("option-info")->isVisible());
}

TEST_F(StatusMenuTest, AForcedOptionLayerKeepsTheAgentRowAfterClosing) {
    makeController();
    controller->forceOptionLayer();
    EXPECT_TRUE(item("option-info")->isVisible());
    controller->popUp();
    settle();
    menu().hide();
    settle();
    EXPECT_TRUE(item("option-info")->isVisible());
    EXPECT_TRUE(controller->optionShown());
}

TEST_F(StatusMenuTest, ActionsReachTheModelTheWindowsAndTheClipboard) {
    makeController();
    trigger("settings");
    trigger("diagnostics");
    EXPECT_EQ(settingsOpened, (std::vector<std::string>{"(none)"}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("quillmarsh doctor"));

    trigger("pause-3", item("pause")->menu());
    h.drain();
    ASSERT_EQ(posted("/policy").size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(posted("/policy")[0]), (nlohmann::json{{"paused", true}, {"paused_until", ""}}));

    controller->resumeJobs();
    h.drain();
    ASSERT_EQ(posted("/policy").size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(posted("/policy")[1]), (nlohmann::json{{"paused", false}}));

    // Stopping asks first; only the confirming button stops.
    answer = {false, false};
    trigger("stop-jobs");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Stop 2 running jobs on this Mac?");
    EXPECT_EQ(asked[0].style, AlertRequest::Style::warning);
    answer = {true, false};
    trigger("stop-jobs");
    h.drain();
    EXPECT_EQ(posted("/jobs/stop"), (std::vector<std::string>{"{}"}));
}

TEST_F(StatusMenuTest, AClickOnAJobRowClosesTheMenuAndOpensItsJobsOnce) {
    makeController();
    controller->popUp();
    settle();
    JobRowView* row = jobRows().at(0);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(40, 10), row->mapToGlobal(QPointF(40, 10)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(row, &release);
    settle();
    EXPECT_FALSE(menu().isVisible());
    ASSERT_EQ(h.opener->opened.size(), 1u);
    EXPECT_NE(h.opener->opened[0].find("repository=acme-robotics%2Fios-app"), std::string::npos) << h.opener->opened[0];
}

TEST_F(StatusMenuTest, AJobEndingUnderThePointerLeavesTheMenuOpenWithItsNewRows) {
    h.agent->route("GET", "/jobs", Reply::json(jobsAnswer(runningJob("a", "one", 60) + "," + runningJob("b", "two", 60))));
    refresh();
    makeController();
    controller->popUp();
    settle();
    ASSERT_TRUE(menu().isVisible());
    JobRowView* ending = jobRows().at(0);
    JobRowView* staying = jobRows().at(1);
    QAction* pause = item("pause");
    // The pointer comes to rest on the row, which makes it the menu's current row.
    for (int x = 40; x <= 120; x += 10) QTest::mouseMove(ending, QPoint(x, ending->height() / 2));
    menu().setActiveAction(ending->action());
    settle();
    ASSERT_EQ(menu().activeAction(), ending->action());

    h.agent->route("GET", "/jobs", Reply::json(jobsAnswer(runningJob("b", "two", 300) + "," + runningJob("c", "three", 5))));
    refresh();
    EXPECT_TRUE(menu().isVisible());
    EXPECT_TRUE(controller->isMenuOpen());
    EXPECT_EQ(shownJobs(), (std::vector<std::string>{"two", "three"}));
    EXPECT_EQ(staying->content().time, "5 min left");  // the row that stays is updated in place
    EXPECT_TRUE(staying->action()->isVisible());
    EXPECT_EQ(item("pause"), pause);
    EXPECT_EQ(visibleRows(), (std::vector<std::string>{"quillmarsh::JobRowView", "quillmarsh::JobRowView", "-",
                                                        "Open Dashboard", "-", "Pause", "Settings\u2026", "-",
                                                        "Quit Quillmarsh"}));

    // Once the menu has closed, the ended job's row is gone.
    menu().hide();
    settle();
    EXPECT_EQ(menu().findChildren<JobRowView*>().size(), 2);
    EXPECT_EQ(shownJobs(), (std::vector<std::string>{"two", "three"}));
}

TEST_F(StatusMenuTest, TheShortcutsTheMenuShowsActWhileItIsOpen) {
    makeController();
    QGuiApplication::clipboard()->clear();
    const std::string dashboard = h.model->machineURL().value().toString().toStdString();
    struct Case {
        const char* keys;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::function<bool()> done;
    };
    const std::vector<Case> cases = {
        {"Ctrl+D", Qt::Key_D, Qt::ControlModifier, [&] { return h.opener->opened == std::vector<std::string>{dashboard}; }},
        {"Ctrl+,", Qt::Key_Comma, Qt::ControlModifier, [&] { return settingsOpened == std::vector<std::string>{"(none)"}; }},
        {"Ctrl+Alt+,", Qt::Key_Comma, Qt::ControlModifier | Qt::AltModifier,
         [&] { return QGuiApplication::clipboard()->text() == QStringLiteral("quillmarsh doctor"); }},
        {"Ctrl+Q", Qt::Key_Q, Qt::ControlModifier,
         [&] { return asked.size() == 1 && asked[0].title == "Jobs keep running on this Mac"; }},
    };
    for (const Case& c : cases) {
        controller->popUp();
        settle();
        ASSERT_TRUE(menu().isVisible()) << c.keys;
        QTest::keyClick(&menu(), c.key, c.modifiers);
        settle();
        EXPECT_TRUE(c.done()) << c.keys;
        EXPECT_FALSE(menu().isVisible()) << c.keys;
        menu().hide();
        settle();
    }
    // Each acted once: Ctrl+, did not also copy, Ctrl+Alt+, did not also open the settings.
    EXPECT_EQ(settingsOpened.size(), 1u);
    EXPECT_EQ(h.opener->opened.size(), 1u);
}

// Whether the row's own drawing (it and its labels, on nothing) shows the menu's highlight.
bool drawnHighlighted(QWidget& row) {
    QImage image(row.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    row.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor highlight = row.palette().color(QPalette::Highlight);
    int filled = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() > 150 && std::abs(pixel.red() - highlight.red()) < 12 &&
                std::abs(pixel.green() - highlight.green()) < 12 && std::abs(pixel.blue() - highlight.blue()) < 12)
                ++filled;
        }
    return filled > image.width() * image.height() / 3;
}

TEST_F(StatusMenuTest, TheJobRowChosenWithTheArrowKeysIsDrawnHighlighted) {
    makeController();
    QCursor::setPos(0, 0);  // the pointer away from the menu, which opens at the top right
    controller->popUp();
    settle();
    const auto rows = jobRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(drawnHighlighted(*rows[0]));

    struct Step {
        Qt::Key key;
        std::vector<bool> highlighted;  // per job row
    };
    const std::vector<Step> steps = {
        {Qt::Key_Down, {true, false}},
        {Qt::Key_Down, {false, true}},
        {Qt::Key_Down, {false, false}},  // on to "Open Dashboard"
        {Qt::Key_Up, {false, true}},
    };
    for (std::size_t s = 0; s < steps.size(); ++s) {
        QTest::keyClick(&menu(), steps[s].key);
        settle();
        for (std::size_t r = 0; r < rows.size(); ++r) {
            EXPECT_EQ(drawnHighlighted(*rows[r]), steps[s].highlighted[r]) << "step " << s << ", row " << r;
            EXPECT_EQ(rows[r]->isHighlighted(), steps[s].highlighted[r]) << "step " << s << ", row " << r;
        }
    }
    EXPECT_EQ(rows[1]->palette().color(QPalette::WindowText), rows[1]->palette().color(QPalette::HighlightedText));

    QTest::keyClick(&menu(), Qt::Key_Return);
    settle();
    EXPECT_FALSE(menu().isVisible());
    ASSERT_EQ(h.opener->opened.size(), 1u);
    EXPECT_FALSE(rows[1]->isHighlighted());
}

TEST_F(StatusMenuTest, QuitAsksWhileTheAgentRunsAndRemembersDontShowAgainEvenOnCancel) {
    makeController();
    answer = {false, true};  // Cancel, with the box ticked
    controller->quit();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Jobs keep running on this Mac");
    EXPECT_EQ(asked[0].suppression, "Don't Show Again");
    EXPECT_EQ(terminated, 0);
    EXPECT_TRUE(h.defaults.boolValue(QStringLiteral("menu.quitSheetSuppressed")));

    controller->quit();  // no second question
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(terminated, 1);
}

TEST_F(StatusMenuTest, UpdateRowFollowsTheUpdaterAndRefreshesItsTooltip) {
    makeController();
    h.updater.onChange(UpdateState::ready("2.0.0"));
    settle();
    QAction* row = item("update");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(), QStringLiteral("Update available (2.0.0)"));
    EXPECT_EQ(row->toolTip(), QStringLiteral("Installs Quillmarsh for Mac 2.0.0 and relaunches it. Jobs are not affected."));

    h.updater.onChange(UpdateState::manual("2.0.0", "This copy is read-only."));
    settle();
    ASSERT_EQ(item("update"), row);  // same structure, the row stays
    EXPECT_EQ(row->toolTip(), QStringLiteral("This copy is read-only. Opens the download."));
    row->trigger();
    settle();
    EXPECT_EQ(h.updater.installs, 0);  // the model opens the download instead
    EXPECT_EQ(h.opener->opened.size(), 1u);

    h.updater.onChange(UpdateState::installing("2.0.0"));
    settle();
    ASSERT_NE(item("update"), nullptr);
    EXPECT_EQ(item("update")->text(), QStringLiteral("Updating\u2026"));
    EXPECT_FALSE(item("update")->isEnabled());
}

TEST_F(StatusMenuTest, TheItemFollowsShowInMenuBar) {
    makeController();
    EXPECT_TRUE(controller->statusItem()->isVisible());
    h.model->setShowInMenuBar(false);
    settle();
    EXPECT_FALSE(controller->statusItem()->isVisible());
    h.model->setShowInMenuBar(true);
    settle();
    EXPECT_TRUE(controller->statusItem()->isVisible());
}

TEST_F(StatusMenuTest, AgentTextIsNeverMarkupOrAMnemonic) {
    h.agent->route("GET", "/jobs", Reply::json(jobsAnswer(runningJob("x", "<b>R&D</b>\\tbuild", 60))));
    refresh();
    makeController();
    ASSERT_EQ(jobRows().size(), 1u);
    JobRowView* row = jobRows()[0];
    EXPECT_EQ(row->content().name, "<b>R&D</b>\tbuild");
    QAction* action = menu().actions().at(1);
    EXPECT_EQ(action->text(), QStringLiteral("<b>R&&D</b> build site"));
    QTextDocument shown;
    shown.setHtml(row->toolTip());
    EXPECT_EQ(shown.toPlainText(), QStringLiteral("<b>R&D</b> build site"));  // shown literally, blanks folded
}

TEST_F(StatusMenuTest, MetricsDescribeTheOpenMenu) {
    makeController();
    EXPECT_EQ(MenuMetrics::lines(menu()), (std::vector<std::string>{"METRICS no window"}));
    controller->popUp();
    settle();
    const auto lines = MenuMetrics::lines(menu());
    ASSERT_GE(lines.size(), 4u);
    const QSize size = menu().frameGeometry().size();
    EXPECT_EQ(lines[0], "METRICS window (" + std::to_string(size.width()) + ".0, " + std::to_string(size.height()) + ".0)");
    EXPECT_EQ(lines[1], "METRICS  QMenu (0.0, 0.0, " + std::to_string(menu().width()) + ".0, " +
                            std::to_string(menu().height()) + ".0) ");
    auto has = [&](const std::string& start) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    };
    EXPECT_TRUE(has("METRICS   quillmarsh::JobRowView ("));
    EXPECT_TRUE(has("METRICS    quillmarsh::RingView ("));
    EXPECT_TRUE(has("METRICS    quillmarsh::ElidedLabel ("));
    const auto name = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("text=test (iPhone 16) ios-app align=(") != std::string::npos;
    });
    EXPECT_NE(name, lines.end());  // the first 24 characters of the name label
    const QRect settings = menu().actionGeometry(item("settings"));
    EXPECT_TRUE(has("METRICS   QAction (" + std::to_string(settings.x()) + ".0, " + std::to_string(settings.y()) +
                    ".0, " + std::to_string(settings.width()) + ".0, " + std::to_string(settings.height()) +
                    ".0) title=Settings\u2026"));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("METRICS   QAction (", 0) == 0 && l.size() > 10 && l.substr(l.size() - 10) == " separator";
    }));
    // Hidden rows are left out: the information row and the alternates.
    EXPECT_FALSE(has("METRICS   quillmarsh::AgentInfoRowView"));
    for (const auto& line : lines) EXPECT_EQ(line.find("Copy Diagnostics"), std::string::npos);
}

TEST_F(StatusMenuTest, MenuMetricsModePrintsOnceOpenAndEnds) {
    metrics = true;
    makeController();
    controller->statusItem()->performClick();
    ASSERT_TRUE(spinUntil([&] { return terminated > 0; }));
    ASSERT_GE(printed.size(), 3u);
    EXPECT_EQ(printed[0].rfind("METRICS window (", 0), 0u);
    EXPECT_EQ(printed[1].rfind("METRICS  QMenu (0.0, 0.0, ", 0), 0u);
    EXPECT_FALSE(menu().isVisible());
}

TEST(MenuMetricsTest, NumbersKeepAFraction) {
    EXPECT_EQ(MenuMetrics::number(300), "300.0");
    EXPECT_EQ(MenuMetrics::number(21.5), "21.5");
    EXPECT_EQ(MenuMetrics::number(0), "0.0");
    EXPECT_EQ(MenuMetrics::number(-4), "-4.0");
    EXPECT_EQ(MenuMetrics::rect(QRectF(0, 1.5, 300, 24)), "(0.0, 1.5, 300.0, 24.0)");
}

} // namespace
} // namespace quillmarsh
