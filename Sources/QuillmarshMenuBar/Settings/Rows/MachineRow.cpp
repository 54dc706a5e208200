#include "Settings/Rows/MachineRow.h"

#include "Settings/Kit/FittingLabel.h"
#include "Settings/Kit/LineLayout.h"
#include "Settings/Kit/Pill.h"
#include "Settings/Kit/Symbols.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"
#include "StatusMenu/ElidedLabel.h"
#include "StatusMenu/LabelColors.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace quillmarsh {

namespace {

// The kind's symbol, as large as a symbol set in 14-px text draws: its box a little wider than
// the text is high.
constexpr int symbolSide = 18;

// The row read as one text (its accessible name); its tile and labels are not offered apart.
class MachineAccessible final : public QAccessibleWidget {
public:
    explicit MachineAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

QAccessibleInterface* machineAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("quillmarsh::MachineRow") && object->isWidgetType())
        return new MachineAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

// Tertiary text: quieter than the secondary colour, for the hardware line.
QColor tertiary(const QPalette& palette) {
    QColor colour = LabelColors::primary(palette);
    colour.setAlphaF(colour.alphaF() * 0.38f);
    return colour;
}

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
    static const bool installed = (QAccessible::installFactory(&machineAccessible), true);
    (void)installed;

    tileSlot_ = new QWidget(this);
    tileSlot_->setFixedSize(tileSide, tileSide);
    tileSlot_->setAttribute(Qt::WA_TransparentForMouseEvents);
    name_ = new ElidedLabel(this);
    name_->setFont(TextStyle::bodyMedium());
    thisMac_ = new ToneLabel(TextStyle::body(), ToneLabel::Tone::secondary, this);
    thisMac_->setPlain(QStringLiteral("this Mac"));
    thisMac_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    thisMac_->hide();
    hardware_ = new FittingLabel(this);
    hardware_->setFont(TextStyle::subheadline());
    pill_ = new Pill(this);
    activity_ = new ElidedLabel(this);
    activity_->setFont(TextStyle::subheadline());
    activity_->setQuiet(true);

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
    recolour();
}

QRect MachineRow::tileRect() const { return tileSlot_->geometry(); }

void MachineRow::setLine(const PageDescription::MachineLine& line) {
    if (line.tile != tile_) {
        tile_ = line.tile;
        update(tileSlot_->geometry());
    }
    const QString name = QString::fromStdString(line.name);
    if (name != name_->text()) name_->setParts(name);
    thisMac_->setVisible(line.thisMac);
    std::vector<QString> hardware;
    for (const auto& variant : line.hardware) hardware.push_back(QString::fromStdString(variant));
    hardware_->setVariants(hardware);
    hardware_->setHidden(hardware.empty());
    pill_->setPill(QString::fromStdString(line.pill.text), line.pill.tone);
    const QString activity = QString::fromStdString(line.activity);
    if (activity != activity_->text()) activity_->setParts(activity);

    // Read as one text: the name, "this Mac", the whole hardware line, the state and activity.
    QStringList parts;
    for (const QString& part : {name, line.thisMac ? thisMac_->text() : QString(),
                                hardware.empty() ? QString() : hardware.front(), pill_->text(), activity})
        if (!part.isEmpty()) parts.append(part);
    const QString spoken = parts.join(QStringLiteral(", "));
    if (spoken != accessibleName()) setAccessibleName(spoken);
}

void MachineRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) recolour();
}

// The hardware line draws in its text colour, set to the tertiary colour of the row's own
// palette; the row's palette stays inherited, so this never compounds.
void MachineRow::recolour() {
    const QColor colour = tertiary(palette());
    QPalette colours = hardware_->palette();
    if (colours.color(QPalette::Active, QPalette::WindowText) == colour &&
        colours.color(QPalette::Inactive, QPalette::WindowText) == colour)
        return;
    colours.setColor(QPalette::Active, QPalette::WindowText, colour);
    colours.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    colours.setColor(QPalette::Disabled, QPalette::WindowText, colour);
    hardware_->setPalette(colours);
}

void MachineRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QRectF tile(tileSlot_->geometry());
    QColor ground = LabelColors::primary(colours);
    ground.setAlphaF(ground.alphaF() * 0.08f);
    QPainterPath shape;
    shape.addRoundedRect(tile, 8, 8);
    painter.fillPath(shape, ground);
    const QRectF mark(tile.center().x() - symbolSide / 2.0, tile.center().y() - symbolSide / 2.0, symbolSide, symbolSide);
    Symbols::paint(painter, symbolOf(tile_), mark, LabelColors::secondary(colours));
}

} // namespace quillmarsh
