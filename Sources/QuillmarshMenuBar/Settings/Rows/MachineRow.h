#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

namespace quillmarsh {

class ElidedLabel;
class FittingLabel;
class Pill;
class ToneLabel;

// One machine of the Fleet, padded 10/14: a 30-px kind tile (laptop, desktop or server), the
// name, "this Mac" for this one, the hardware line (the longest variant that fits), flexible
// space, the state pill and the activity in a 112-px column. A narrow row gives way in the
// hardware line first, then the name; the pill and the activity keep their size. Assistive tools
// read the row as one text, its tile not at all.
class MachineRow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int activityWidth = 112;
    static constexpr int tileSide = 30;

    explicit MachineRow(QWidget* parent = nullptr);

    void setLine(const PageDescription::MachineLine& line);

    PageDescription::MachineLine::Tile tile() const { return tile_; }
    // Where the tile is drawn, in the row's coordinates.
    QRect tileRect() const;
    ElidedLabel* nameLabel() const { return name_; }
    ToneLabel* thisMacLabel() const { return thisMac_; }
    FittingLabel* hardwareLabel() const { return hardware_; }
    Pill* pill() const { return pill_; }
    ElidedLabel* activityLabel() const { return activity_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PageDescription::MachineLine::Tile tile_ = PageDescription::MachineLine::Tile::server;
    // Holds the tile's place in the line; the row draws the tile there.
    QWidget* tileSlot_ = nullptr;
    ElidedLabel* name_ = nullptr;
    ToneLabel* thisMac_ = nullptr;
    FittingLabel* hardware_ = nullptr;
    Pill* pill_ = nullptr;
    ElidedLabel* activity_ = nullptr;
};

} // namespace quillmarsh
