#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

class QLabel;

namespace quillmarsh {

class CacheColumns;

// The column titles of the caches table ("Repository", "Branches", "Last used", "Size"), caption
// semibold and quiet, padded 8/14/6/14, in the columns of CacheRow, with an invisible filler in
// the action column; hidden from accessibility.
class CacheHeaderRow final : public QWidget {
    Q_OBJECT

public:
    explicit CacheHeaderRow(QWidget* parent = nullptr);

    void setHeader(const PageDescription::CacheHeader& header);
    bool showsBranches() const;

    QLabel* repositoryLabel() const { return repository_; }
    QLabel* branchesLabel() const { return branches_; }
    QLabel* lastUsedLabel() const { return lastUsed_; }
    QLabel* sizeLabel() const { return size_; }

private:
    CacheColumns* columns_ = nullptr;
    QLabel* repository_ = nullptr;
    QLabel* branches_ = nullptr;
    QLabel* lastUsed_ = nullptr;
    QLabel* size_ = nullptr;
};

} // namespace quillmarsh
