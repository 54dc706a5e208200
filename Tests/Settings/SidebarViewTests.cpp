#include "Settings/SidebarView.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/AccountRow.h"
#include "Settings/Kit/ToneLabel.h"
#include "Settings/PaneSelection.h"
#include "Settings/SidebarRow.h"
#include "StatusMenu/ElidedLabel.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace quillmarsh::test {
namespace {

struct Sidebar {
    Sidebar() : selection(AppPane::general), view(*harness.model, selection) {
        view.resize(SidebarView::width, 640);
        view.show();
        QCoreApplication::processEvents();
    }
    Harness harness;
    PaneSelection selection;
    SidebarView view;
};

TEST(SidebarView, WithoutAnAccountTheHeaderSaysNotConnectedBesideThePlaceholder) {
    Sidebar sidebar;
    AccountRow* account = sidebar.view.accountRow();
    EXPECT_EQ(account->ownerLabel()->text(), "Not connected");
    EXPECT_EQ(account->captionLabel()->text(), "GitHub");
    EXPECT_TRUE(account->showsPlaceholder());
}

TEST(SidebarView, TheHeaderFollowsTheModelsAccount) {
    Sidebar sidebar;
    serveSamples(*sidebar.harness.agent);
    sidebar.harness.refreshAndWait();
    ASSERT_TRUE(sidebar.harness.model->account().has_value());
    ASSERT_TRUE(spinUntil([&] {
        return sidebar.view.accountRow()->ownerLabel()->text().toStdString() == sidebar.harness.model->account()->owner;
    }));
}

TEST(SidebarView, TheContextMenuOpensTheMachinesDashboardPage) {
    Sidebar sidebar;
    AccountRow* account = sidebar.view.accountRow();
    // A secondary click on the empty part of the row, right of the texts.
    const QPoint at(account->width() - 2, account->height() / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, account->mapToGlobal(at));
    QApplication::sendEvent(account, &event);
    auto* menu = account->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Open in Dashboard…");
    menu->actions()[0]->trigger();
    const auto expected = sidebar.harness.model->machineURL();
    ASSERT_TRUE(expected.has_value());
    ASSERT_EQ(sidebar.harness.opener->opened.size(), 1u);
    EXPECT_EQ(sidebar.harness.opener->opened[0], expected->toString().toStdString());
    menu->close();
}

TEST(SidebarView, ARowSelectsItsPane) {
    Sidebar sidebar;
    click(sidebar.view.row(AppPane::jobs));
    EXPECT_EQ(sidebar.selection.pane(), AppPane::jobs);

    click(sidebar.view.row(AppPane::images));
    EXPECT_EQ(sidebar.selection.pane(), AppPane::images);
    ASSERT_TRUE(spinUntil([&] { return sidebar.view.row(AppPane::images)->isSelected(); }));
    EXPECT_FALSE(sidebar.view.row(AppPane::general)->isSelected());

    // A write from elsewhere moves the highlight too.
    sidebar.selection.setPane(AppPane::about);
    ASSERT_TRUE(spinUntil([&] { return sidebar.view.row(AppPane::about)->isSelected(); }));
    EXPECT_FALSE(sidebar.view.row(AppPane::images)->isSelected());
}

TEST(SidebarView, TheOnThisMacHeaderStandsOnlyAboveItsGroup) {
    Sidebar sidebar;
    const auto top = [&](AppPane pane) { return sidebar.view.row(pane)->geometry().top(); };
    const auto bottom = [&](AppPane pane) { return sidebar.view.row(pane)->geometry().bottom(); };
    const QRect header = sidebar.view.groupHeader()->geometry();
    EXPECT_EQ(sidebar.view.groupHeader()->text(), "On this Mac");
    EXPECT_GT(header.top(), bottom(AppPane::images));
    EXPECT_LT(header.bottom(), top(AppPane::jobs));
    EXPECT_LT(bottom(AppPane::jobs), top(AppPane::machines));
    EXPECT_LT(bottom(AppPane::machines), top(AppPane::caches));
    EXPECT_LT(bottom(AppPane::caches), top(AppPane::about));
    // One header in the whole column: About's group has none.
    int headers = 0;
    for (auto* label : sidebar.view.findChildren<ToneLabel*>())
        if (label->parentWidget() == &sidebar.view) ++headers;
    EXPECT_EQ(headers, 1);
}

} // namespace
} // namespace quillmarsh::test
