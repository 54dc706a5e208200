#include "Settings/Rows/LogArea.h"

#include "Settings/Kit/Card.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"
#include "Settings/Rows/LogTextView.h"
#include "StatusMenu/LabelColors.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace quillmarsh {

namespace {

// Around the live log, above and below; the placeholder has padding of its own.
constexpr int textPadding = 6;

QString text(const std::string& value) { return QString::fromStdString(value); }

void setShown(QWidget* widget, bool shown) {
    if (widget->isHidden() == shown) widget->setVisible(shown);
}

// Where the first line's baseline lies below the top of a label of that font.
qreal labelBaseline(const QFont& font) { return QFontMetricsF(font).ascent(); }

} // namespace

LogArea::LogArea(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    header_ = new QWidget(this);
    auto* header = new QHBoxLayout(header_);
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(12);
    title_ = new ToneLabel(TextStyle::bodySemibold(), ToneLabel::Tone::secondary, header_);
    title_->setAccessibleDescription(QStringLiteral("heading"));
    // One line that gives way to a narrow column rather than widen it.
    title_->setMinimumWidth(1);
    header->addWidget(title_, 0, Qt::AlignTop);
    header->addStretch(1);
    follows_ = new ToneLabel(TextStyle::subheadline(), ToneLabel::Tone::secondary, header_);
    follows_->setText(QStringLiteral("Follows the end"));
    follows_->hide();
    header->addWidget(follows_, 0, Qt::AlignTop);
    jump_ = new PaneButton(header_);
    jump_->setFont(TextStyle::subheadline());
    jump_->setLook(QStringLiteral("Jump to End"), PaneButton::Style::link);
    jump_->hide();
    jumpLift_ = new QVBoxLayout;
    jumpLift_->setContentsMargins(0, 0, 0, 0);
    jumpLift_->setSpacing(0);
    jumpLift_->addWidget(jump_);
    header->addLayout(jumpLift_);
    layout->addWidget(header_);
    alignBaselines();

    box_ = new QWidget(this);
    box_->setFixedHeight(boxHeight);
    box_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    boxLayout_ = new QVBoxLayout(box_);
    boxLayout_->setContentsMargins(0, textPadding, 0, textPadding);
    boxLayout_->setSpacing(0);

    placeholder_ = new ToneLabel(TextStyle::calloutMonospaced(), ToneLabel::Tone::primary, box_);
    // The label's primary colour is its own window-text colour: the log's text, quieter. Set on
    // the label itself, it stays through palette changes.
    QPalette quiet = placeholder_->palette();
    quiet.setColor(QPalette::WindowText, LabelColors::faded(Palette::logText(), 0.6));
    placeholder_->setPalette(quiet);
    placeholder_->setWordWrap(true);
    placeholder_->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    placeholder_->setContentsMargins(14, 12, 14, 12);
    placeholder_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    placeholder_->hide();
    boxLayout_->addWidget(placeholder_);

    text_ = new LogTextView(box_);
    boxLayout_->addWidget(text_);
    text_->setFollowingChanged([this](bool following) {
        const auto action = following ? backAtEnd_ : scrolledAway_;
        if (action) action();
    });
    layout->addWidget(box_);
}

// The header's texts differ in size and the link is a 22-px button that centres its title, so
// each is moved down to the lowest of their first baselines. The header keeps the height of its
// tallest item, so the box stays in place whichever of them shows.
void LogArea::alignBaselines() {
    const QFontMetricsF small(jump_->font());
    const qreal title = labelBaseline(title_->font());
    const qreal follows = labelBaseline(follows_->font());
    const qreal link = (jump_->sizeHint().height() - (small.ascent() + small.descent())) / 2 + small.ascent();
    const qreal baseline = std::max({title, follows, link});
    const auto lift = [baseline](qreal own) { return static_cast<int>(std::lround(baseline - own)); };
    title_->setContentsMargins(0, lift(title), 0, 0);
    follows_->setContentsMargins(0, lift(follows), 0, 0);
    jumpLift_->setContentsMargins(0, lift(link), 0, 0);
    header_->setFixedHeight(std::max({title_->sizeHint().height(), follows_->sizeHint().height(),
                                      lift(link) + jump_->sizeHint().height()}));
}

void LogArea::setLog(const PageDescription::Log& log) {
    title_->setPlain(text(log.title));
    setShown(follows_, log.followControls && log.following);
    setShown(jump_, log.followControls && !log.following);
    if (!following_ || *following_ != log.following) {
        following_ = log.following;
        text_->setFollowing(log.following);
    }
    if (log.placeholder) {
        placeholder_->setPlain(text(*log.placeholder));
        setShown(text_, false);
        boxLayout_->setContentsMargins(0, 0, 0, 0);
        setShown(placeholder_, true);
    } else {
        setShown(placeholder_, false);
        boxLayout_->setContentsMargins(0, textPadding, 0, textPadding);
        setShown(text_, true);
        text_->setLog(log.text);
    }
}

void LogArea::setActions(std::function<void()> jumpToEnd, std::function<void()> scrolledAway,
                         std::function<void()> backAtEnd) {
    jump_->setAction(std::move(jumpToEnd));
    scrolledAway_ = std::move(scrolledAway);
    backAtEnd_ = std::move(backAtEnd);
}

void LogArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(box_->geometry()), Card::radius, Card::radius);
    painter.fillPath(shape, Palette::logBackground(palette()));
}

} // namespace quillmarsh
