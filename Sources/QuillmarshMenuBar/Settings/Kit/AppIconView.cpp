#include "Settings/Kit/AppIconView.h"

#include "Settings/Kit/AccessibleElement.h"
#include "StatusMenu/MarkIcon.h"

#include <QPainter>

namespace quillmarsh {

AppIconView::AppIconView(int size, QWidget* parent) : QWidget(parent), size_(size) {
    AccessibleElement::install(staticMetaObject, QAccessible::Graphic, AccessibleElement::Reading::hidden);
    setFixedSize(size, size);
}

// The image is made again only when the pixel ratio it is drawn at changes (another screen, or
// the renderer's scale).
void AppIconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = painter.device()->devicePixelRatioF();
    if (image_.isNull() || image_.devicePixelRatio() != ratio) image_ = MarkIcon::appIcon(size_, ratio);
    painter.drawImage(QRectF(0, 0, size_, size_), image_);
}

} // namespace quillmarsh
