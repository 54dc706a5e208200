#pragma once

#include "Model/AppModel.h"
#include "Model/Defaults.h"
#include "Notifications/NotificationCenter.h"
#include "Notifications/NotificationRules.h"

#include <QObject>

#include <memory>
#include <string>

namespace quillmarsh {

// Posts the app's notices and carries out clicks on them. After every change of the model it
// runs the notification rules, queued so that it reads the values after the change, and hands
// each new notice to its notification center. Made once at launch, before the model starts.
class Notifier final : public QObject {
    Q_OBJECT

public:
    struct Environment {
        std::unique_ptr<NotificationCenter> center;  // none: nothing is posted
        std::string bundleIdentifier;                // empty: the notifier stays inert
        Defaults* told = nullptr;                    // keeps the told held repositories; the model's defaults when none
    };

    Notifier(AppModel& model, Environment environment, QObject* parent = nullptr);
    ~Notifier() override;

    // Set up: it follows the model, posts and routes clicks. False without a bundle identifier
    // or a center, in which case it does nothing at all.
    bool isActive() const { return active_; }
    const NotificationRules::State& state() const { return state_; }

    // What the rules read of the model.
    static NotificationRules::Input inputOf(const AppModel& model);
    // Carries out a click on one of our notices.
    void route(const NotificationCenter::Response& response);

private:
    void check();

    AppModel& model_;
    Environment environment_;
    NotificationRules::State state_;
    bool active_ = false;
};

} // namespace quillmarsh
