#include "Settings/Kit/Rule.h"

#include "Settings/Kit/Palette.h"

#include <QPainter>

namespace quillmarsh {

Rule::Rule(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Rule::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::hairline(palette()));
}

} // namespace quillmarsh
