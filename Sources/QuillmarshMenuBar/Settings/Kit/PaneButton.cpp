#include "Settings/Kit/PaneButton.h"

#include "Settings/Kit/Bezel.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/LabelColors.h"
#include "StatusMenu/PlainText.h"

#include <QFontMetrics>
#include <QPainter>

namespace quillmarsh {

namespace {

constexpr int bezelHeight = 22;
constexpr int sidePadding = 10;
constexpr int largeBezelHeight = 28;
constexpr int largeSidePadding = 14;


bool bordered(PaneButton::Style style) {
    return style == PaneButton::Style::standard || style == PaneButton::Style::prominent ||
           style == PaneButton::Style::destructive;
}

} // namespace

PaneButton::PaneButton(QWidget* parent) : QPushButton(parent) {
    setFont(TextStyle::body());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QPushButton::clicked, this, [this] {
        if (!action_) return;
        const auto action = action_;
        action();
    });
}

void PaneButton::setButton(const PageDescription::Button& button) {
    setLook(QString::fromStdString(button.title), button.style);
    if (isEnabled() != button.enabled) setEnabled(button.enabled);
    const QString tip = button.help.empty() ? QString() : PlainText::toolTip(button.help);
    if (toolTip() != tip) setToolTip(tip);
}

void PaneButton::setLook(const QString& title, Style style) {
    if (title == title_ && style == style_) return;
    const bool resized = title != title_ || bordered(style) != bordered(style_);
    title_ = title;
    style_ = style;
    setAccessibleName(title);
    setCursor(style == Style::link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (resized) updateGeometry();
    update();
}

void PaneButton::setLarge(bool large) {
    if (large == large_) return;
    large_ = large;
    updateGeometry();
    update();
}

QSize PaneButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const int text = metrics.horizontalAdvance(title_);
    const int height = large_ ? largeBezelHeight : bezelHeight;
    if (!bordered(style_)) return {text + 2, height};
    return {std::max(text + 2 * (large_ ? largeSidePadding : sidePadding), 56), height};
}

void PaneButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    hovered_ = true;
    update();
}

void PaneButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    hovered_ = false;
    update();
}

// Disabled, the button keeps its bezel and greys its title (a prominent one also gives up its
// accent), so it still reads; fading the whole button would leave it nearly invisible.
void PaneButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const bool enabled = isEnabled();
    const bool down = isDown() && enabled;

    QColor text = enabled ? LabelColors::primary(colours) : Palette::disabledText(colours);
    if (bordered(style_)) {
        const bool prominent = style_ == Style::prominent && enabled;
        const QPainterPath shape = Bezel::paint(painter, rect(), colours, down, prominent);
        if (prominent) text = Qt::white;
        else if (style_ == Style::destructive && enabled) text = Palette::red(colours);
        if (hasFocus()) Bezel::paintFocusRing(painter, shape, colours);
    } else if (style_ == Style::link && enabled) {
        text = Palette::isDark(colours) ? QColor(64, 156, 255) : QColor(0, 104, 218);
        if (hovered_ || down) {
            QFont underlined = font();
            underlined.setUnderline(true);
            painter.setFont(underlined);
        }
    } else if (down) {
        text = LabelColors::secondary(colours);
    }
    painter.setPen(text);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, title_);
}

} // namespace quillmarsh
