#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

class QLabel;

namespace quillmarsh {

// The column titles of the caches table ("Repository", "Branches", "Last used", "Size"), caption
// semibold and quiet, padded 8/14/6/14, in the columns of CacheRow; hidden from accessibility.
class CacheHeaderRow final : public QWidget {
    Q_OBJECT

public:
    explicit CacheHeaderRow(QWidget* parent = nullptr);

    void setHeader(const PageDescription::CacheHeader& header);
    bool showsBranches() const;
    QLabel* branchesLabel() const { return branches_; }

private:
    QLabel* branches_ = nullptr;
};

} // namespace quillmarsh
