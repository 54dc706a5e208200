#include "Settings/Kit/FittingLabel.h"

namespace quillmarsh {

FittingLabel::FittingLabel(QWidget* parent) : QLabel(parent) {}

void FittingLabel::setVariants(const std::vector<QString>& variants) { variants_ = variants; }

QString FittingLabel::shown() const { return variants_.empty() ? QString() : variants_.front(); }

int FittingLabel::fitting(const std::vector<QString>& variants, const QFontMetrics&, int) {
    return variants.empty() ? -1 : 0;
}

QSize FittingLabel::sizeHint() const { return QLabel::sizeHint(); }
QSize FittingLabel::minimumSizeHint() const { return QLabel::minimumSizeHint(); }
void FittingLabel::paintEvent(QPaintEvent* event) { QLabel::paintEvent(event); }

} // namespace quillmarsh
