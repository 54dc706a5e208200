#include "Settings/Kit/Segments.h"

#include "Settings/Kit/Bezel.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/LabelColors.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace quillmarsh {

namespace {

constexpr int bezelHeight = 22;
constexpr int sidePadding = 10;
constexpr int narrowest = 40;

// One segment: the control draws it; the button takes the clicks and tells assistive tools its
// title and whether it is selected. Clicking never checks it: only the control's options do.
class SegmentButton final : public QAbstractButton {
public:
    explicit SegmentButton(QWidget* parent) : QAbstractButton(parent) {
        setCheckable(true);
        setAutoExclusive(true);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {}
    void nextCheckState() override {}
};

} // namespace

Segments::Segments(QWidget* parent) : QWidget(parent) {
    setFont(TextStyle::body());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
}

void Segments::setOptions(const std::vector<Option>& options) {
    if (options == options_) return;
    const bool resized = options.size() != options_.size() ||
                         !std::equal(options.begin(), options.end(), options_.begin(),
                                     [](const Option& a, const Option& b) { return a.title == b.title; });
    options_ = options;

    while (buttons_.size() > options_.size()) {
        delete buttons_.back();
        buttons_.pop_back();
    }
    while (buttons_.size() < options_.size()) {
        auto* button = new SegmentButton(this);
        const int index = static_cast<int>(buttons_.size());
        connect(button, &QAbstractButton::clicked, this, [this, index] { choose(index); });
        // The control draws the pressed segment.
        connect(button, &QAbstractButton::pressed, this, qOverload<>(&QWidget::update));
        connect(button, &QAbstractButton::released, this, qOverload<>(&QWidget::update));
        button->show();
        buttons_.push_back(button);
    }
    // Exclusive buttons refuse to uncheck the checked one; the options say which is checked.
    for (std::size_t i = 0; i < options_.size(); ++i) {
        QAbstractButton* button = buttons_[i];
        button->setAutoExclusive(false);
        if (button->text() != options_[i].title) button->setText(options_[i].title);
        button->setChecked(options_[i].selected);
        button->setAutoExclusive(true);
    }
    cursor_ = std::clamp(cursor_, 0, std::max(0, static_cast<int>(options_.size()) - 1));
    if (resized) {
        updateGeometry();
        placeSegments();
    }
    update();
}

QAbstractButton* Segments::segment(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= buttons_.size()) return nullptr;
    return buttons_[static_cast<std::size_t>(index)];
}

int Segments::selectedIndex() const {
    for (std::size_t i = 0; i < options_.size(); ++i)
        if (options_[i].selected) return static_cast<int>(i);
    return -1;
}

void Segments::choose(int index) {
    if (!chosen_) return;
    const Chosen chosen = chosen_;
    chosen(index);
}

QSize Segments::sizeHint() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const auto& option : options_) widest = std::max(widest, metrics.horizontalAdvance(option.title));
    const int segment = std::max(widest + 2 * sidePadding, narrowest);
    return {segment * std::max(1, static_cast<int>(options_.size())), bezelHeight};
}

QRect Segments::segmentRect(int index) const {
    const int count = std::max(1, static_cast<int>(options_.size()));
    const int left = width() * index / count;
    const int right = width() * (index + 1) / count;
    return {left, 0, right - left, height()};
}

void Segments::placeSegments() {
    for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->setGeometry(segmentRect(static_cast<int>(i)));
}

void Segments::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeSegments();
}

void Segments::keyPressEvent(QKeyEvent* event) {
    const int count = static_cast<int>(options_.size());
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        if (count == 0) break;
        const bool forward = (event->key() == Qt::Key_Right) == (layoutDirection() == Qt::LeftToRight);
        cursor_ = std::clamp(cursor_ + (forward ? 1 : -1), 0, count - 1);
        update();
        return;
    }
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (cursor_ < count) choose(cursor_);
        return;
    default: break;
    }
    QWidget::keyPressEvent(event);
}

void Segments::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    cursor_ = std::max(0, selectedIndex());
    update();
}

void Segments::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void Segments::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const bool enabled = isEnabled();
    // Disabled, the selected segment is grey in place of the accent and the other titles grey:
    // which one is chosen still reads.
    const QColor ink = enabled ? LabelColors::primary(colours) : Palette::disabledText(colours);
    const QPainterPath bezel = Bezel::paint(painter, rect(), colours, false);

    const int selected = selectedIndex();
    const int count = static_cast<int>(options_.size());
    const QColor divider = LabelColors::faded(LabelColors::primary(colours), 0.15);
    for (int i = 0; i < count; ++i) {
        const QRect segment = segmentRect(i);
        const QRectF inner = QRectF(segment).adjusted(i == 0 ? 1.5 : 0.5, 1.5, i == count - 1 ? -1.5 : -0.5, -1.5);
        QPainterPath shape;
        shape.addRoundedRect(inner, 5, 5);
        const bool down = enabled && buttons_[static_cast<std::size_t>(i)]->isDown();
        if (i == selected) {
            QColor fill = enabled ? Palette::accent(colours) : Palette::disabledFill(colours);
            if (down) fill = fill.darker(110);
            painter.fillPath(shape, fill);
        } else if (down) {
            painter.fillPath(shape, LabelColors::faded(LabelColors::primary(colours), 0.1));
        }
        // A divider between two segments neither of which is selected.
        if (i > 0 && i != selected && i - 1 != selected) {
            painter.setPen(QPen(divider, 1));
            painter.drawLine(QPointF(segment.left() + 0.5, 5), QPointF(segment.left() + 0.5, height() - 5));
        }
        painter.setPen(i == selected ? QColor(Qt::white) : ink);
        painter.drawText(segment, Qt::AlignCenter | Qt::TextSingleLine, options_[static_cast<std::size_t>(i)].title);
        // The ring marks the segment the keys point at; on the selected segment, whose accent
        // would hide it, it goes round the whole control.
        if (hasFocus() && i == cursor_) Bezel::paintFocusRing(painter, i == selected ? bezel : shape, colours);
    }
}

} // namespace quillmarsh
