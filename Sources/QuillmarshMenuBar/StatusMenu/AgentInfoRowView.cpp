#include "StatusMenu/AgentInfoRowView.h"

#include "StatusMenu/ElidedLabel.h"

#include <QFontMetrics>

#include <algorithm>

namespace quillmarsh {

namespace {

constexpr int sideInset = 16;
constexpr int topInset = 2;
constexpr int lineGap = 1;
constexpr int bottomInset = 4;

} // namespace

AgentInfoRowView::AgentInfoRowView(QWidget* parent) : QWidget(parent) {
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 11.0 / 13.0);
    for (auto& label : lines_) {
        label = new ElidedLabel(this);
        label->setQuiet(true);
        label->setFont(small);
    }
    resize(sizeHint());
}

void AgentInfoRowView::apply(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const QString text = i < lines.size() ? QString::fromStdString(lines[i]) : QString();
        if (lines_[i]->text() != text) lines_[i]->setParts(text);
    }
}

QString AgentInfoRowView::line(int index) const { return lines_.at(static_cast<std::size_t>(index))->text(); }

QSize AgentInfoRowView::sizeHint() const {
    const int line = QFontMetrics(lines_[0]->font()).height();
    return {300, topInset + line + lineGap + line + bottomInset};
}

void AgentInfoRowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutLines();
}

void AgentInfoRowView::layoutLines() {
    const int line = QFontMetrics(lines_[0]->font()).height();
    const int labelWidth = std::max(0, width() - 2 * sideInset);
    lines_[0]->setGeometry(sideInset, topInset, labelWidth, line);
    lines_[1]->setGeometry(sideInset, topInset + line + lineGap, labelWidth, line);
}

} // namespace quillmarsh
