#pragma once

#include <QWidget>

#include <functional>

namespace quillmarsh {

// A whole card row that is one button: a click anywhere on it, empty space included, runs its
// action, as do Space and Return while it has focus. While the pointer is over it the row is
// filled with the text colour at 6 % opacity. Its content is laid out by the subclass.
class RowButton : public QWidget {
    Q_OBJECT

public:
    explicit RowButton(QWidget* parent = nullptr);

    // Copied before it runs, so it may replace itself.
    void setAction(std::function<void()> action) { action_ = std::move(action); }
    bool hovering() const { return hovering_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void trigger();

    std::function<void()> action_;
    bool hovering_ = false;
    bool pressed_ = false;
};

} // namespace quillmarsh
