#include "Settings/Kit/StateIcon.h"

namespace quillmarsh {

StateIcon::StateIcon(QWidget* parent) : QWidget(parent) { setFixedSize(side, side); }

void StateIcon::setKind(const StateKind& kind) {
    if (kind == kind_) return;
    kind_ = kind;
    update();
}

void StateIcon::paintEvent(QPaintEvent*) {}

} // namespace quillmarsh
