#include "Settings/Rows/JobListRow.h"

#include "Settings/Kit/LineLayout.h"
#include "Settings/Kit/StateIcon.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/ElidedLabel.h"
#include "StatusMenu/LabelColors.h"

#include <QEvent>

namespace quillmarsh {

namespace {

// Tertiary text: quieter than the secondary colour, for the meta line.
QColor tertiary(const QPalette& palette) {
    QColor colour = LabelColors::primary(palette);
    colour.setAlphaF(colour.alphaF() * 0.38f);
    return colour;
}

ElidedLabel* label(QWidget* parent, const QFont& font) {
    auto* label = new ElidedLabel(parent);
    label->setFont(font);
    return label;
}

// Sets the text only when it differs, hiding the label while it is empty so its padding goes too.
void showText(ElidedLabel& label, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (value != label.text()) label.setParts(value);
    label.setHidden(value.isEmpty());
}

} // namespace

JobListRow::JobListRow(QWidget* parent) : RowButton(parent) {
    icon_ = new StateIcon(this);
    repository_ = label(this, TextStyle::body());
    name_ = label(this, TextStyle::body());
    name_->setQuiet(true);
    meta_ = label(this, TextStyle::subheadline());
    trailing_ = label(this, TextStyle::subheadline());
    trailing_->setQuiet(true);
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
    recolour();
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

void JobListRow::changeEvent(QEvent* event) {
    RowButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) recolour();
}

// The meta label draws in its text colour, set to the tertiary colour of the row's own palette;
// the row's palette stays inherited, so this never compounds.
void JobListRow::recolour() {
    const QColor colour = tertiary(palette());
    QPalette colours = meta_->palette();
    if (colours.color(QPalette::Active, QPalette::WindowText) == colour &&
        colours.color(QPalette::Inactive, QPalette::WindowText) == colour)
        return;
    colours.setColor(QPalette::Active, QPalette::WindowText, colour);
    colours.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    colours.setColor(QPalette::Disabled, QPalette::WindowText, colour);
    meta_->setPalette(colours);
}

} // namespace quillmarsh
