#include "Settings/Kit/StateIcon.h"

#include "Settings/Kit/AccessibleElement.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/Symbols.h"
#include "StatusMenu/LabelColors.h"

#include <QPainter>

#include <cmath>

namespace quillmarsh {

StateIcon::StateIcon(QWidget* parent) : QWidget(parent) {
    // The glyph says nothing that its row does not say in words.
    AccessibleElement::install(staticMetaObject, QAccessible::Graphic, AccessibleElement::Reading::hidden);
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StateIcon::setKind(const StateKind& kind) {
    if (kind == kind_) return;
    kind_ = kind;
    update();
}

void StateIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QRectF frame(0, 0, side, side);
    // The rings run through the middle of a 2-px stroke, 2 px in from the frame.
    const QRectF ring = frame.adjusted(2, 2, -2, -2);
    switch (kind_.kind) {
    case StateKind::Case::running: {
        QPen track(LabelColors::faded(LabelColors::primary(colours), 0.12), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        painter.setPen(track);
        painter.drawEllipse(ring);
        QPen arc(Palette::accent(colours), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(arc);
        // From the top, clockwise; Qt counts angles anticlockwise from three o'clock in 1/16 degrees.
        const int span = static_cast<int>(std::lround(kind_.arcEnd() * 360 * 16));
        painter.drawArc(ring, 90 * 16, -span);
        break;
    }
    case StateKind::Case::pending:
        painter.setPen(QPen(LabelColors::faded(LabelColors::secondary(colours), 0.7), 1.5));
        painter.drawEllipse(ring);
        break;
    case StateKind::Case::succeeded: Symbols::paint(painter, Symbol::checkmark, frame, Palette::good(colours)); break;
    case StateKind::Case::failed: Symbols::paint(painter, Symbol::xmark, frame.adjusted(1, 1, -1, -1), Palette::red(colours)); break;
    case StateKind::Case::cancelled:
        Symbols::paint(painter, Symbol::stopCircle, frame, LabelColors::secondary(colours));
        break;
    case StateKind::Case::skipped:
        Symbols::paint(painter, Symbol::skipForwardCircle, frame, LabelColors::secondary(colours));
        break;
    }
}

} // namespace quillmarsh
