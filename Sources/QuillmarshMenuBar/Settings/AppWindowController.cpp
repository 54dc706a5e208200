#include "Settings/AppWindowController.h"

#include "Model/AppModel.h"
#include "Model/Defaults.h"
#include "Platform/WindowActivation.h"
#include "Settings/PaneSelection.h"
#include "Settings/SettingsWindow.h"
#include "Settings/SidebarView.h"

#include <QVariant>

namespace quillmarsh {

AppWindowController::AppWindowController(AppModel& model, Defaults& defaults)
    : model_(model),
      defaults_(defaults),
      keepsFrame_(defaults.isStandard()),
      selection_(std::make_unique<PaneSelection>(restoredPane(defaults.value(QString::fromLatin1(paneKey))))),
      window_(std::make_unique<SettingsWindow>(model, *selection_)) {
    if (keepsFrame_) frameKnown_ = window_->restoreGeometry(defaults_.value(QString::fromLatin1(frameKey)).toByteArray());

    // Both follow the write as it is announced, before the selection stores it and runs its rules.
    connect(selection_.get(), &PaneSelection::paneWillChange, this, &AppWindowController::paneWillChange);
    connect(selection_.get(), &PaneSelection::jobWillChange, this, &AppWindowController::jobWillChange);
    connect(window_.get(), &SettingsWindow::closed, this, &AppWindowController::closed);
    connect(window_.get(), &SettingsWindow::activated, this, &AppWindowController::activated);
    connect(window_.get(), &SettingsWindow::frameChanged, this, &AppWindowController::saveFrame);
}

AppWindowController::~AppWindowController() = default;

AppPane AppWindowController::restoredPane(const QVariant& stored) {
    if (stored.typeId() != QMetaType::QString) return AppPane::general;
    const auto pane = fromRaw<AppPane>(stored.toString().toStdString());
    return pane.value_or(AppPane::general);
}

void AppWindowController::show() {
    model_.prepareWindow();

    if (!window_->isVisible() && !frameKnown_) WindowActivation::centre(*window_);
    WindowActivation::bringForward(*window_);
    model_.setVisiblePane(selection_->pane());
    // Closing the window closed the job in the model while the selection kept it: open it again,
    // so its page does not wait for a detail that nothing loads.
    if (const auto& job = selection_->job(); job && (!model_.detail() || model_.detail()->jobId != *job))
        model_.openJob(*job);
    dropFocus();
}

void AppWindowController::select(AppPane pane) {
    selection_->setPane(pane);
}

void AppWindowController::paneWillChange(AppPane pane) {
    defaults_.setValue(QString::fromLatin1(paneKey), QString::fromUtf8(rawValue(pane)));
    if (window_->isVisible()) model_.setVisiblePane(pane);
}

void AppWindowController::jobWillChange(const std::optional<std::string>& job) {
    if (job) model_.openJob(*job);
    else model_.closeJob();
}

void AppWindowController::closed() {
    saveFrame();
    model_.setVisiblePane(std::nullopt);
}

// The sidebar's list gives up keyboard focus whenever the window becomes active.
void AppWindowController::activated() {
    const QWidget* focus = window_->focusWidget();
    if (focus != nullptr && (focus == &window_->sidebar() || window_->sidebar().isAncestorOf(focus))) dropFocus();
}

// The window itself takes the focus, so no control in it has it, also once the window becomes
// active (Qt would otherwise hand the focus to the first control that takes it).
void AppWindowController::dropFocus() { window_->setFocus(Qt::OtherFocusReason); }

void AppWindowController::saveFrame() {
    if (!keepsFrame_) return;
    defaults_.setValue(QString::fromLatin1(frameKey), window_->saveGeometry());
    frameKnown_ = true;
}

} // namespace quillmarsh
