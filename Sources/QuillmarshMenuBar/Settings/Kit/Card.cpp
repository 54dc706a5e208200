#include "Settings/Kit/Card.h"

#include "Settings/Kit/Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace quillmarsh {

Card::Card(QWidget* parent) : QWidget(parent) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    // The rules are painted into the 1-px gaps between rows.
    layout_->setSpacing(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void Card::setRows(const std::vector<QWidget*>& rows) {
    if (rows == rows_) return;
    for (QWidget* row : rows_) layout_->removeWidget(row);
    for (QWidget* row : rows) {
        if (row->parentWidget() != this) row->setParent(this);
        layout_->addWidget(row);
        row->show();
    }
    rows_ = rows;
    update();
}

void Card::paintGround(QPainter& painter, const QRectF& rect, const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    painter.fillPath(shape, Palette::card(palette));
    QPainterPath border;
    border.addRoundedRect(rect.adjusted(0.25, 0.25, -0.25, -0.25), radius - 0.25, radius - 0.25);
    painter.setPen(QPen(Palette::hairline(palette), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(border);
    painter.restore();
}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    paintGround(painter, QRectF(rect()), colours);
    // The rules between rows run to the edges, in the border's colour.
    const QColor hairline = Palette::hairline(colours);
    for (std::size_t i = 0; i + 1 < rows_.size(); ++i) {
        const int y = rows_[i]->geometry().bottom() + 1;
        painter.fillRect(QRect(0, y, width(), 1), hairline);
    }
}

} // namespace quillmarsh
