#pragma once

#include <QAction>
#include <QPointer>
#include <QWidget>

class QMenu;

namespace quillmarsh {

// The base of a menu row drawn by the app itself. A row view inside a menu gets no highlight or
// click from the menu, so it brings its own: while it is the menu's current row (chosen with the
// arrow keys or the pointer) or under the pointer, it draws the menu's highlight, and a click
// closes the menu and triggers the row's action once, as for a row Qt draws. A row whose action is
// disabled does neither.
class MenuRowView : public QWidget {
    Q_OBJECT

public:
    explicit MenuRowView(QWidget* parent = nullptr);

    // Makes the row views of that menu follow its current row: the menu tells which row it chose
    // (hovered), and the row it chose before lets go of the highlight. Once per menu.
    static void followCurrentRow(QMenu& menu);

    // The menu action this view stands for; the action owns the view.
    void setAction(QAction* action) { action_ = action; }
    QAction* action() const { return action_; }
    // The menu's current row or under the pointer, with its action enabled.
    bool isHighlighted() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setHighlight(bool hovered, bool current);

    QPointer<QAction> action_;
    bool hovered_ = false;
    bool current_ = false;
};

} // namespace quillmarsh
