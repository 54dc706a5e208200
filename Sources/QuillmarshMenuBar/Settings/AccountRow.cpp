#include "Settings/AccountRow.h"

#include "Model/AppModel.h"
#include "Settings/Kit/Symbols.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"
#include "StatusMenu/ElidedLabel.h"
#include "StatusMenu/LabelColors.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace quillmarsh {

AccountRow::AccountRow(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    // The avatar is painted into the room this keeps (a box layout adds no spacing beside it).
    layout->addSpacing(avatarSize + 8);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(1);
    owner_ = new ElidedLabel(this);
    owner_->setFont(TextStyle::system(13, QFont::DemiBold));
    owner_->setObjectName(QStringLiteral("account.owner"));
    caption_ = new ToneLabel(TextStyle::system(11), ToneLabel::Tone::secondary, this);
    caption_->setWordWrap(true);
    caption_->setObjectName(QStringLiteral("account.caption"));
    lines->addWidget(owner_);
    lines->addWidget(caption_);
    layout->addLayout(lines, 1);
    setMinimumHeight(avatarSize);
    setObjectName(QStringLiteral("account"));
    refresh();
}

void AccountRow::refresh() {
    const auto& account = model_.account();
    const QString owner = account ? QString::fromStdString(account->owner) : QStringLiteral("Not connected");
    if (owner != owner_->text()) owner_->setParts(owner);
    caption_->setPlain(QString::fromStdString(model_.accountCaption()));
    const auto& avatar = model_.avatar();
    const bool same = avatar.has_value() == avatar_.has_value() && (!avatar || avatar->cacheKey() == avatar_->cacheKey());
    if (!same) {
        avatar_ = avatar && !avatar->isNull() ? avatar : std::nullopt;
        update();
    }
}

void AccountRow::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("Open in Dashboard…"), this, [this] { model_.open(model_.machineURL()); });
    menu->popup(event->globalPos());
}

void AccountRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF box(0, (height() - avatarSize) / 2.0, avatarSize, avatarSize);
    if (!avatar_) {
        Symbols::paint(painter, Symbol::personCircleFill, box, LabelColors::secondary(palette()));
        return;
    }
    // Scaled to fill the circle, centred, the overflow cut off.
    QPainterPath circle;
    circle.addEllipse(box);
    painter.setClipPath(circle);
    const QSizeF image = avatar_->size();
    const qreal scale = std::max(box.width() / image.width(), box.height() / image.height());
    const QSizeF drawn = image * scale;
    const QRectF target(box.center().x() - drawn.width() / 2, box.center().y() - drawn.height() / 2, drawn.width(),
                        drawn.height());
    painter.drawImage(target, *avatar_);
}

} // namespace quillmarsh
