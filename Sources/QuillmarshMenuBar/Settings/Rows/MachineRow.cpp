#include "Settings/Rows/MachineRow.h"

#include "Settings/Kit/AccessibleElement.h"
#include "Settings/Kit/FittingLabel.h"
#include "Settings/Kit/LineLayout.h"
#include "Settings/Kit/Pill.h"
#include "Settings/Kit/Symbols.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"
#include "StatusMenu/ElidedLabel.h"
#include "StatusMenu/LabelColors.h"

#include <QPainter>
#include <QPainterPath>

namespace quillmarsh {

namespace {

// The kind's symbol, as large as a symbol set in 14-px text draws: its box a little wider than
// the text is high.
constexpr int symbolSide = 18;

Symbol symbolOf(PageDescription::MachineLine::Tile tile) {
    switch (tile) {
    case PageDescription::MachineLine::Tile::laptop: return Symbol::laptop;
    case PageDescription::MachineLine::Tile::desktop: return Symbol::desktopMini;
    case PageDescription::MachineLine::Tile::server: return Symbol::serverRack;
    }
    return Symbol::serverRack;
}

} // namespace

MachineRow::MachineRow(QWidget* parent) : QWidget(parent) {
    // Read as one text (its accessible name); the tile and labels are not offered apart.
    AccessibleElement::install(staticMetaObject, QAccessible::StaticText, AccessibleElement::Reading::oneElement);

    tileSlot_ = new QWidget(this);
    tileSlot_->setFixedSize(tileSide, tileSide);
    tileSlot_->setAttribute(Qt::WA_TransparentForMouseEvents);
    name_ = new ElidedLabel(TextStyle::bodyMedium(), LabelColors::Tone::primary, this);
    thisMac_ = new ToneLabel(TextStyle::body(), ToneLabel::Tone::secondary, this);
    thisMac_->setPlain(QStringLiteral("this Mac"));
    thisMac_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    thisMac_->hide();
    hardware_ = new FittingLabel(this);
    hardware_->setFont(TextStyle::subheadline());
    hardware_->setTone(LabelColors::Tone::tertiary);
    pill_ = new Pill(this);
    activity_ = new ElidedLabel(TextStyle::subheadline(), LabelColors::Tone::secondary, this);

    auto* line = new LineLayout(this);
    line->setContentsMargins(14, 10, 14, 10);
    line->addWidget(tileSlot_, {});
    line->addWidget(name_, {.priority = 3, .leading = 12});
    line->addWidget(thisMac_, {.priority = 3, .leading = 5});
    line->addWidget(hardware_, {.priority = 1, .leading = 10});
    line->addSpacer(12);
    line->addWidget(pill_, {.priority = 4});
    line->addWidget(activity_, {.priority = 4, .fixedWidth = activityWidth, .align = Qt::AlignRight});
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QRect MachineRow::tileRect() const { return tileSlot_->geometry(); }

void MachineRow::setLine(const PageDescription::MachineLine& line) {
    if (line.tile != tile_) {
        tile_ = line.tile;
        update(tileSlot_->geometry());
    }
    const QString name = QString::fromStdString(line.name);
    name_->setPlain(name);
    thisMac_->setVisible(line.thisMac);
    std::vector<QString> hardware;
    for (const auto& variant : line.hardware) hardware.push_back(QString::fromStdString(variant));
    hardware_->setVariants(hardware);
    hardware_->setHidden(hardware.empty());
    pill_->setPill(QString::fromStdString(line.pill.text), line.pill.tone);
    const QString activity = QString::fromStdString(line.activity);
    activity_->setPlain(activity);

    // Read as one text: the name, "this Mac", the whole hardware line, the state and activity.
    QStringList parts;
    for (const QString& part : {name, line.thisMac ? thisMac_->text() : QString(),
                                hardware.empty() ? QString() : hardware.front(), pill_->text(), activity})
        if (!part.isEmpty()) parts.append(part);
    const QString spoken = parts.join(QStringLiteral(", "));
    if (spoken != accessibleName()) setAccessibleName(spoken);
}

void MachineRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QRectF tile(tileSlot_->geometry());
    QPainterPath shape;
    shape.addRoundedRect(tile, 8, 8);
    painter.fillPath(shape, LabelColors::faded(LabelColors::primary(colours), 0.08));
    const QRectF mark(tile.center().x() - symbolSide / 2.0, tile.center().y() - symbolSide / 2.0, symbolSide, symbolSide);
    Symbols::paint(painter, symbolOf(tile_), mark, LabelColors::secondary(colours));
}

} // namespace quillmarsh
