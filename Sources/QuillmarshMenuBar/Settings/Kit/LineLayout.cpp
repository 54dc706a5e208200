#include "Settings/Kit/LineLayout.h"

namespace quillmarsh {

std::vector<int> LineLayout::distribute(const std::vector<Item>& items, int) {
    std::vector<int> widths;
    for (const auto& item : items) widths.push_back(item.natural);
    return widths;
}

LineLayout::LineLayout(QWidget* parent) : QLayout(parent) {}

LineLayout::~LineLayout() {
    for (auto& entry : entries_) delete entry.item;
}

void LineLayout::addWidget(QWidget* widget, Part part) {
    addChildWidget(widget);
    entries_.push_back({new QWidgetItem(widget), part});
    invalidate();
}

void LineLayout::addSpacer(int minimum) {
    Part part;
    part.fill = true;
    entries_.push_back({new QSpacerItem(minimum, 0, QSizePolicy::Expanding), part});
}

void LineLayout::addItem(QLayoutItem* item) { entries_.push_back({item, Part{}}); }
int LineLayout::count() const { return static_cast<int>(entries_.size()); }
QLayoutItem* LineLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? entries_[static_cast<std::size_t>(index)].item : nullptr;
}
QLayoutItem* LineLayout::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = entries_[static_cast<std::size_t>(index)].item;
    entries_.erase(entries_.begin() + index);
    return item;
}
QSize LineLayout::sizeHint() const { return {100, 20}; }
QSize LineLayout::minimumSize() const { return {0, 20}; }
void LineLayout::setGeometry(const QRect& rect) { QLayout::setGeometry(rect); }

} // namespace quillmarsh
