#include "Settings/Rows/StepRow.h"

namespace quillmarsh {

StepRow::StepRow(QWidget* parent) : QWidget(parent) {}

void StepRow::setLine(const PageDescription::StepLine&) {}

} // namespace quillmarsh
