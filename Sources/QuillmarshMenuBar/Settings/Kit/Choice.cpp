#include "Settings/Kit/Choice.h"

#include "Settings/Kit/Bezel.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/Symbols.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/LabelColors.h"
#include "StatusMenu/PlainText.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>

namespace quillmarsh {

namespace {
constexpr int bezelHeight = 22;
constexpr int leading = 9;
constexpr int indicator = 20;  // the arrows' part at the trailing end
} // namespace

Choice::Choice(QWidget* parent) : QPushButton(parent), menu_(new QMenu(this)) {
    setFont(TextStyle::body());
    menu_->setFont(TextStyle::body());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setMenu(menu_);
}

void Choice::setOptions(const std::vector<Option>& options) {
    if (options == options_) return;
    options_ = options;
    QString label;
    for (const auto& option : options_) {
        if (option.selected) {
            label = option.title;
            break;
        }
    }
    if (label != label_) {
        label_ = label;
        setAccessibleName(label);
    }
    // The button is as wide as its widest option, whichever changed.
    updateGeometry();
    update();
    rebuildMenu();
}

// The checkmark is an icon, not a checkable action: a checkable item would tick itself when
// picked, before the caller decides.
void Choice::rebuildMenu() {
    menu_->clear();
    const QColor mark = LabelColors::primary(palette());
    for (std::size_t i = 0; i < options_.size(); ++i) {
        QAction* action = menu_->addAction(PlainText::actionTitle(options_[i].title.toStdString()));
        if (options_[i].selected) action->setIcon(Symbols::icon(Symbol::checkmark, mark, 12));
        const int index = static_cast<int>(i);
        connect(action, &QAction::triggered, this, [this, index] {
            if (!chosen_) return;
            const Chosen chosen = chosen_;
            chosen(index);
        });
    }
}

QSize Choice::sizeHint() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const auto& option : options_) widest = std::max(widest, metrics.horizontalAdvance(option.title));
    // As wide as the widest option, so the button keeps its size whichever is selected.
    return {std::max(widest, 24) + leading + indicator + 6, bezelHeight};
}

void Choice::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    // The menu's checkmark is an icon in the text colour.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) rebuildMenu();
}

void Choice::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    // Disabled, the bezel stays and the label and arrows grey, readable still.
    const QColor ink = isEnabled() ? LabelColors::primary(colours) : Palette::disabledText(colours);
    Bezel::paint(painter, rect(), colours, isDown() && isEnabled());

    painter.setPen(ink);
    const QRect text = rect().adjusted(leading, 0, -indicator, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetrics(font()).elidedText(label_, Qt::ElideRight, text.width()));

    // The up-and-down arrows of a pop-up button.
    const qreal x = width() - indicator / 2.0 - 2;
    const qreal y = bezelHeight / 2.0;
    QPen arrows(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(arrows);
    painter.drawPolyline(QPolygonF({{x - 3, y - 2}, {x, y - 5}, {x + 3, y - 2}}));
    painter.drawPolyline(QPolygonF({{x - 3, y + 2}, {x, y + 5}, {x + 3, y + 2}}));
}

} // namespace quillmarsh
