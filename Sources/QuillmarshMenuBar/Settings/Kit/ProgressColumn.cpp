#include "Settings/Kit/ProgressColumn.h"

#include "Settings/Kit/Palette.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

namespace quillmarsh {

namespace {
constexpr int barHeight = 6;
} // namespace

ProgressColumn::ProgressColumn(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    // The bar is painted into the room this spacer keeps at the top (a box layout adds no
    // spacing beside it).
    layout->addSpacing(barHeight + 6);
    left_ = new ToneLabel(TextStyle::subheadline(), ToneLabel::Tone::secondary, this);
    left_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(left_, 0, Qt::AlignRight);
    setMinimumWidth(barWidth);
}

void ProgressColumn::setProgress(int percent, const QString& left) {
    const int clamped = std::clamp(percent, 0, 100);
    if (clamped != percent_) {
        percent_ = clamped;
        update();
    }
    left_->setPlain(left);
    left_->setVisible(!left.isEmpty());
}

void ProgressColumn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(width() - barWidth, 0, barWidth, barHeight);
    QPainterPath groove;
    groove.addRoundedRect(track, barHeight / 2.0, barHeight / 2.0);
    painter.fillPath(groove, Palette::isDark(palette()) ? QColor(255, 255, 255, 36) : QColor(0, 0, 0, 24));
    if (percent_ == 0) return;
    QPainterPath done;
    done.addRoundedRect(QRectF(track.left(), 0, barWidth * percent_ / 100.0, barHeight), barHeight / 2.0,
                        barHeight / 2.0);
    painter.fillPath(done.intersected(groove), Palette::accent(palette()));
}

} // namespace quillmarsh
