#include "Settings/Rows/StatCard.h"

#include "Settings/Kit/AccessibleElement.h"
#include "Settings/Kit/Card.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/ElidedLabel.h"

#include <QPainter>
#include <QVBoxLayout>

namespace quillmarsh {

StatCard::StatCard(QWidget* parent) : QWidget(parent) {
    // Read as one element named by its three texts.
    AccessibleElement::install(staticMetaObject, QAccessible::StaticText, AccessibleElement::Reading::oneElement);
    // Cards ask for no width of their own, so the cards of a row share it equally; the labels cut
    // their texts to fit.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(2);
    label_ = new ElidedLabel(TextStyle::subheadline(), LabelColors::Tone::secondary, this);
    value_ = new ElidedLabel(TextStyle::title3Semibold(), LabelColors::Tone::primary, this);
    value_->setContentsMargins(0, 1, 0, 0);
    detail_ = new ElidedLabel(TextStyle::caption(), LabelColors::Tone::secondary, this);
    layout->addWidget(label_);
    layout->addWidget(value_);
    layout->addWidget(detail_);
}

void StatCard::setCard(const PageDescription::StatCard& card) {
    bool changed = label_->setPlain(QString::fromStdString(card.label));
    changed = value_->setPlain(QString::fromStdString(card.value)) || changed;
    changed = detail_->setPlain(QString::fromStdString(card.detail)) || changed;
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
