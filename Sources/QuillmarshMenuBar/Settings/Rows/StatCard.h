#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

namespace quillmarsh {

class ElidedLabel;

// One summary card, padded 12/14 on the card ground with a hairline border (radius 10): the label
// (subheadline, quiet), the value (title 3, semibold) and the detail (caption, quiet, cut at the
// tail), 2 px apart. Read as one element.
class StatCard final : public QWidget {
    Q_OBJECT

public:
    explicit StatCard(QWidget* parent = nullptr);

    void setCard(const PageDescription::StatCard& card);

    ElidedLabel* labelLabel() const { return label_; }
    ElidedLabel* valueLabel() const { return value_; }
    ElidedLabel* detailLabel() const { return detail_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ElidedLabel* label_ = nullptr;
    ElidedLabel* value_ = nullptr;
    ElidedLabel* detail_ = nullptr;
};

} // namespace quillmarsh
