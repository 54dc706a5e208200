#pragma once

#include <QLayout>

#include <array>

namespace quillmarsh {

// The columns of the caches table, laid out alike in its header and in every row so that they
// line up: the repository takes the width left over, then the branches (84 px, only when shown),
// last used (120), size (64) and action (56) columns, 12 px apart, inside the layout's margins.
// A cell sits leading or trailing in its column, centred vertically. A leading cell fills its
// column; a trailing one takes its natural width, at most the column's unless its minimum is more
// (a button then reaches out towards the column before it). The row asks for the width of the
// fixed columns and the repository cell's minimum only, so a long name never widens the window.
class CacheColumns final : public QLayout {
public:
    enum class Column { repository, branches, lastUsed, size, action };
    static constexpr int columnCount = 5;

    // The left edge and width of a column in a line whose columns span `area`; a zero width for
    // the branches column when it is not shown (it then takes no room).
    struct Span {
        int left = 0;
        int width = 0;
        int right() const { return left + width; }
    };
    static Span span(Column column, const QRect& area, bool branches);

    explicit CacheColumns(QWidget* parent = nullptr);
    ~CacheColumns() override;

    // Puts widget in column (replacing none: each column is set once).
    void setCell(Column column, QWidget* widget, Qt::Alignment alignment = Qt::AlignLeft);
    // Shows or hides the branches column and the widget in it.
    void setShowsBranches(bool shows);
    bool showsBranches() const { return branches_; }

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }

private:
    struct Cell {
        QLayoutItem* item = nullptr;
        Qt::Alignment alignment = Qt::AlignLeft;
    };
    // The cells in column order; an unset column holds no item.
    std::array<Cell, columnCount> cells_;
    bool branches_ = false;

    // The set cells' indices into cells_, in column order: what itemAt counts.
    int cellIndex(int index) const;
    QSize size(bool minimum) const;
};

} // namespace quillmarsh
