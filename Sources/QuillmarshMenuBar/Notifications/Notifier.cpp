#include "Notifications/Notifier.h"

#include "Notifications/NoticeRoute.h"

#include <QUrl>

namespace quillmarsh {

Notifier::Notifier(AppModel& model, Environment environment, QObject* parent)
    : QObject(parent), model_(model), environment_(std::move(environment)) {
    if (environment_.bundleIdentifier.empty() || !environment_.center) return;
    if (!environment_.told) environment_.told = &model_.defaults();
    active_ = true;
    environment_.center->setOnResponse([this](const NotificationCenter::Response& response) { route(response); });
    // objectWillChange fires before the value is stored; the queued call runs after the whole
    // change, and is dropped with the notifier if it goes first. Every change gets its own check;
    // the rules post nothing twice.
    connect(&model_, &AppModel::objectWillChange, this, &Notifier::check, Qt::QueuedConnection);
}

Notifier::~Notifier() = default;

NotificationRules::Input Notifier::inputOf(const AppModel& model) {
    NotificationRules::Input input;
    input.update = model.update();
    input.agentAvailable = model.agentAvailable();
    input.status = model.status();
    input.recent = model.jobs().recent;
    input.jobsAnswered = model.jobsAnswered();
    if (const auto& account = model.account()) input.machineName = account->machineName;
    if (const auto& images = model.images(); images && !images->xcodes.empty())
        input.firstXcode = images->xcodes.front().version;
    input.notifyJobFails = model.notifyJobFails();
    input.notifyBreak = model.notifyBreak();
    input.notifyOffline = model.notifyOffline();
    input.notifyImage = model.notifyImage();
    input.downloadHost = QUrl(QString::fromStdString(model.updater().base())).host().toStdString();
    return input;
}

void Notifier::check() {
    for (const auto& notice : NotificationRules::check(state_, inputOf(model_), *environment_.told))
        environment_.center->post(notice);
}

void Notifier::route(const NotificationCenter::Response& response) {
    const NoticeRoute route = NoticeRoute::of(response);
    switch (route.kind) {
    case NoticeRoute::Kind::openJobs:
        model_.open(model_.jobURL(route.text));
        break;
    case NoticeRoute::Kind::installUpdate:
        model_.installUpdate();
        break;
    case NoticeRoute::Kind::openLink:
        model_.open(QUrl(QString::fromStdString(route.text), QUrl::StrictMode));
        break;
    case NoticeRoute::Kind::openMachine:
        model_.open(model_.machineURL());
        break;
    }
}

} // namespace quillmarsh
