#include "Settings/Rows/CacheHeaderRow.h"

namespace quillmarsh {

CacheHeaderRow::CacheHeaderRow(QWidget* parent) : QWidget(parent) {}

void CacheHeaderRow::setHeader(const PageDescription::CacheHeader&) {}

bool CacheHeaderRow::showsBranches() const { return false; }

} // namespace quillmarsh
