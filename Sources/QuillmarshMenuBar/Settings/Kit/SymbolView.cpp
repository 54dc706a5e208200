#include "Settings/Kit/SymbolView.h"

#include "StatusMenu/LabelColors.h"

#include <QPainter>

namespace quillmarsh {

SymbolView::SymbolView(Symbol symbol, int size, QWidget* parent) : QWidget(parent), symbol_(symbol) {
    setFixedSize(size, size);
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Symbols::paint(painter, symbol_, QRectF(rect()), LabelColors::secondary(palette()));
}

} // namespace quillmarsh
