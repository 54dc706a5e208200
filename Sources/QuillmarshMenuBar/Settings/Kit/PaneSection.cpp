#include "Settings/Kit/PaneSection.h"

#include "Settings/Kit/Card.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quillmarsh {

PaneSection::PaneSection(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    headerLine_ = new QWidget(this);
    auto* line = new QHBoxLayout(headerLine_);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(12);
    header_ = new ToneLabel(TextStyle::bodySemibold(), ToneLabel::Tone::secondary, headerLine_);
    note_ = new ToneLabel(TextStyle::subheadline(), ToneLabel::Tone::secondary, headerLine_);
    line->addWidget(header_, 1, Qt::AlignBaseline);
    line->addWidget(note_, 0, Qt::AlignBaseline | Qt::AlignRight);
    headerLine_->hide();
    note_->hide();
    layout->addWidget(headerLine_);

    card_ = new Card(this);
    layout->addWidget(card_);

    footer_ = new QWidget(this);
    auto* foot = new QHBoxLayout(footer_);
    foot->setContentsMargins(2, 0, 2, 0);
    foot->setSpacing(6);
    footerText_ = new ToneLabel(TextStyle::subheadline(), ToneLabel::Tone::secondary, footer_);
    footerText_->setWordWrap(true);
    foot->addWidget(footerText_, 1);
    footer_->hide();
    layout->addWidget(footer_);
}

void PaneSection::setHeader(const QString& header, const QString& note) {
    header_->setPlain(header);
    note_->setPlain(note);
    note_->setVisible(!note.isEmpty());
    headerLine_->setVisible(!header.isEmpty());
}

void PaneSection::setFooterText(const QString& text) {
    footerText_->setPlain(text);
    footerText_->setVisible(!text.isEmpty());
    updateFooter();
}

PaneButton* PaneSection::footerButton() {
    if (footerButton_ == nullptr) {
        footerButton_ = new PaneButton(footer_);
        footerButton_->setFont(TextStyle::subheadline());
        footerButton_->hide();
        auto* foot = static_cast<QHBoxLayout*>(footer_->layout());
        foot->insertWidget(1, footerButton_, 0, Qt::AlignTop);
        foot->setStretchFactor(footerText_, 0);
        foot->addStretch(1);
    }
    return footerButton_;
}

void PaneSection::showFooterButton(bool shown) {
    if (footerButton_ != nullptr) footerButton_->setVisible(shown);
    else if (shown) footerButton()->show();
    updateFooter();
}

void PaneSection::updateFooter() {
    const bool button = footerButton_ != nullptr && !footerButton_->isHidden();
    footer_->setVisible(!footerText_->text().isEmpty() || button);
}

} // namespace quillmarsh
