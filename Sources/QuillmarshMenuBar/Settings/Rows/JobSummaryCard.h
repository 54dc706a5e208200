#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

namespace quillmarsh {

class ElidedLabel;
class Pill;
class StateIcon;

// The job detail's summary: a card holding one line, padded 12/14: the state glyph, the title
// (repository and name), the quiet meta line (cut first), flexible space and the pill.
class JobSummaryCard final : public QWidget {
    Q_OBJECT

public:
    explicit JobSummaryCard(QWidget* parent = nullptr);

    void setSummary(const PageDescription::Summary& summary);

    StateIcon* stateIcon() const { return icon_; }
    ElidedLabel* titleLabel() const { return title_; }
    ElidedLabel* metaLabel() const { return meta_; }
    Pill* pill() const { return pill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StateIcon* icon_ = nullptr;
    ElidedLabel* title_ = nullptr;
    ElidedLabel* meta_ = nullptr;
    Pill* pill_ = nullptr;
};

} // namespace quillmarsh
