#include "Settings/Rows/StatCard.h"

#include "Settings/Kit/AccessibleElement.h"
#include "Settings/Kit/Card.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/ElidedLabel.h"

#include <QPainter>
#include <QVBoxLayout>

namespace quillmarsh {

namespace {

ElidedLabel* line(const QFont& font, bool quiet, QWidget* parent) {
    auto* label = new ElidedLabel(parent);
    label->setFont(font);
    label->setQuiet(quiet);
    return label;
}

// Sets a label's text only when it differs, so an unchanged card costs no relayout.
bool setText(ElidedLabel& label, const QString& text) {
    if (label.text() == text) return false;
    label.setParts(text);
    return true;
}

} // namespace

StatCard::StatCard(QWidget* parent) : QWidget(parent) {
    // Read as one element named by its three texts.
    AccessibleElement::install(staticMetaObject, QAccessible::StaticText, AccessibleElement::Reading::oneElement);
    // Cards ask for no width of their own, so the cards of a row share it equally; the labels cut
    // their texts to fit.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(2);
    label_ = line(TextStyle::subheadline(), true, this);
    value_ = line(TextStyle::title3Semibold(), false, this);
    value_->setContentsMargins(0, 1, 0, 0);
    detail_ = line(TextStyle::caption(), true, this);
    layout->addWidget(label_);
    layout->addWidget(value_);
    layout->addWidget(detail_);
}

void StatCard::setCard(const PageDescription::StatCard& card) {
    bool changed = setText(*label_, QString::fromStdString(card.label));
    changed = setText(*value_, QString::fromStdString(card.value)) || changed;
    changed = setText(*detail_, QString::fromStdString(card.detail)) || changed;
    if (!changed) return;
    QStringList texts;
    for (const QString& text : {label_->text(), value_->text(), detail_->text()})
        if (!text.isEmpty()) texts.append(text);
    setAccessibleName(texts.join(QStringLiteral(", ")));
}

void StatCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Card::paintGround(painter, QRectF(rect()), palette());
}

} // namespace quillmarsh
