#include "Settings/Kit/HeadingLabel.h"

#include "Settings/Kit/AccessibleElement.h"

namespace quillmarsh {

HeadingLabel::HeadingLabel(const QFont& font, QWidget* parent) : ToneLabel(font, Tone::primary, parent) {
    AccessibleElement::install(staticMetaObject, QAccessible::Heading, AccessibleElement::Reading::oneElement);
}

void HeadingLabel::setHeading(const QString& text) {
    setPlain(text);
    setAccessibleName(text);
}

} // namespace quillmarsh
