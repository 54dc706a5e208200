#pragma once

#include "Vocabulary/AppPane.h"

#include <QWidget>

#include <map>

class QLabel;

namespace quillmarsh {

class AccountRow;
class AppModel;
class PaneSelection;
class SidebarRow;

// The settings window's left column, 230 wide: the account header (avatar, owner, caption, and
// its "Open in Dashboard…" context menu) over the pane list in its three groups. Follows the
// model and the selection; picking a pane's row writes selection.pane.
class SidebarView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 230;

    SidebarView(AppModel& model, PaneSelection& selection, QWidget* parent = nullptr);
    ~SidebarView() override;

    // The row of a pane (named after the pane's title), the "On this Mac" header and the account
    // header, for the window and for tests.
    SidebarRow* row(AppPane pane) const;
    QLabel* groupHeader() const { return header_; }
    AccountRow* accountRow() const { return account_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Changes arrive before the values are stored: the refresh runs once the event loop is back,
    // once for any number of changes in between.
    void scheduleRefresh();
    void refresh();
    void pick(AppPane pane);

    AppModel& model_;
    PaneSelection& selection_;
    AccountRow* account_ = nullptr;
    QLabel* header_ = nullptr;
    std::map<AppPane, SidebarRow*> rows_;
    bool refreshPending_ = false;
};

} // namespace quillmarsh
