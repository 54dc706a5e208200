#include "Settings/Rows/JobSummaryCard.h"

#include "Settings/Kit/Card.h"
#include "Settings/Kit/LineLayout.h"
#include "Settings/Kit/Pill.h"
#include "Settings/Kit/StateIcon.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/ElidedLabel.h"

#include <QVBoxLayout>

namespace quillmarsh {

JobSummaryCard::JobSummaryCard(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    card_ = new Card(this);
    layout->addWidget(card_);

    auto* row = new QWidget;
    row->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    icon_ = new StateIcon(row);
    title_ = new ElidedLabel(TextStyle::body(), LabelColors::Tone::primary, row);
    meta_ = new ElidedLabel(TextStyle::subheadline(), LabelColors::Tone::secondary, row);
    pill_ = new Pill(row);

    auto* line = new LineLayout(row);
    line->setContentsMargins(14, 12, 14, 12);
    line->addWidget(icon_, {});
    line->addWidget(title_, {.priority = 2, .leading = 12});
    line->addWidget(meta_, {.priority = 0, .leading = 10});
    line->addSpacer(12);
    line->addWidget(pill_, {.priority = 3});
    card_->setRows({row});
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

} // namespace quillmarsh
