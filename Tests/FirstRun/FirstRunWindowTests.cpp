// The first-run window on offscreen: what its page says for a login and the copied flag, the
// Terminal block following the login field, Return running the set-up, the window's size, and its
// controller closing it once the fake agent answers.
#include "FirstRun/FirstRunPage.h"
#include "FirstRun/FirstRunWindow.h"
#include "FirstRun/FirstRunWindowController.h"
#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Kit/Card.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/PaneSection.h"
#include "Settings/Kit/Row.h"
#include "Settings/Kit/SymbolView.h"
#include "Settings/Kit/TextField.h"
#include "Settings/Kit/ToneLabel.h"
#include "Settings/Rendering.h"
#include "Words/MenuModel.h"

#include <QApplication>
#include <QClipboard>
#include <QLayout>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quillmarsh {
namespace {

using namespace test;

const std::string octocatCommand = "npx quillmarsh runner add --org octocat --yes";

std::vector<LocalChecks::Check> sampleChecks() {
    return {{"Apple silicon", "Intel", false},
            {"macOS", "Debian GNU/Linux 12", false},
            {"Xcode", "Not installed", false},
            {"Free space", "412 GB", true}};
}

TEST(FirstRunPage, TheTerminalBlockFollowsTheLoginAndTheCopiedFlag) {
    struct Case {
        std::string login;
        bool copied;
        std::string command;
        bool ready;
        std::string copyTitle;
    };
    const std::string placeholder(MenuModel::setupCommandPlaceholder);
    const std::vector<Case> cases = {
        {"", false, placeholder, false, "Copy"},
        {"-octocat", false, placeholder, false, "Copy"},
        {"octocat", false, octocatCommand, true, "Copy"},
        {"  octocat ", true, octocatCommand, true, "Copied"},
    };
    for (const Case& c : cases) {
        const FirstRunPage page = FirstRunPage::describe({}, false, c.login, c.copied);
        EXPECT_EQ(page.command, c.command) << c.login;
        EXPECT_EQ(page.commandReady, c.ready) << c.login;
        EXPECT_EQ(page.copyEnabled, c.ready) << c.login;
        EXPECT_EQ(page.copyTitle, c.copyTitle) << c.login;
    }
}

TEST(FirstRunPage, ChecksCarryTheirMarkNamesAndOnlyALaptopGetsTheFooter) {
    const FirstRunPage desktop = FirstRunPage::describe(sampleChecks(), false, "", false);
    ASSERT_EQ(desktop.checks.size(), 4u);
    EXPECT_EQ(desktop.checks[0], (FirstRunPage::CheckRow{"Apple silicon", "Intel", false, "Not ready"}));
    EXPECT_EQ(desktop.checks[3], (FirstRunPage::CheckRow{"Free space", "412 GB", true, "Ready"}));
    EXPECT_EQ(desktop.thisMacFooter, "");
    EXPECT_EQ(FirstRunPage::describe(sampleChecks(), true, "", false).thisMacFooter, MenuModel::firstRunLaptopLine);
}

class FirstRunWindowTest : public ::testing::Test {
protected:
    FirstRunWindowTest() { QGuiApplication::setQuitOnLastWindowClosed(false); }
    ~FirstRunWindowTest() override {
        controller.reset();
        h.drain();
    }

    FirstRunWindowController& make(const QString& login = {}, bool laptop = false,
                                   std::vector<LocalChecks::Check> checks = sampleChecks()) {
        controller = std::make_unique<FirstRunWindowController>(*h.model, checks, laptop, login);
        return *controller;
    }
    FirstRunWindow& window() { return controller->window(); }
    QString command() { return window().commandLabel().text(); }

    Harness h;
    std::unique_ptr<FirstRunWindowController> controller;
};

TEST_F(FirstRunWindowTest, TheWindowShowsTheChecksItWasBuiltWithAndFitsItsContent) {
    make({}, true);
    FirstRunWindow& w = window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Set Up Quillmarsh"));
    EXPECT_FALSE(w.isVisible()) << "building the window does not show it";
    EXPECT_EQ(w.width(), 520);
    EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "the window cannot be resized";
    EXPECT_GE(w.height(), 200);
    EXPECT_EQ(w.height(), w.layout()->totalHeightForWidth(520));

    const auto& rows = w.thisMac().card()->rows();
    ASSERT_EQ(rows.size(), 4u);
    const char* titles[] = {"Apple silicon", "macOS", "Xcode", "Free space"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* row = static_cast<Row*>(rows[i]);
        EXPECT_EQ(row->titleLabel()->text(), QString::fromLatin1(titles[i]));
        const auto* mark = row->findChild<SymbolView*>(QStringLiteral("mark"));
        ASSERT_NE(mark, nullptr);
        const bool ok = i == 3;
        EXPECT_EQ(mark->accessibleName(), ok ? QStringLiteral("Ready") : QStringLiteral("Not ready"));
        EXPECT_EQ(mark->tint(), ok ? SymbolView::Tint::good : SymbolView::Tint::red);
    }
    EXPECT_EQ(w.thisMac().footerLabel()->text(), QString::fromUtf8(MenuModel::firstRunLaptopLine.data()));
    EXPECT_TRUE(w.thisMac().footer()->isVisibleTo(&w));

    make({}, false);
    EXPECT_FALSE(window().thisMac().footer()->isVisibleTo(&window())) << "a desktop has no footer under This Mac";

    // Many rows make the window as tall as they need; a short content keeps the 200 minimum.
    make({}, false, std::vector<LocalChecks::Check>(20, LocalChecks::Check{"Xcode", "15.4", true}));
    EXPECT_GT(window().height(), 600);
    EXPECT_EQ(window().height(), window().layout()->totalHeightForWidth(520));
}

TEST_F(FirstRunWindowTest, TheCommandAndCopyFollowTheLoginField) {
    make();
    FirstRunWindow& w = window();
    EXPECT_EQ(command(), QString::fromUtf8(MenuModel::setupCommandPlaceholder.data()));
    EXPECT_EQ(w.commandLabel().tone(), ToneLabel::Tone::tertiary);
    EXPECT_FALSE(w.copyButton().isEnabled());
    EXPECT_TRUE(w.commandLabel().textInteractionFlags() & Qt::TextSelectableByMouse);

    QApplication::clipboard()->setText(QStringLiteral("what was there before"));
    w.copyCommand();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("what was there before")) << "no command, no copy";

    QTest::keyClicks(&w.loginField(), QStringLiteral("octocat"));
    EXPECT_EQ(command().toStdString(), octocatCommand);
    EXPECT_EQ(w.commandLabel().tone(), ToneLabel::Tone::primary);
    ASSERT_TRUE(w.copyButton().isEnabled());
    EXPECT_EQ(w.copyButton().title(), QStringLiteral("Copy"));

    w.copyButton().click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), octocatCommand);
    EXPECT_EQ(QApplication::clipboard()->mimeData()->formats(), QStringList{QStringLiteral("text/plain")});
    EXPECT_EQ(w.copyButton().title(), QStringLiteral("Copied"));

    QTest::keyClick(&w.loginField(), Qt::Key_Backspace);
    EXPECT_EQ(w.copyButton().title(), QStringLiteral("Copy")) << "an edit clears the copied flag";
    EXPECT_EQ(command().toStdString(), "npx quillmarsh runner add --org octoca --yes");

    // Markup in the field stays text, and an invalid login goes back to the placeholder.
    w.loginField().setText(QStringLiteral("<b>x</b>"));
    EXPECT_EQ(command(), QString::fromUtf8(MenuModel::setupCommandPlaceholder.data()));
    EXPECT_FALSE(w.copyButton().isEnabled());
    EXPECT_EQ(w.commandLabel().textFormat(), Qt::PlainText);
}

TEST_F(FirstRunWindowTest, AFoundLoginStartsFilledAndReady) {
    make(QStringLiteral("octocat"));
    EXPECT_EQ(window().loginField().text(), QStringLiteral("octocat"));
    EXPECT_EQ(command().toStdString(), octocatCommand);
    EXPECT_TRUE(window().copyButton().isEnabled());
    EXPECT_EQ(window().loginField().placeholderText(), QStringLiteral("login"));
    EXPECT_EQ(window().loginField().accessibleName(), QStringLiteral("GitHub account"));
}

TEST_F(FirstRunWindowTest, ReturnRunsSetUpWhichOpensTheSetupPageAndKeepsTheWindow) {
    make().show();
    FirstRunWindow& w = window();
    ASSERT_TRUE(w.isVisible());
    EXPECT_FALSE(w.loginField().hasFocus()) << "no field starts focused";
    EXPECT_EQ(w.setUpButton().title(), QString::fromUtf8(MenuModel::setUpItem.data()));
    EXPECT_GE(w.setUpButton().width(), 200);

    QTest::keyClick(&w, Qt::Key_Return);
    ASSERT_EQ(h.opener->opened, std::vector<std::string>{std::string(MenuModel::setupURL)});
    EXPECT_TRUE(w.isVisible());
    // Also while the login field has the keyboard.
    w.loginField().setFocus();
    QTest::keyClick(&w.loginField(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(h.opener->opened.size(), 2u);
}

TEST_F(FirstRunWindowTest, ClosingByHandKeepsTheStateAndTheAgentAnsweringClosesTheWindowForGood) {
    FirstRunWindowController& c = make();
    c.show();
    QTest::keyClicks(&window().loginField(), QStringLiteral("octocat"));
    window().copyCommand();
    window().close();
    EXPECT_FALSE(window().isVisible());
    c.show();
    EXPECT_EQ(window().loginField().text(), QStringLiteral("octocat")) << "the same window comes back";
    EXPECT_TRUE(window().copied());
    EXPECT_FALSE(c.closedForAgent());

    // No answer yet: the failed refresh leaves the window open.
    h.refreshAndWait();
    ASSERT_FALSE(h.model->agentAvailable());
    EXPECT_TRUE(window().isVisible());

    serveSamples(*h.agent);
    h.refreshAndWait();
    ASSERT_TRUE(h.model->agentAvailable());
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(c.closedForAgent());

    // Later answers change nothing; the flag stays for the controller's life.
    h.refreshAndWait();
    EXPECT_TRUE(c.closedForAgent());
}

TEST_F(FirstRunWindowTest, AWindowBuiltWhileTheAgentAnswersIsClosedForItAtOnce) {
    serveSamples(*h.agent);
    h.refreshAndWait();
    ASSERT_TRUE(h.model->agentAvailable());
    EXPECT_TRUE(make().closedForAgent());
    EXPECT_FALSE(window().isVisible());
}

TEST_F(FirstRunWindowTest, TheRenderedWindowShowsItsGroundAndBlocks) {
    make(QStringLiteral("octocat"), true);
    const auto image = Rendering::bitmap(window(), 2.0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->deviceIndependentSize(), QSizeF(window().size()));
    EXPECT_FALSE(window().isVisible()) << "rendering does not show the window";
    // The app icon's orange tile in the middle of the header, 32 below the top.
    const QColor tile = image->pixelColor(520 - 2 * 24, 2 * 32 + 2 * 20);
    EXPECT_GT(tile.red(), 200);
    EXPECT_LT(tile.blue(), 80);
}

} // namespace
} // namespace quillmarsh
