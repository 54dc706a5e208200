#include "Settings/Rows/JobListRow.h"

#include "Settings/Kit/LineLayout.h"
#include "Settings/Kit/StateIcon.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/ElidedLabel.h"
#include "StatusMenu/LabelColors.h"

namespace quillmarsh {

namespace {

// Sets the text only when it differs, hiding the label while it is empty so its padding goes too.
void showText(ElidedLabel& label, const std::string& text) {
    const QString value = QString::fromStdString(text);
    label.setPlain(value);
    label.setHidden(value.isEmpty());
}

} // namespace

JobListRow::JobListRow(QWidget* parent) : RowButton(parent) {
    icon_ = new StateIcon(this);
    repository_ = new ElidedLabel(TextStyle::body(), LabelColors::Tone::primary, this);
    name_ = new ElidedLabel(TextStyle::body(), LabelColors::Tone::secondary, this);
    meta_ = new ElidedLabel(TextStyle::subheadline(), LabelColors::Tone::tertiary, this);
    trailing_ = new ElidedLabel(TextStyle::subheadline(), LabelColors::Tone::secondary, this);
    // The time is never cut: the line takes the room from the other texts.
    trailing_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto* line = new LineLayout(this);
    line->setContentsMargins(14, 9, 14, 9);
    line->addWidget(icon_, {});
    line->addWidget(repository_, {.priority = 3, .leading = 12});
    line->addWidget(name_, {.priority = 2, .leading = 5});
    line->addWidget(meta_, {.priority = 0, .leading = 10});
    line->addSpacer(12);
    line->addWidget(trailing_, {.priority = 4});
}

void JobListRow::setLine(const PageDescription::JobLine& line) {
    icon_->setKind(line.state);
    showText(*repository_, line.repository);
    showText(*name_, line.name);
    showText(*meta_, line.meta);
    showText(*trailing_, line.trailing);
    const QString name = QString::fromStdString(line.accessibleName);
    if (name != accessibleName()) setAccessibleName(name);
}

} // namespace quillmarsh
