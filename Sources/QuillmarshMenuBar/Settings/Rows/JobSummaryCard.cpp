#include "Settings/Rows/JobSummaryCard.h"

namespace quillmarsh {

JobSummaryCard::JobSummaryCard(QWidget* parent) : QWidget(parent) {}

void JobSummaryCard::setSummary(const PageDescription::Summary&) {}

} // namespace quillmarsh
