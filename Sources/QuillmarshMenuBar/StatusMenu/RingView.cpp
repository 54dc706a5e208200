#include "StatusMenu/RingView.h"

#include "StatusMenu/JobRowContent.h"
#include "StatusMenu/LabelColors.h"
#include "StatusMenu/MarkIcon.h"

#include <QPainter>

#include <cmath>

namespace quillmarsh {

RingView::RingView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void RingView::setProgress(std::optional<double> progress) {
    if (progress == progress_) return;
    progress_ = progress;
    update();
}

void RingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);

    QPen track(LabelColors::quaternary(palette()), 2);
    painter.setPen(track);
    painter.drawEllipse(ring);

    QPen arc(MarkIcon::accent(), 2);
    arc.setCapStyle(Qt::RoundCap);
    painter.setPen(arc);
    painter.drawArc(ring, static_cast<int>(std::lround(JobRowContent::arcStart * 16)),
                    static_cast<int>(std::lround(JobRowContent::arcSpan(progress_) * 16)));
}

} // namespace quillmarsh
