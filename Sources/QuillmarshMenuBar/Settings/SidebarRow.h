#pragma once

#include "Vocabulary/AppPane.h"

#include <QColor>
#include <QWidget>

#include <functional>

namespace quillmarsh {

enum class Symbol;

// One row of the sidebar's pane list: a 24 x 24 rounded tile in the pane's tint with its white
// symbol, then the pane's title; highlighted while its pane is selected. A click calls the callback
// with the pane.
class SidebarRow final : public QWidget {
    Q_OBJECT

public:
    using Picked = std::function<void(AppPane)>;

    SidebarRow(AppPane pane, Picked picked, QWidget* parent = nullptr);

    AppPane pane() const { return pane_; }
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }

    // The pane's tile colour and symbol.
    static QColor tint(AppPane pane);
    static Symbol symbol(AppPane pane);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    AppPane pane_;
    Picked picked_;
    bool selected_ = false;
};

} // namespace quillmarsh
