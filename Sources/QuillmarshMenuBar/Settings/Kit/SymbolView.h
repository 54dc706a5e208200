#pragma once

#include "Settings/Kit/Symbols.h"

#include <QWidget>

namespace quillmarsh {

// One symbol at a fixed size in the secondary text colour: the info mark beside a row's title.
class SymbolView final : public QWidget {
    Q_OBJECT

public:
    SymbolView(Symbol symbol, int size, QWidget* parent = nullptr);

    Symbol symbol() const { return symbol_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Symbol symbol_;
};

} // namespace quillmarsh
