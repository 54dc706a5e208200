#include "Settings/Kit/Segments.h"

namespace quillmarsh {

Segments::Segments(QWidget* parent) : QWidget(parent) {}

void Segments::setOptions(const std::vector<Option>& options) { options_ = options; }

QAbstractButton* Segments::segment(int) const { return nullptr; }

QSize Segments::sizeHint() const { return {160, 22}; }

} // namespace quillmarsh
