#include "Settings/Rows/JobListRow.h"

namespace quillmarsh {

JobListRow::JobListRow(QWidget* parent) : RowButton(parent) {}

void JobListRow::setLine(const PageDescription::JobLine&) {}

} // namespace quillmarsh
