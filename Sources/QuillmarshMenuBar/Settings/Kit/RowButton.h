#pragma once

#include <QAbstractButton>

#include <functional>

namespace quillmarsh {

// A whole card row that is one button: a click anywhere on it, empty space and texts included,
// runs its action, as do Space and Return while it has keyboard focus. While the pointer is over
// it the row is filled with the text colour at 6 % opacity; a row kept across updates keeps that
// state. Its content is laid out by the subclass; its children never take the pointer. For
// assistive tools it is one button named by its accessible name, its texts not read apart.
class RowButton : public QAbstractButton {
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
    void keyPressEvent(QKeyEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void trigger();

    std::function<void()> action_;
    bool hovering_ = false;
};

} // namespace quillmarsh
