#include "Settings/Kit/SymbolView.h"

#include "Settings/Kit/Palette.h"
#include "StatusMenu/LabelColors.h"

#include <QPainter>

namespace quillmarsh {

SymbolView::SymbolView(Symbol symbol, int size, QWidget* parent) : QWidget(parent), symbol_(symbol) {
    setFixedSize(size, size);
}

void SymbolView::setSymbol(Symbol symbol, Tint tint) {
    if (symbol == symbol_ && tint == tint_) return;
    symbol_ = symbol;
    tint_ = tint;
    update();
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    QColor colour = LabelColors::secondary(colours);
    if (tint_ == Tint::good) colour = Palette::good(colours);
    else if (tint_ == Tint::red) colour = Palette::red(colours);
    Symbols::paint(painter, symbol_, QRectF(rect()), colour);
}

} // namespace quillmarsh
