#include "Settings/Rows/CacheRow.h"

#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Rows/CacheColumns.h"
#include "Settings/Rows/MiddleElidedLabel.h"
#include "StatusMenu/ElidedLabel.h"

namespace quillmarsh {

CacheRow::CacheRow(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    columns_ = new CacheColumns(this);
    columns_->setContentsMargins(14, 8, 14, 8);

    repository_ = new MiddleElidedLabel(TextStyle::body(), this);
    branches_ = new ElidedLabel(TextStyle::subheadline(), LabelColors::Tone::secondary, this);
    lastUsed_ = new ElidedLabel(TextStyle::subheadline(), LabelColors::Tone::secondary, this);
    size_ = new ElidedLabel(TextStyle::body(), LabelColors::Tone::primary, this);
    clear_ = new PaneButton(this);

    using Column = CacheColumns::Column;
    columns_->setCell(Column::repository, repository_);
    columns_->setCell(Column::branches, branches_);
    columns_->setCell(Column::lastUsed, lastUsed_);
    columns_->setCell(Column::size, size_, Qt::AlignRight);
    columns_->setCell(Column::action, clear_, Qt::AlignRight);
}

void CacheRow::setLine(const PageDescription::CacheLine& line) {
    repository_->setParts(QString::fromStdString(line.owner), QString::fromStdString(line.name));
    columns_->setShowsBranches(line.branchesColumn);
    branches_->setPlain(QString::fromStdString(line.branches));
    lastUsed_->setPlain(QString::fromStdString(line.lastUsed));
    size_->setPlain(QString::fromStdString(line.size));
    clear_->setButton(line.clear);
}

bool CacheRow::showsBranches() const { return columns_->showsBranches(); }

} // namespace quillmarsh
