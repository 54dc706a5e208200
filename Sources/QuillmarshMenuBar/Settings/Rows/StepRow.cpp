#include "Settings/Rows/StepRow.h"

#include "Settings/Kit/LineLayout.h"
#include "Settings/Kit/StateIcon.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/ElidedLabel.h"

namespace quillmarsh {

StepRow::StepRow(QWidget* parent) : QWidget(parent) {
    icon_ = new StateIcon(this);
    name_ = new ElidedLabel(TextStyle::body(), LabelColors::Tone::primary, this);
    trailing_ = new ElidedLabel(TextStyle::subheadline(), LabelColors::Tone::secondary, this);
    // The time is never cut: the name gives way.
    trailing_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto* line = new LineLayout(this);
    line->setContentsMargins(14, 8, 14, 8);
    line->addWidget(icon_, {});
    line->addWidget(name_, {.priority = 0, .leading = 12});
    line->addSpacer(12);
    line->addWidget(trailing_, {.priority = 1});
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StepRow::setLine(const PageDescription::StepLine& line) {
    icon_->setKind(line.state);
    name_->setPlain(QString::fromStdString(line.name));
    name_->setQuiet(line.quiet);
    trailing_->setPlain(QString::fromStdString(line.trailing));
}

} // namespace quillmarsh
