#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

namespace quillmarsh {

class ElidedLabel;
class StateIcon;

// One step of a job: the state glyph, the step's name (quiet while pending, cut at the tail),
// flexible space and its time (never cut), padded 8/14.
class StepRow final : public QWidget {
    Q_OBJECT

public:
    explicit StepRow(QWidget* parent = nullptr);

    void setLine(const PageDescription::StepLine& line);

    StateIcon* stateIcon() const { return icon_; }
    ElidedLabel* nameLabel() const { return name_; }
    ElidedLabel* trailingLabel() const { return trailing_; }

private:
    StateIcon* icon_ = nullptr;
    ElidedLabel* name_ = nullptr;
    ElidedLabel* trailing_ = nullptr;
};

} // namespace quillmarsh
