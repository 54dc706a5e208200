#include "Settings/Rows/CacheRow.h"

#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Rows/CacheColumns.h"
#include "Settings/Rows/MiddleElidedLabel.h"
#include "StatusMenu/ElidedLabel.h"

namespace quillmarsh {

namespace {

ElidedLabel* cellLabel(const QFont& font, bool quiet, QWidget* parent) {
    auto* label = new ElidedLabel(parent);
    label->setFont(font);
    label->setQuiet(quiet);
    return label;
}

// Sets a label's text only when it differs, so an unchanged line costs no relayout.
void setText(ElidedLabel& label, const std::string& value) {
    const QString text = QString::fromStdString(value);
    if (label.text() != text) label.setParts(text);
}

} // namespace

CacheRow::CacheRow(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    columns_ = new CacheColumns(this);
    columns_->setContentsMargins(14, 8, 14, 8);

    repository_ = new MiddleElidedLabel(TextStyle::body(), this);
    branches_ = cellLabel(TextStyle::subheadline(), true, this);
    lastUsed_ = cellLabel(TextStyle::subheadline(), true, this);
    size_ = cellLabel(TextStyle::body(), false, this);
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
    setText(*branches_, line.branches);
    setText(*lastUsed_, line.lastUsed);
    setText(*size_, line.size);
    clear_->setButton(line.clear);
}

bool CacheRow::showsBranches() const { return columns_->showsBranches(); }

} // namespace quillmarsh
