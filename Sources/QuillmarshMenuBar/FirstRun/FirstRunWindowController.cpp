#include "FirstRun/FirstRunWindowController.h"

#include "FirstRun/FirstRunWindow.h"
#include "Model/AppModel.h"
#include "Platform/WindowActivation.h"
#include "Words/MenuModel.h"

#include <QUrl>

namespace quillmarsh {

FirstRunWindowController::FirstRunWindowController(AppModel& model, const std::vector<LocalChecks::Check>& checks,
                                                   bool laptop, const QString& login)
    : model_(model) {
    window_ = std::make_unique<FirstRunWindow>(checks, laptop, login, [this] {
        model_.open(QUrl(QString::fromUtf8(MenuModel::setupURL)));
    });
    // The model announces every assignment of its availability, also of an unchanged value; only
    // a change to true closes the window. The connection ends with this controller.
    lastAvailable_ = model_.agentAvailable();
    connect(&model_, &AppModel::agentAvailableWillChange, this, &FirstRunWindowController::availabilityChanged);
    if (lastAvailable_) {
        closedForAgent_ = true;
        window_->close();
    }
}

FirstRunWindowController::~FirstRunWindowController() = default;

void FirstRunWindowController::availabilityChanged(bool available) {
    if (available == lastAvailable_) return;
    lastAvailable_ = available;
    if (!available) return;
    closedForAgent_ = true;
    window_->close();
}

void FirstRunWindowController::show() {
    if (!window_->isVisible()) WindowActivation::centre(*window_);
    WindowActivation::bringForward(*window_);
    // The window itself takes the keyboard, so the login field does not start focused.
    window_->setFocus(Qt::OtherFocusReason);
}

} // namespace quillmarsh
