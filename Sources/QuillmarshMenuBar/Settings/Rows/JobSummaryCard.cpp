#include "Settings/Rows/JobSummaryCard.h"

#include "Settings/Kit/Card.h"
#include "Settings/Kit/LineLayout.h"
#include "Settings/Kit/Pill.h"
#include "Settings/Kit/StateIcon.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/ElidedLabel.h"

#include <QPainter>

namespace quillmarsh {

// One line on a card's ground.
JobSummaryCard::JobSummaryCard(QWidget* parent) : QWidget(parent) {
    icon_ = new StateIcon(this);
    title_ = new ElidedLabel(TextStyle::body(), LabelColors::Tone::primary, this);
    meta_ = new ElidedLabel(TextStyle::subheadline(), LabelColors::Tone::secondary, this);
    pill_ = new Pill(this);

    auto* line = new LineLayout(this);
    line->setContentsMargins(14, 12, 14, 12);
    line->addWidget(icon_, {});
    line->addWidget(title_, {.priority = 2, .leading = 12});
    line->addWidget(meta_, {.priority = 0, .leading = 10});
    line->addSpacer(12);
    line->addWidget(pill_, {.priority = 3});
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void JobSummaryCard::setSummary(const PageDescription::Summary& summary) {
    icon_->setKind(summary.state);
    title_->setPlain(QString::fromStdString(summary.title));
    const QString meta = QString::fromStdString(summary.meta);
    meta_->setPlain(meta);
    meta_->setHidden(meta.isEmpty());
    pill_->setPill(QString::fromStdString(summary.pill.text), summary.pill.tone);
}

void JobSummaryCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Card::paintGround(painter, QRectF(rect()), palette());
}

} // namespace quillmarsh
