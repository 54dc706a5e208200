// The settings window's controller against the real model on a real fake agent: the restored
// pane, the selection followed into the defaults and the model, showing and closing, the frame
// kept only in the user's own settings, and the window's sizes.
#include "MenuBar/Model/AppModelHarness.h"
#include "Model/SettingsDefaults.h"
#include "Settings/AppWindowController.h"
#include "Settings/Kit/PageView.h"
#include "Settings/Kit/Pane.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/PaneColumn.h"
#include "Settings/PaneSelection.h"
#include "Settings/Rendering.h"
#include "Settings/Rows/LogArea.h"
#include "Settings/Rows/LogTextView.h"
#include "Settings/SettingsWindow.h"
#include "Settings/SidebarView.h"
#include "Support/TempFolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace quillmarsh {
namespace {

using namespace test;

const QString paneKey = QString::fromLatin1(AppWindowController::paneKey);
const QString frameKey = QString::fromLatin1(AppWindowController::frameKey);
// A job of the sample answers (its steps and log are samples too).
const std::string jobId = "31880421907";

JobRow row(const std::string& id) {
    JobRow r;
    r.id = id;
    return r;
}

class AppWindowControllerTest : public ::testing::Test {
protected:
    AppWindowControllerTest() {
        // A tray app lives on without windows; closing the settings window must not end it.
        QGuiApplication::setQuitOnLastWindowClosed(false);
        serveSamples(*h.agent);
    }
    ~AppWindowControllerTest() override {
        controller.reset();
        h.drain();
    }

    AppWindowController& make(Defaults& defaults) {
        controller = std::make_unique<AppWindowController>(*h.model, defaults);
        return *controller;
    }
    AppWindowController& make() { return make(h.defaults); }
    QString stored() const { return h.defaults.value(paneKey).toString(); }

    Harness h;
    std::unique_ptr<AppWindowController> controller;
};

TEST_F(AppWindowControllerTest, TheWindowKeepsItsMinimumAndTheSidebarItsWidthAtEveryWidth) {
    SettingsWindow& window = make().window();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quillmarsh"));
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.size(), QSize(900, 640));
    EXPECT_EQ(window.minimumSize(), QSize(760, 520));
    EXPECT_FALSE(window.isVisible()) << "building the window does not show it";

    window.resize(500, 300);
    EXPECT_EQ(window.size(), QSize(760, 520));

    for (int width : {760, 761, 900, 1400}) {
        window.resize(width, 640);
        Rendering::layOut(window);
        SCOPED_TRACE(width);
        EXPECT_EQ(window.sidebar().geometry(), QRect(0, 0, 230, 640));
        EXPECT_EQ(window.column().geometry(), QRect(230, 0, width - 230, 640));
        EXPECT_GE(window.column().width(), PaneColumn::minimumWidth);
        EXPECT_EQ(window.divider().geometry(), QRect(230, 0, 1, 640));
    }
}

TEST_F(AppWindowControllerTest, TheStoredPaneRestoresThePaneOfExactlyThatTitle) {
    struct Case {
        const char* name;
        std::optional<QVariant> stored;
        AppPane restored;
    };
    std::vector<Case> cases = {
        {"first launch", std::nullopt, AppPane::general},
        {"This Mac", QVariant(QStringLiteral("This Mac")), AppPane::thisMac},
        {"About", QVariant(QStringLiteral("About")), AppPane::about},
        {"Caches", QVariant(QStringLiteral("Caches")), AppPane::caches},
        {"lower case", QVariant(QStringLiteral("this mac")), AppPane::general},
        {"a trailing blank", QVariant(QStringLiteral("About ")), AppPane::general},
        {"other text", QVariant(QStringLiteral("Settings")), AppPane::general},
        {"empty", QVariant(QString()), AppPane::general},
        {"not a text", QVariant(3), AppPane::general},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDefaults defaults;
        if (c.stored) defaults.setValue(paneKey, *c.stored);
        const int writes = defaults.writes(paneKey);
        AppWindowController& built = make(defaults);
        EXPECT_EQ(built.selection().pane(), c.restored);
        EXPECT_EQ(built.window().column().pagePane(), c.restored);
        EXPECT_EQ(defaults.writes(paneKey), writes) << "restoring writes nothing";
        controller.reset();
    }
}

TEST_F(AppWindowControllerTest, SelectingStoresThePane) {
    AppWindowController& c = make();
    c.select(AppPane::thisMac);
    EXPECT_EQ(stored(), QStringLiteral("This Mac"));
    c.select(AppPane::about);
    EXPECT_EQ(stored(), QStringLiteral("About"));
    EXPECT_EQ(c.selection().pane(), AppPane::about);

    // Any write of the selection is stored, not only those through select().
    c.selection().setPane(AppPane::images);
    EXPECT_EQ(stored(), QStringLiteral("Images"));
}

TEST_F(AppWindowControllerTest, TheSamePaneKeepsAnOpenJobAndAnotherPaneClosesIt) {
    AppWindowController& c = make();
    c.show();
    c.selection().setOpened(row(jobId));
    c.selection().setJob(jobId);
    ASSERT_TRUE(h.model->detail());
    EXPECT_EQ(h.model->detail()->jobId, jobId);

    const int writes = h.defaults.writes(paneKey);
    c.select(AppPane::general);
    EXPECT_EQ(h.defaults.writes(paneKey), writes + 1) << "the same pane is stored again";
    EXPECT_EQ(c.selection().job(), jobId);
    EXPECT_TRUE(c.selection().opened());
    ASSERT_TRUE(h.model->detail());
    EXPECT_EQ(h.model->detail()->jobId, jobId);

    c.select(AppPane::thisMac);
    EXPECT_EQ(h.model->detail(), std::nullopt);
    EXPECT_EQ(c.selection().job(), std::nullopt);
    EXPECT_EQ(c.selection().opened(), std::nullopt);
    EXPECT_EQ(h.model->visiblePane(), AppPane::thisMac);

    // Clearing the job directly closes it in the model too.
    c.selection().setJob(jobId);
    ASSERT_TRUE(h.model->detail());
    c.selection().setJob(std::nullopt);
    EXPECT_EQ(h.model->detail(), std::nullopt);
}

// The Jobs pane in the window against the sample agent: a row opens its job's detail, which
// loads the job's steps and log; "Stop Job…" asks first and stops only on confirmation; back
// returns to the list and closes the job in the model.
TEST_F(AppWindowControllerTest, AJobRowOpensItsDetailWhereStoppingAsksFirstAndBackReturns) {
    h.agent->route("GET", "/jobs/" + jobId + "/steps", FakeAgent::Reply::json(sampleAnswer("jobs.31880421907.steps.json")));
    h.agent->route("GET", "/jobs/" + jobId + "/log", FakeAgent::Reply::json(sampleAnswer("jobs.31880421907.log.json")));
    h.refreshAndWait();
    AppWindowController& c = make();
    c.show();
    c.select(AppPane::jobs);
    h.drain();
    PaneColumn& column = c.window().column();
    column.render();
    QWidget* jobRow = column.page().rowWidget(jobId);
    ASSERT_NE(jobRow, nullptr);
    click(jobRow);
    EXPECT_EQ(c.selection().job(), jobId);
    ASSERT_TRUE(h.model->detail());
    h.drain();
    column.render();
    const PageView& detail = column.page();
    EXPECT_EQ(detail.page().title, "test (iPhone 16)");
    auto* log = qobject_cast<LogArea*>(detail.blockWidget("log"));
    ASSERT_NE(log, nullptr);
    EXPECT_NE(log->textView()->shown().find("Test Suite 'All tests' started"), std::string::npos);
    // The sample's coloured line reaches the screen without its terminal colour codes.
    EXPECT_TRUE(log->textView()->toPlainText().contains(QStringLiteral("Z git version 2.47.1\n")));
    EXPECT_FALSE(log->textView()->toPlainText().contains(QChar(0x1b)));

    PaneButton* stop = nullptr;
    for (auto* button : detail.accessory()->findChildren<PaneButton*>())
        if (button->title() == QStringLiteral("Stop Job\u2026")) stop = button;
    ASSERT_NE(stop, nullptr);
    click(stop);
    EXPECT_EQ(h.count("POST /jobs/stop"), 0u) << "nothing is sent before the confirmation";
    ASSERT_TRUE(spinUntil([&] { return detail.alertBox() != nullptr; }));
    detail.alertBox()->findChild<PaneButton*>(QStringLiteral("alert.confirm"))->click();
    h.drain();
    EXPECT_EQ(h.count("POST /jobs/stop"), 1u);

    detail.pane()->backButton()->click();
    EXPECT_EQ(c.selection().job(), std::nullopt);
    EXPECT_EQ(h.model->detail(), std::nullopt);
    EXPECT_EQ(column.page().page().title, "Jobs");
}

TEST_F(AppWindowControllerTest, ShowingAndClosingTellTheModelWhichPaneIsOnScreen) {
    AppWindowController& c = make();
    c.select(AppPane::about);
    EXPECT_EQ(stored(), QStringLiteral("About"));
    EXPECT_EQ(h.model->visiblePane(), std::nullopt) << "a hidden window shows no pane";
    EXPECT_FALSE(h.model->windowOpened());

    c.show();
    EXPECT_TRUE(c.window().isVisible());
    EXPECT_TRUE(h.model->windowOpened());
    if (const QScreen* screen = c.window().screen()) {
        EXPECT_EQ(c.window().geometry().center(), screen->availableGeometry().center()) << "centred";
    }
    EXPECT_EQ(h.model->visiblePane(), AppPane::about);
    c.select(AppPane::thisMac);
    EXPECT_EQ(h.model->visiblePane(), AppPane::thisMac);

    SettingsWindow* window = &c.window();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(&c.window(), window) << "the window is kept";
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(h.model->visiblePane(), std::nullopt);
    EXPECT_TRUE(h.model->windowOpened()) << "never set back";
    EXPECT_EQ(c.selection().pane(), AppPane::thisMac) << "closing leaves the selection alone";

    c.select(AppPane::general);
    EXPECT_EQ(stored(), QStringLiteral("General"));
    EXPECT_EQ(h.model->visiblePane(), std::nullopt);
    c.show();
    EXPECT_EQ(h.model->visiblePane(), AppPane::general);
}

TEST_F(AppWindowControllerTest, ShowingAgainOpensTheSelectedJobAgain) {
    AppWindowController& c = make();
    c.show();
    c.selection().setJob(jobId);
    ASSERT_TRUE(h.model->detail());

    c.window().close();
    EXPECT_EQ(h.model->detail(), std::nullopt) << "a closed window holds no job detail";
    EXPECT_EQ(c.selection().job(), jobId);

    c.show();
    ASSERT_TRUE(h.model->detail());
    EXPECT_EQ(h.model->detail()->jobId, jobId);
    // The detail loads, it does not wait forever.
    EXPECT_TRUE(spinUntil([&] { return h.model->detail() && h.model->detail()->logLoaded; }));
}

TEST_F(AppWindowControllerTest, NoControlHasTheFocusOnceTheWindowIsShown) {
    AppWindowController& c = make();
    // A control that would otherwise take the focus when the window becomes active.
    auto* field = new QLineEdit(&c.window().sidebar());
    c.show();
    ASSERT_TRUE(spinUntil([&] { return c.window().isActiveWindow(); }));
    QCoreApplication::processEvents();
    const QWidget* focus = QApplication::focusWidget();
    EXPECT_NE(focus, field);
    EXPECT_TRUE(focus == nullptr || focus == &c.window()) << "the window itself, no control in it";

    // The sidebar gives the focus up again whenever the window becomes active.
    field->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), field);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(spinUntil([&] { return other.isActiveWindow(); }));
    c.window().activateWindow();
    ASSERT_TRUE(spinUntil([&] { return c.window().isActiveWindow(); }));
    QCoreApplication::processEvents();
    EXPECT_NE(QApplication::focusWidget(), field);
}

// The user's own settings, in a folder of the test's: QSettings() reads the organisation's and
// application's file under the path set for the user scope.
class WindowFrameTest : public AppWindowControllerTest {
protected:
    WindowFrameTest() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(folder.string()));
        organisation = QCoreApplication::organizationName();
        application = QCoreApplication::applicationName();
        QCoreApplication::setOrganizationName(QStringLiteral("QuillmarshTests"));
        QCoreApplication::setApplicationName(QStringLiteral("WindowFrame"));
    }
    ~WindowFrameTest() override {
        controller.reset();
        QCoreApplication::setOrganizationName(organisation);
        QCoreApplication::setApplicationName(application);
    }

    // Shows the window and resizes it as the user would; returns once the window has the size.
    void showAndResize(AppWindowController& c, QSize size) {
        c.show();
        c.window().resize(size);
        ASSERT_TRUE(spinUntil([&] { return c.window().size() == size; }));
        QCoreApplication::processEvents();
    }

    TempFolder folder;
    QString organisation;
    QString application;
};

TEST_F(WindowFrameTest, OnlyTheUsersOwnSettingsKeepTheFrame) {
    EXPECT_TRUE(SettingsDefaults().isStandard());
    EXPECT_FALSE(SettingsDefaults(QString::fromStdString((folder / "other.ini").string())).isStandard());
    EXPECT_FALSE(MemoryDefaults().isStandard());

    {
        SettingsDefaults standard;
        showAndResize(make(standard), QSize(1000, 700));
        EXPECT_FALSE(standard.value(frameKey).toByteArray().isEmpty());
        controller->window().close();
        controller.reset();
    }
    SettingsDefaults standard;
    EXPECT_EQ(make(standard).window().size(), QSize(1000, 700)) << "the next window starts where the last one was";
    controller.reset();

    // Other settings neither restore nor write the frame.
    SettingsDefaults file(QString::fromStdString((folder / "other.ini").string()));
    const QByteArray saved = standard.value(frameKey).toByteArray();
    file.setValue(frameKey, saved);
    showAndResize(make(file), QSize(800, 600));
    EXPECT_EQ(file.value(frameKey).toByteArray(), saved);
    controller->window().close();
    controller.reset();

    MemoryDefaults memory;
    AppWindowController& c = make(memory);
    EXPECT_EQ(c.window().size(), QSize(900, 640));
    showAndResize(c, QSize(820, 610));
    c.window().close();
    EXPECT_EQ(memory.writes(frameKey), 0);
    EXPECT_EQ(SettingsDefaults().value(frameKey).toByteArray(), saved) << "the user's frame is untouched";
}

} // namespace
} // namespace quillmarsh
