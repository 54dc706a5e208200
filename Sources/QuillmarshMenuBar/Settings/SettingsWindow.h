#pragma once

#include <QWidget>

namespace quillmarsh {

class AppModel;
class PaneColumn;
class PaneSelection;
class SidebarView;

// The settings window: the fixed-width sidebar beside the pane column, with a hairline between
// them. Closing only hides it; it is kept for the next showing. It tells its controller when it
// closes, when it becomes the active window and when it moves or is resized while shown.
class SettingsWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int contentWidth = 900;
    static constexpr int contentHeight = 640;
    // The sidebar's 230 and the pane column's minimum 530.
    static constexpr int minimumWidth = 760;
    static constexpr int minimumHeight = 520;

    SettingsWindow(AppModel& model, PaneSelection& selection, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    SidebarView& sidebar() const { return *sidebar_; }
    PaneColumn& column() const { return *column_; }
    // The 1-px rule between the sidebar and the column.
    QWidget& divider() const { return *divider_; }

signals:
    void closed();
    void activated();
    void frameChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeDivider();

    SidebarView* sidebar_ = nullptr;
    PaneColumn* column_ = nullptr;
    QWidget* divider_ = nullptr;
};

} // namespace quillmarsh
