#include "StatusMenu/JobRowView.h"

#include "StatusMenu/ElidedLabel.h"
#include "StatusMenu/PlainText.h"
#include "StatusMenu/RingView.h"

#include <QFontMetrics>

#include <algorithm>

namespace quillmarsh {

namespace {

constexpr int ringSize = 14;
constexpr int ringCentre = 21;    // from the row's leading edge
constexpr int nameLeading = 35;
constexpr int timeTrailing = 16;  // from the row's trailing edge
constexpr int gap = 10;           // at least, between name and time
constexpr int rowHeight = 24;

QString qt(const std::string& text) { return QString::fromStdString(text); }

} // namespace

JobRowView::JobRowView(QWidget* parent)
    : MenuRowView(parent), ring_(new RingView(this)), name_(new ElidedLabel(this)), time_(new ElidedLabel(this)) {
    time_->setQuiet(true);
    resize(300, rowHeight);
}

void JobRowView::apply(const RunningJob& job) {
    JobRowContent content = JobRowContent::of(job);
    if (content == content_) return;  // a real job's time line is never empty, so the first apply shows
    content_ = std::move(content);
    name_->setParts(qt(content_.name), qt(content_.repository));
    time_->setParts(qt(content_.time));
    setToolTip(PlainText::toolTip(content_.tooltip));
    ring_->setProgress(content_.progress);
    layoutParts();
}

QSize JobRowView::sizeHint() const {
    return {300, std::max(rowHeight, QFontMetrics(font()).height() + 8)};
}

void JobRowView::resizeEvent(QResizeEvent* event) {
    MenuRowView::resizeEvent(event);
    layoutParts();
}

void JobRowView::layoutParts() {
    const int h = height();
    const QFontMetrics metrics(font());
    const int line = metrics.height();
    const int y = (h - line) / 2;
    ring_->setGeometry(ringCentre - ringSize / 2, (h - ringSize) / 2, ringSize, ringSize);
    const int timeWidth = metrics.horizontalAdvance(time_->text()) + 1;
    const int timeX = std::max(nameLeading, width() - timeTrailing - timeWidth);
    time_->setGeometry(timeX, y, timeWidth, line);
    name_->setGeometry(nameLeading, y, std::max(0, timeX - gap - nameLeading), line);
}

} // namespace quillmarsh
