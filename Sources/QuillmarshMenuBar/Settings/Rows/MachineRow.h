#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

namespace quillmarsh {

class ElidedLabel;
class FittingLabel;
class Pill;
class SymbolView;
class ToneLabel;

// One machine of the Fleet, padded 10/14: a 30-px kind tile (laptop, desktop or server), the
// name, "this Mac" for this one, the hardware line (the longest variant that fits), flexible
// space, the state pill and the activity in a 112-px column. A narrow row gives way in the
// hardware line first, then the name; the pill and the activity keep their size.
class MachineRow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int activityWidth = 112;

    explicit MachineRow(QWidget* parent = nullptr);

    void setLine(const PageDescription::MachineLine& line);

    PageDescription::MachineLine::Tile tile() const { return tile_; }
    ElidedLabel* nameLabel() const { return name_; }
    ToneLabel* thisMacLabel() const { return thisMac_; }
    FittingLabel* hardwareLabel() const { return hardware_; }
    Pill* pill() const { return pill_; }
    ElidedLabel* activityLabel() const { return activity_; }

private:
    PageDescription::MachineLine::Tile tile_ = PageDescription::MachineLine::Tile::server;
    SymbolView* tileView_ = nullptr;
    ElidedLabel* name_ = nullptr;
    ToneLabel* thisMac_ = nullptr;
    FittingLabel* hardware_ = nullptr;
    Pill* pill_ = nullptr;
    ElidedLabel* activity_ = nullptr;
};

} // namespace quillmarsh
