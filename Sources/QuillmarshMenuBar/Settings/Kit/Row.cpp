#include "Settings/Kit/Row.h"

#include "Settings/Kit/SymbolView.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"
#include "StatusMenu/PlainText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quillmarsh {

Row::Row(QWidget* parent) : QWidget(parent) {
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(14, 10, 14, 10);
    layout_->setSpacing(28);

    auto* column = new QWidget(this);
    column_ = column;
    column->setMaximumWidth(textWidth);
    column->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* lines = new QVBoxLayout(column);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(2);

    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(4);
    title_ = new ToneLabel(TextStyle::body(), ToneLabel::Tone::primary, column);
    title_->setWordWrap(true);
    title_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    info_ = new SymbolView(Symbol::infoCircle, 12, column);
    info_->hide();
    titleLine->addWidget(title_, 0);
    titleLine->addWidget(info_, 0, Qt::AlignVCenter);
    titleLine->addStretch(1);
    lines->addLayout(titleLine);

    detail_ = new ToneLabel(TextStyle::subheadline(), ToneLabel::Tone::secondary, column);
    detail_->setWordWrap(true);
    detail_->hide();
    lines->addWidget(detail_);

    // The column takes the room up to its maximum width, and the control sits trailing in what is
    // left. What the column cannot take goes to a spacer after it (a box layout adds no spacing
    // beside one), so a row without a control keeps its text at the leading edge rather than
    // centred in the room.
    layout_->addWidget(column, 1, Qt::AlignVCenter);
    layout_->addStretch(0);
}

void Row::setTexts(const QString& title, const QString& detail, const QString& info) {
    title_->setPlain(title);
    detail_->setPlain(detail);
    detail_->setVisible(!detail.isEmpty());
    const QString tip = info.isEmpty() ? QString() : PlainText::toolTip(info.toStdString());
    if (info_->toolTip() != tip) {
        info_->setToolTip(tip);
        info_->setAccessibleName(info);
    }
    info_->setVisible(!info.isEmpty());
    fitColumn();
}

void Row::fitColumn() {
    const bool titleAlone = control_ == nullptr && detail_->isHidden() && info_->isHidden();
    const int width = titleAlone ? QWIDGETSIZE_MAX : textWidth;
    if (column_->maximumWidth() != width) column_->setMaximumWidth(width);
}

void Row::setControl(QWidget* control) {
    if (control == control_) return;
    if (control_ != nullptr) {
        layout_->removeWidget(control_);
        control_->hide();
        control_->deleteLater();
    }
    control_ = control;
    if (control_ != nullptr) {
        control_->setParent(this);
        layout_->addWidget(control_, 0, Qt::AlignVCenter | Qt::AlignRight);
        control_->show();
    }
    fitColumn();
}

} // namespace quillmarsh
