#pragma once

#include "FirstRun/LocalChecks.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace quillmarsh {

class AppModel;
class FirstRunWindow;

// Builds the first-run window once, with the checks it is given, and keeps it: closing by hand
// only hides it. It follows the model's agent availability with repeats dropped, starting from
// the current value: whenever the agent becomes available the window closes itself and
// closedForAgent() turns true for good, also at once when the agent already answers at
// construction. The application then builds a new controller, with fresh checks, for the next
// request.
class FirstRunWindowController final : public QObject {
    Q_OBJECT

public:
    FirstRunWindowController(AppModel& model, const std::vector<LocalChecks::Check>& checks, bool laptop,
                             const QString& login);
    ~FirstRunWindowController() override;

    // Brings the window forward, centred when it was hidden, with no control focused.
    void show();

    bool closedForAgent() const { return closedForAgent_; }
    FirstRunWindow& window() const { return *window_; }

private:
    void availabilityChanged(bool available);

    AppModel& model_;
    std::unique_ptr<FirstRunWindow> window_;
    bool closedForAgent_ = false;
    bool lastAvailable_ = false;
};

} // namespace quillmarsh
