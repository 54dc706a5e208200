#pragma once

#include <QWidget>

namespace quillmarsh {

class AppModel;
class PaneSelection;

// The settings window's left column, 230 wide: the account header (avatar, owner, caption, and
// its "Open in Dashboard…" context menu) over the pane list in its three groups. Follows the
// model and the selection; picking a built pane's row writes selection.pane.
class SidebarView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 230;

    SidebarView(AppModel& model, PaneSelection& selection, QWidget* parent = nullptr);
    ~SidebarView() override;

private:
    AppModel& model_;
    PaneSelection& selection_;
};

} // namespace quillmarsh
