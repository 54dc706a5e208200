#include "Settings/Rows/CacheColumns.h"

#include "Settings/Rows/CacheRow.h"

#include <QWidget>

#include <algorithm>

namespace quillmarsh {

namespace {

constexpr std::array<int, CacheColumns::columnCount> fixedWidths = {
    0, CacheRow::branchesWidth, CacheRow::lastUsedWidth, CacheRow::sizeWidth, CacheRow::actionWidth};

// The room the fixed columns and the gaps between all shown columns take.
int fixedRoom(bool branches) {
    int room = 0;
    for (int column = 1; column < CacheColumns::columnCount; ++column) {
        if (column == static_cast<int>(CacheColumns::Column::branches) && !branches) continue;
        room += fixedWidths[static_cast<std::size_t>(column)] + CacheRow::spacing;
    }
    return room;
}

} // namespace

CacheColumns::Span CacheColumns::span(Column column, const QRect& area, bool branches) {
    const int repository = std::max(0, area.width() - fixedRoom(branches));
    int left = area.left();
    for (int at = 0; at < columnCount; ++at) {
        const auto current = static_cast<Column>(at);
        const bool hidden = current == Column::branches && !branches;
        const int width = at == 0 ? repository : hidden ? 0 : fixedWidths[static_cast<std::size_t>(at)];
        if (current == column) return {left, width};
        if (!hidden) left += width + CacheRow::spacing;
    }
    return {left, 0};
}

CacheColumns::CacheColumns(QWidget* parent) : QLayout(parent) {}

CacheColumns::~CacheColumns() {
    for (auto& cell : cells_) delete cell.item;
}

void CacheColumns::setCell(Column column, QWidget* widget, Qt::Alignment alignment) {
    Cell& cell = cells_[static_cast<std::size_t>(column)];
    Q_ASSERT(cell.item == nullptr);
    addChildWidget(widget);
    cell.item = new QWidgetItem(widget);
    cell.alignment = alignment;
    if (column == Column::branches) widget->setVisible(branches_);
    invalidate();
}

void CacheColumns::setShowsBranches(bool shows) {
    if (shows == branches_) return;
    branches_ = shows;
    if (QLayoutItem* item = cells_[static_cast<std::size_t>(Column::branches)].item)
        if (QWidget* widget = item->widget()) widget->setVisible(shows);
    invalidate();
}

void CacheColumns::addItem(QLayoutItem* item) {
    // Items go into the first free column; setCell names the column outright.
    for (auto& cell : cells_) {
        if (cell.item == nullptr) {
            cell.item = item;
            invalidate();
            return;
        }
    }
    delete item;
}

int CacheColumns::cellIndex(int index) const {
    if (index < 0) return -1;
    for (int at = 0; at < columnCount; ++at) {
        if (cells_[static_cast<std::size_t>(at)].item == nullptr) continue;
        if (index-- == 0) return at;
    }
    return -1;
}

int CacheColumns::count() const {
    return static_cast<int>(std::count_if(cells_.begin(), cells_.end(), [](const Cell& cell) { return cell.item != nullptr; }));
}

QLayoutItem* CacheColumns::itemAt(int index) const {
    const int at = cellIndex(index);
    return at < 0 ? nullptr : cells_[static_cast<std::size_t>(at)].item;
}

QLayoutItem* CacheColumns::takeAt(int index) {
    const int at = cellIndex(index);
    if (at < 0) return nullptr;
    QLayoutItem* item = cells_[static_cast<std::size_t>(at)].item;
    cells_[static_cast<std::size_t>(at)].item = nullptr;
    invalidate();
    return item;
}

// Both sizes ask for the fixed columns and the repository cell's minimum width: the repository
// takes whatever the line is given beyond that.
QSize CacheColumns::size(bool minimum) const {
    int height = 0;
    int repository = 0;
    for (int at = 0; at < columnCount; ++at) {
        const QLayoutItem* item = cells_[static_cast<std::size_t>(at)].item;
        if (item == nullptr || item->isEmpty()) continue;
        height = std::max(height, minimum ? item->minimumSize().height() : item->sizeHint().height());
        if (at == 0) repository = item->minimumSize().width();
    }
    const QMargins margins = contentsMargins();
    return {repository + fixedRoom(branches_) + margins.left() + margins.right(),
            height + margins.top() + margins.bottom()};
}

QSize CacheColumns::sizeHint() const { return size(false); }
QSize CacheColumns::minimumSize() const { return size(true); }

void CacheColumns::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect area = rect.marginsRemoved(contentsMargins());
    for (int at = 0; at < columnCount; ++at) {
        const Cell& cell = cells_[static_cast<std::size_t>(at)];
        if (cell.item == nullptr || cell.item->isEmpty()) continue;
        const Span column = span(static_cast<Column>(at), area, branches_);
        const QSize hint = cell.item->sizeHint();
        const QSize least = cell.item->minimumSize();
        const int height = std::clamp(hint.height(), std::min(least.height(), area.height()), area.height());
        const int top = area.top() + (area.height() - height) / 2;
        if (cell.alignment & Qt::AlignRight) {
            // The widget's own natural width: the item's is none for a label that asks for no
            // width in a line (an ignored horizontal policy).
            const QWidget* widget = cell.item->widget();
            const int natural = widget != nullptr ? widget->sizeHint().width() : hint.width();
            const int width = std::max(std::min(natural, column.width), least.width());
            cell.item->setGeometry(QRect(column.right() - width, top, width, height));
        } else {
            cell.item->setGeometry(QRect(column.left, top, column.width, height));
        }
    }
}

} // namespace quillmarsh
