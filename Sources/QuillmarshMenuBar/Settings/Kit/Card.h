#pragma once

#include <QWidget>

#include <vector>

class QPainter;
class QVBoxLayout;

namespace quillmarsh {

// A white rounded card (radius 10, a 0.5-px hairline border) that stacks its rows with a 1-px
// hairline rule between each two, none after the last. It adds no padding: rows bring their own.
class Card final : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal radius = 10;

    explicit Card(QWidget* parent = nullptr);

    // The card's look in rect: the card ground in a rounded rectangle and its 0.5-px hairline
    // border inside the edge. Other card-like widgets paint themselves with it.
    static void paintGround(QPainter& painter, const QRectF& rect, const QPalette& palette);

    // The rows in order; the card takes them. Rows it held that are not among them are left to
    // the caller (taken out of the card, not deleted).
    void setRows(const std::vector<QWidget*>& rows);
    const std::vector<QWidget*>& rows() const { return rows_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* layout_ = nullptr;
    std::vector<QWidget*> rows_;
};

} // namespace quillmarsh
