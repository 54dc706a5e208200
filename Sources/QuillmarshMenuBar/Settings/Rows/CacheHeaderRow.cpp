#include "Settings/Rows/CacheHeaderRow.h"

#include "Settings/Kit/AccessibleElement.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Rows/CacheColumns.h"
#include "Settings/Rows/CacheRow.h"
#include "StatusMenu/ElidedLabel.h"


namespace quillmarsh {

namespace {

QLabel* title(const QString& text, QWidget* parent) {
    auto* label = new ElidedLabel(TextStyle::captionSemibold(), LabelColors::Tone::secondary, parent);
    label->setPlain(text);
    return label;
}

} // namespace

CacheHeaderRow::CacheHeaderRow(QWidget* parent) : QWidget(parent) {
    // Left out of what assistive technology reads: the rows carry their own texts, so the column
    // titles would only be read again before every table.
    AccessibleElement::install(staticMetaObject, QAccessible::NoRole, AccessibleElement::Reading::hidden);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    columns_ = new CacheColumns(this);
    columns_->setContentsMargins(14, 8, 14, 6);

    repository_ = title(QStringLiteral("Repository"), this);
    branches_ = title(QStringLiteral("Branches"), this);
    lastUsed_ = title(QStringLiteral("Last used"), this);
    size_ = title(QStringLiteral("Size"), this);
    // Nothing is drawn in the action column: the filler holds it as the rows' buttons do.
    auto* filler = new QWidget(this);
    filler->setFixedSize(CacheRow::actionWidth, 1);

    using Column = CacheColumns::Column;
    columns_->setCell(Column::repository, repository_);
    columns_->setCell(Column::branches, branches_);
    columns_->setCell(Column::lastUsed, lastUsed_);
    columns_->setCell(Column::size, size_, Qt::AlignRight);
    columns_->setCell(Column::action, filler, Qt::AlignRight);
}

void CacheHeaderRow::setHeader(const PageDescription::CacheHeader& header) { columns_->setShowsBranches(header.branches); }

bool CacheHeaderRow::showsBranches() const { return columns_->showsBranches(); }

} // namespace quillmarsh
