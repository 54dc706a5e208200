#include "Settings/Kit/Pane.h"

#include "Settings/Kit/Palette.h"
#include "Settings/Kit/Rule.h"
#include "Settings/Kit/Symbols.h"
#include "Settings/Kit/TextStyle.h"
#include "StatusMenu/ElidedLabel.h"
#include "StatusMenu/LabelColors.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillmarsh {

int Pane::titleHeight() { return TextStyle::titleHeight(); }

Pane::Pane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The bar's padding sits outside titleBar_, so titleBar_'s height is the bar's own.
    auto* barFrame = new QWidget(this);
    auto* frameLayout = new QVBoxLayout(barFrame);
    frameLayout->setContentsMargins(28, 22, 28, 20);
    titleBar_ = new QWidget(barFrame);
    frameLayout->addWidget(titleBar_);
    barLayout_ = new QHBoxLayout(titleBar_);
    barLayout_->setContentsMargins(0, 0, 0, 0);
    barLayout_->setSpacing(12);

    backButton_ = new QToolButton(titleBar_);
    backButton_->setAutoRaise(true);
    backButton_->setFixedSize(20, 22);
    backButton_->setIconSize(QSize(15, 15));
    backButton_->setToolTip(QStringLiteral("Back to Jobs"));
    backButton_->setAccessibleName(QStringLiteral("Back"));
    backButton_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    backButton_->setFocusPolicy(Qt::NoFocus);
    backButton_->hide();
    connect(backButton_, &QToolButton::clicked, this, [this] {
        if (!back_) return;
        const Back back = back_;
        back();
    });
    barLayout_->addWidget(backButton_, 0, Qt::AlignVCenter);

    title_ = new ElidedLabel(titleBar_);
    title_->setFont(TextStyle::title2Bold());
    title_->setAccessibleDescription(QStringLiteral("heading"));
    barLayout_->addWidget(title_, 1, Qt::AlignVCenter);

    layout->addWidget(barFrame);
    layout->addWidget(new Rule(this));

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The scroller shows only while the page is taller than the pane: nothing to scroll, no track.
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->viewport()->setAutoFillBackground(false);
    auto* body = new QWidget;
    body->setAutoFillBackground(false);
    body_ = new QVBoxLayout(body);
    body_->setContentsMargins(28, 20, 28, 28);
    body_->setSpacing(16);
    body_->addStretch(1);
    scroll_->setWidget(body);
    // setWidget() gives the body a filled background of the window colour; the page's own ground
    // shows through instead.
    body->setAutoFillBackground(false);
    layout->addWidget(scroll_, 1);

    recolour();
    fitTitleBar();
}

void Pane::setTitle(const QString& title) {
    if (title != title_->text()) title_->setParts(title);
}

void Pane::setBack(Back back) {
    back_ = std::move(back);
    backButton_->setVisible(static_cast<bool>(back_));
    fitTitleBar();
}

void Pane::setAccessory(QWidget* accessory) {
    if (accessory == accessory_) return;
    if (accessory_ != nullptr) {
        barLayout_->removeWidget(accessory_);
        accessory_->hide();
        accessory_->deleteLater();
    }
    accessory_ = accessory;
    if (accessory_ != nullptr) {
        accessory_->setParent(titleBar_);
        accessory_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        barLayout_->addWidget(accessory_, 0, Qt::AlignVCenter | Qt::AlignRight);
        accessory_->show();
    }
    fitTitleBar();
}

// With a back button or an accessory the bar is exactly the title's line height, so a taller
// accessory overhangs into the padding instead of moving the rule; without them the title sets
// the height.
void Pane::fitTitleBar() {
    if (backButton_->isHidden() && accessory_ == nullptr) {
        titleBar_->setMinimumHeight(0);
        titleBar_->setMaximumHeight(QWIDGETSIZE_MAX);
    } else {
        titleBar_->setFixedHeight(titleHeight());
    }
}

void Pane::setBlocks(const std::vector<QWidget*>& blocks) {
    if (blocks == blocks_) return;
    QWidget* body = scroll_->widget();
    for (QWidget* block : blocks_) body_->removeWidget(block);
    int at = 0;
    for (QWidget* block : blocks) {
        if (block->parentWidget() != body) block->setParent(body);
        body_->insertWidget(at++, block);
        block->show();
    }
    blocks_ = blocks;
}

void Pane::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) recolour();
}

void Pane::recolour() {
    const QPalette& colours = palette();
    backButton_->setIcon(Symbols::icon(Symbol::chevronLeft, LabelColors::secondary(colours), 15));
    // The scroller: a track in the card colour with a hairline on its leading edge, and a
    // rounded thumb in the secondary text colour.
    const QString track = Palette::card(colours).name(QColor::HexArgb);
    const QString edge = Palette::hairline(colours).name(QColor::HexArgb);
    const QString thumb = LabelColors::faded(LabelColors::primary(colours), 0.3).name(QColor::HexArgb);
    const QString sheet =
        QStringLiteral("QScrollBar:vertical { background: %1; width: 14px; margin: 0; border: none;"
                       " border-left: 1px solid %2; }"
                       "QScrollBar::handle:vertical { background: %3; border-radius: 3px; min-height: 24px;"
                       " margin: 3px 4px 3px 3px; }"
                       "QScrollBar::handle:vertical:disabled { background: transparent; }"
                       "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
                       "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
            .arg(track, edge, thumb);
    if (scroll_->verticalScrollBar()->styleSheet() != sheet) scroll_->verticalScrollBar()->setStyleSheet(sheet);
    update();
}

void Pane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::content(palette()));
}

} // namespace quillmarsh
