#include "Settings/Kit/LineLayout.h"

#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace quillmarsh {

namespace {

int clampTo(int value, int low, int high) { return std::max(low, std::min(value, high)); }

} // namespace

std::vector<int> LineLayout::distribute(const std::vector<Item>& items, int available) {
    const auto natural = [](const Item& item) { return std::max(item.natural, item.minimum); };
    std::vector<int> widths(items.size());
    long long total = 0;
    long long fillers = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        widths[i] = items[i].fill ? items[i].minimum : natural(items[i]);
        total += widths[i];
        if (items[i].fill) ++fillers;
    }

    if (total <= available) {
        if (fillers == 0) return widths;
        const long long extra = available - total;
        long long rest = extra % fillers;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!items[i].fill) continue;
            widths[i] += static_cast<int>(extra / fillers + (rest > 0 ? 1 : 0));
            --rest;
        }
        return widths;
    }

    // Short of width: take it from the lowest priorities first.
    std::vector<int> priorities;
    for (const auto& item : items)
        if (!item.fill && natural(item) > item.minimum) priorities.push_back(item.priority);
    std::sort(priorities.begin(), priorities.end());
    priorities.erase(std::unique(priorities.begin(), priorities.end()), priorities.end());

    long long deficit = total - available;
    for (const int priority : priorities) {
        std::vector<std::size_t> group;
        long long room = 0;
        long long naturals = 0;
        int widest = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Item& item = items[i];
            if (item.fill || item.priority != priority || natural(item) <= item.minimum) continue;
            group.push_back(i);
            room += natural(item) - item.minimum;
            naturals += natural(item);
            widest = std::max(widest, natural(item));
        }
        if (room <= deficit) {
            for (const std::size_t i : group) widths[i] = items[i].minimum;
            deficit -= room;
            if (deficit == 0) break;
            continue;
        }
        // The group shares what is left for it: every item up to one level (none below its
        // minimum, none above its natural width), the level as high as the room allows.
        const long long target = naturals - deficit;
        const auto widthAt = [&](int level) {
            long long sum = 0;
            for (const std::size_t i : group) sum += clampTo(level, items[i].minimum, natural(items[i]));
            return sum;
        };
        int low = 0;        // widthAt(low) <= target
        int high = widest;  // widthAt(high) > target
        while (high - low > 1) {
            const int middle = low + (high - low) / 2;
            (widthAt(middle) <= target ? low : high) = middle;
        }
        long long rest = target - widthAt(low);
        for (const std::size_t i : group) {
            widths[i] = clampTo(low, items[i].minimum, natural(items[i]));
            // The pixels left over go one each to the first items that can still grow.
            if (rest > 0 && items[i].minimum <= low && natural(items[i]) > low) {
                ++widths[i];
                --rest;
            }
        }
        break;
    }
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
    entries_.push_back({new QSpacerItem(minimum, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), part});
    invalidate();
}

void LineLayout::addItem(QLayoutItem* item) {
    entries_.push_back({item, Part{}});
    invalidate();
}

int LineLayout::count() const { return static_cast<int>(entries_.size()); }

QLayoutItem* LineLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? entries_[static_cast<std::size_t>(index)].item : nullptr;
}

QLayoutItem* LineLayout::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = entries_[static_cast<std::size_t>(index)].item;
    entries_.erase(entries_.begin() + index);
    invalidate();
    return item;
}

std::vector<LineLayout::Placed> LineLayout::placed() const {
    std::vector<Placed> result;
    for (const auto& entry : entries_) {
        const Part& part = entry.part;
        Item item;
        item.priority = part.priority;
        item.fill = part.fill;
        int height = 0;
        if (QWidget* widget = entry.item->widget()) {
            if (entry.item->isEmpty()) continue;  // hidden
            const QSize hint = widget->sizeHint();
            item.natural = clampTo(hint.width(), widget->minimumWidth(), widget->maximumWidth());
            const bool shrinks = (widget->sizePolicy().horizontalPolicy() & QSizePolicy::ShrinkFlag) != 0;
            item.minimum = shrinks ? std::min(std::max(widget->minimumSizeHint().width(), widget->minimumWidth()), item.natural)
                                   : item.natural;
            height = clampTo(hint.height(), widget->minimumHeight(), widget->maximumHeight());
        } else {
            // A spacer asks for its minimum and may grow from there.
            item.natural = entry.item->sizeHint().width();
            item.minimum = part.fill ? item.natural : entry.item->minimumSize().width();
            height = entry.item->sizeHint().height();
        }
        if (part.fixedWidth >= 0) item.natural = item.minimum = part.fixedWidth;
        result.push_back({&entry, item, height});
    }
    return result;
}

QSize LineLayout::minimumSize() const {
    int width = 0;
    int height = 0;
    for (const auto& each : placed()) {
        width += each.entry->part.leading + each.item.minimum;
        height = std::max(height, each.height);
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

QSize LineLayout::sizeHint() const { return minimumSize(); }

void LineLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect area = contentsRect();
    const std::vector<Placed> parts = placed();
    std::vector<Item> items;
    int paddings = 0;
    for (const auto& each : parts) {
        items.push_back(each.item);
        paddings += each.entry->part.leading;
    }
    const std::vector<int> widths = distribute(items, area.width() - paddings);
    const Qt::LayoutDirection direction = parentWidget() != nullptr ? parentWidget()->layoutDirection() : Qt::LeftToRight;

    int x = area.left();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Entry& entry = *parts[i].entry;
        x += entry.part.leading;
        const int slot = widths[i];
        const int height = std::min(parts[i].height, area.height());
        const int y = area.top() + (area.height() - height) / 2;
        QWidget* widget = entry.item->widget();
        if (widget == nullptr) {
            entry.item->setGeometry(QStyle::visualRect(direction, area, QRect(x, y, slot, height)));
            x += slot;
            continue;
        }
        // In a fixed or filling slot the widget keeps its own width, placed by the alignment.
        int width = slot;
        int left = x;
        if (entry.part.fixedWidth >= 0 || entry.part.fill) {
            width = std::min(slot, clampTo(widget->sizeHint().width(), widget->minimumWidth(), widget->maximumWidth()));
            if (entry.part.align & Qt::AlignRight) left = x + slot - width;
            else if (entry.part.align & Qt::AlignHCenter) left = x + (slot - width) / 2;
        }
        widget->setGeometry(QStyle::visualRect(direction, area, QRect(left, y, width, height)));
        x += slot;
    }
}

} // namespace quillmarsh
