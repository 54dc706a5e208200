#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

namespace quillmarsh {

class CacheColumns;
class ElidedLabel;
class MiddleElidedLabel;
class PaneButton;

// One repository's caches in the columns of the table, padded 8/14: the repository (a quiet owner
// part and the name, cut in the middle), the branches (84 px, when shown), last used (120 px), the
// size (64 px, trailing) and the "Clear" button at its natural size, trailing in a 56-px column.
class CacheRow final : public QWidget {
    Q_OBJECT

public:
    // The widths of the fixed columns, shared with the header.
    static constexpr int branchesWidth = 84;
    static constexpr int lastUsedWidth = 120;
    static constexpr int sizeWidth = 64;
    static constexpr int actionWidth = 56;
    static constexpr int spacing = 12;

    explicit CacheRow(QWidget* parent = nullptr);

    // Everything but the button's action, which the page view sets.
    void setLine(const PageDescription::CacheLine& line);
    bool showsBranches() const;

    MiddleElidedLabel* repositoryCell() const { return repository_; }
    ElidedLabel* branchesLabel() const { return branches_; }
    ElidedLabel* lastUsedLabel() const { return lastUsed_; }
    ElidedLabel* sizeLabel() const { return size_; }
    PaneButton* clearButton() const { return clear_; }

private:
    CacheColumns* columns_ = nullptr;
    MiddleElidedLabel* repository_ = nullptr;
    ElidedLabel* branches_ = nullptr;
    ElidedLabel* lastUsed_ = nullptr;
    ElidedLabel* size_ = nullptr;
    PaneButton* clear_ = nullptr;
};

} // namespace quillmarsh
