#include "Settings/SidebarView.h"

#include "Settings/PaneSelection.h"

namespace quillmarsh {

// A first stand-in: an empty column of the sidebar's width.
SidebarView::SidebarView(AppModel& model, PaneSelection& selection, QWidget* parent)
    : QWidget(parent), model_(model), selection_(selection) {
    setFixedWidth(width);
}

SidebarView::~SidebarView() = default;

} // namespace quillmarsh
