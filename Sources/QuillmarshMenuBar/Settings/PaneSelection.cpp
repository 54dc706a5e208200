#include "Settings/PaneSelection.h"

namespace quillmarsh {

PaneSelection::PaneSelection(AppPane pane, QObject* parent) : QObject(parent), pane_(pane) {}

void PaneSelection::setPane(AppPane pane) {
    const AppPane old = pane_;
    emit paneWillChange(pane);
    pane_ = pane;
    if (pane != old) setJob(std::nullopt);
}

void PaneSelection::setJob(std::optional<std::string> job) {
    emit jobWillChange(job);
    job_ = std::move(job);
    if (!opened_ && !job_) return;
    if (opened_ && job_ && opened_->id == *job_) return;
    opened_.reset();
}

} // namespace quillmarsh
