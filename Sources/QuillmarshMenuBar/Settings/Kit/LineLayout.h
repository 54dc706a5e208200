#pragma once

#include <QLayout>

#include <vector>

namespace quillmarsh {

// A one-line horizontal layout whose items give way by priority when the line is short of width:
// the lowest priority shrinks first, down to its minimum, then the next. Each item has a leading
// padding; a spacer takes the space left over (at least its minimum); an item with a fixed
// width keeps it. Items are centred vertically, and a hidden item takes no room, its padding
// neither. The contents margins pad the line.
//
// An item's natural width is its widget's size hint; its minimum is its widget's minimum size
// hint, or its natural width when the widget's horizontal size policy does not let it shrink
// (a fixed policy: a pill, a time that is never cut).
//
// The line asks for no more width than it needs at least (its minimum), so a long text never
// widens the window around it; it is as high as its tallest item.
class LineLayout final : public QLayout {
public:
    struct Part {
        int priority = 0;
        int leading = 0;       // padding before the item
        int fixedWidth = -1;   // a fixed width; -1 for the item's own (its sizeHint)
        bool fill = false;     // takes the space left over, like a spacer
        Qt::Alignment align = Qt::AlignLeft;  // within a fixed or filling width
    };

    // One item for distribute(): its natural and minimum widths, priority and whether it fills.
    struct Item {
        int natural = 0;
        int minimum = 0;
        int priority = 0;
        bool fill = false;
        bool operator==(const Item&) const = default;
    };

    // The widths the items get in `available` pixels (paddings already taken off): everyone's
    // natural width when it fits, with the rest shared equally by the filling items; else the
    // lowest priorities shrink first, each to no less than its minimum. Items of one priority
    // share what is left for them: each gets the same width, or its natural width when that is
    // less. Fillers count with their minimum and never shrink below it; when even the minimums
    // do not fit, everyone has their minimum.
    static std::vector<int> distribute(const std::vector<Item>& items, int available);

    explicit LineLayout(QWidget* parent = nullptr);
    ~LineLayout() override;

    void addWidget(QWidget* widget, Part part);
    // Flexible space of at least `minimum` pixels.
    void addSpacer(int minimum);

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Entry {
        QLayoutItem* item = nullptr;
        Part part;
    };
    // The entries that take room, with their widths for distribute().
    struct Placed {
        const Entry* entry;
        Item item;
        int height;
    };
    std::vector<Placed> placed() const;

    std::vector<Entry> entries_;
};

} // namespace quillmarsh
