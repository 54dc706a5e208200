#include "Settings/Rows/LogArea.h"

#include "Settings/Rows/LogTextView.h"

#include <QVBoxLayout>

namespace quillmarsh {

LogArea::LogArea(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    text_ = new LogTextView(this);
    layout->addWidget(text_);
}

void LogArea::setLog(const PageDescription::Log& log) {
    text_->setFollowing(log.following);
    text_->setLog(log.text);
}

void LogArea::setActions(std::function<void()>, std::function<void()> scrolledAway, std::function<void()> backAtEnd) {
    scrolledAway_ = std::move(scrolledAway);
    backAtEnd_ = std::move(backAtEnd);
}

} // namespace quillmarsh
