#include "Settings/Kit/Rule.h"

#include "Settings/Kit/Palette.h"

#include <QPainter>

namespace quillmarsh {

Rule::Rule(QWidget* parent, Qt::Orientation orientation) : QWidget(parent) {
    if (orientation == Qt::Horizontal) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
}

void Rule::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::hairline(palette()));
}

} // namespace quillmarsh
