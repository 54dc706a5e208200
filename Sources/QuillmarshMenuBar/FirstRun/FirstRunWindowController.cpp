#include "FirstRun/FirstRunWindowController.h"

#include "FirstRun/FirstRunWindow.h"
#include "Model/AppModel.h"
#include "Words/MenuModel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QUrl>

namespace quillmarsh {

FirstRunWindowController::FirstRunWindowController(AppModel& model, const std::vector<LocalChecks::Check>& checks,
                                                   bool laptop, const QString& login)
    : model_(model) {
    window_ = std::make_unique<FirstRunWindow>(checks, laptop, login, [this] {
        model_.open(QUrl(QString::fromLatin1(MenuModel::setupURL.data(), static_cast<qsizetype>(MenuModel::setupURL.size()))));
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
    if (!window_->isVisible()) {
        const QScreen* screen = window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
        if (screen != nullptr)
            window_->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window_->size(),
                                                     screen->availableGeometry()));
    }
    window_->show();
    // The offscreen platform (tests, the screenshot mode) has no stacking order and warns.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window_->raise();
    window_->activateWindow();
    // The window itself takes the keyboard, so the login field does not start focused.
    window_->setFocus(Qt::OtherFocusReason);
}

} // namespace quillmarsh
