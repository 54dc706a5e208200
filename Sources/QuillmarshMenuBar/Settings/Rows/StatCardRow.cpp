#include "Settings/Rows/StatCardRow.h"

namespace quillmarsh {

StatCardRow::StatCardRow(QWidget* parent) : QWidget(parent) {}

void StatCardRow::setCards(const std::vector<PageDescription::StatCard>&) {}

} // namespace quillmarsh
