#include "Settings/Kit/RowButton.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace quillmarsh {

RowButton::RowButton(QWidget* parent) : QWidget(parent) {}

void RowButton::trigger() {
    if (!action_) return;
    const auto action = action_;
    action();
}

void RowButton::paintEvent(QPaintEvent*) {}
void RowButton::enterEvent(QEnterEvent*) { hovering_ = true; }
void RowButton::leaveEvent(QEvent*) { hovering_ = false; }
void RowButton::mousePressEvent(QMouseEvent*) { pressed_ = true; }
void RowButton::mouseReleaseEvent(QMouseEvent*) {
    if (pressed_) trigger();
    pressed_ = false;
}
void RowButton::keyPressEvent(QKeyEvent* event) { QWidget::keyPressEvent(event); }

} // namespace quillmarsh
