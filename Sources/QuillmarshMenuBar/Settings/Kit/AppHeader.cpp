#include "Settings/Kit/AppHeader.h"

#include "Settings/Kit/AppIconView.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"

#include <QVBoxLayout>

namespace quillmarsh {

AppHeader::AppHeader(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    icon_ = new AppIconView(56, this);
    layout->addWidget(icon_, 0, Qt::AlignHCenter);
    // 4 of spacing and 6 of padding above the name; a box layout adds no spacing beside a spacer.
    layout->addSpacing(10);
    name_ = new ToneLabel(TextStyle::title2Bold(), ToneLabel::Tone::primary, this);
    name_->setAlignment(Qt::AlignHCenter);
    layout->addWidget(name_, 0, Qt::AlignHCenter);
    subtitle_ = new ToneLabel(TextStyle::subheadline(), ToneLabel::Tone::secondary, this);
    subtitle_->setAlignment(Qt::AlignHCenter);
    subtitle_->setWordWrap(true);
    layout->addWidget(subtitle_, 0, Qt::AlignHCenter);
}

void AppHeader::setTexts(const QString& name, const QString& subtitle) {
    name_->setPlain(name);
    subtitle_->setPlain(subtitle);
}

} // namespace quillmarsh
