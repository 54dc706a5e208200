#include "Settings/Rows/StatCard.h"

namespace quillmarsh {

StatCard::StatCard(QWidget* parent) : QWidget(parent) {}

void StatCard::setCard(const PageDescription::StatCard&) {}

void StatCard::paintEvent(QPaintEvent*) {}

} // namespace quillmarsh
