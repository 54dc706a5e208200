#include "Settings/Kit/SymbolView.h"

#include "StatusMenu/LabelColors.h"

#include <QEvent>
#include <QPainter>

namespace quillmarsh {

SymbolView::SymbolView(Symbol symbol, int size, QWidget* parent) : QWidget(parent), symbol_(symbol) {
    setFixedSize(size, size);
}

void SymbolView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) update();
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Symbols::paint(painter, symbol_, QRectF(rect()), LabelColors::secondary(palette()));
}

} // namespace quillmarsh
