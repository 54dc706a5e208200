#pragma once

#include "Settings/Kit/Symbols.h"

#include <QWidget>

namespace quillmarsh {

// One symbol at a fixed size, in the secondary text colour (the info mark beside a row's title)
// or in the good or red colour (the first-run window's check marks).
class SymbolView final : public QWidget {
    Q_OBJECT

public:
    enum class Tint { secondary, good, red };

    SymbolView(Symbol symbol, int size, QWidget* parent = nullptr);

    Symbol symbol() const { return symbol_; }
    Tint tint() const { return tint_; }
    void setSymbol(Symbol symbol, Tint tint);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Symbol symbol_;
    Tint tint_ = Tint::secondary;
};

} // namespace quillmarsh
