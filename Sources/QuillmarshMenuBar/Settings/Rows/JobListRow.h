#pragma once

#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/RowButton.h"

namespace quillmarsh {

class ElidedLabel;
class StateIcon;

// One job of the Jobs list, the whole row a button that opens it: the state glyph, the
// repository, the job's name (quiet), its meta line (tertiary, subheadline), flexible space and
// the trailing time, padded 9/14. A narrow row cuts the meta line first, then the name, then the
// repository; the trailing time is never cut. Read as one element named by accessibleName.
class JobListRow final : public RowButton {
    Q_OBJECT

public:
    explicit JobListRow(QWidget* parent = nullptr);

    void setLine(const PageDescription::JobLine& line);

    StateIcon* stateIcon() const { return icon_; }
    ElidedLabel* repositoryLabel() const { return repository_; }
    ElidedLabel* nameLabel() const { return name_; }
    ElidedLabel* metaLabel() const { return meta_; }
    ElidedLabel* trailingLabel() const { return trailing_; }

private:
    StateIcon* icon_ = nullptr;
    ElidedLabel* repository_ = nullptr;
    ElidedLabel* name_ = nullptr;
    ElidedLabel* meta_ = nullptr;
    ElidedLabel* trailing_ = nullptr;
};

} // namespace quillmarsh
