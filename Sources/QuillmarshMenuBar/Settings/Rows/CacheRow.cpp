#include "Settings/Rows/CacheRow.h"

#include "Settings/Kit/PaneButton.h"

#include <QHBoxLayout>

namespace quillmarsh {

CacheRow::CacheRow(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    clear_ = new PaneButton(this);
    layout->addWidget(clear_);
}

void CacheRow::setLine(const PageDescription::CacheLine& line) { clear_->setButton(line.clear); }

} // namespace quillmarsh
