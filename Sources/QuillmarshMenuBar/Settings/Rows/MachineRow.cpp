#include "Settings/Rows/MachineRow.h"

namespace quillmarsh {

MachineRow::MachineRow(QWidget* parent) : QWidget(parent) {}

void MachineRow::setLine(const PageDescription::MachineLine& line) { tile_ = line.tile; }

} // namespace quillmarsh
