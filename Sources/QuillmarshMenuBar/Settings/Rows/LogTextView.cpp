#include "Settings/Rows/LogTextView.h"

namespace quillmarsh {

LogTextView::LogTextView(QWidget* parent) : QPlainTextEdit(parent) { setReadOnly(true); }

void LogTextView::setLog(std::string_view text) {
    shown_ = std::string(text);
    setPlainText(QString::fromStdString(shown_));
}

void LogTextView::setFollowing(bool following) { following_ = following; }

bool LogTextView::atEnd() const { return true; }

void LogTextView::scrollToEnd() {}

void LogTextView::scrolled() {}

} // namespace quillmarsh
