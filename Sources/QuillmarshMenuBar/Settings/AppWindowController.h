#pragma once

#include "Vocabulary/AppPane.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>

class QVariant;

namespace quillmarsh {

class AppModel;
class Defaults;
class PaneSelection;
class SettingsWindow;

// Builds the settings window and keeps it for the life of the process: closing only hides it.
// It restores the last pane from "appWindow.pane" and from then on follows the selection into
// the model: every pane write stores the pane's title, and while the window is shown sets the
// model's visible pane; a selected job opens in the model and a cleared one closes there. Only
// with the user's own settings does the window keep its frame, under "AppWindow".
class AppWindowController final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* paneKey = "appWindow.pane";
    static constexpr const char* frameKey = "AppWindow";

    // Builds everything without showing the window.
    AppWindowController(AppModel& model, Defaults& defaults);
    ~AppWindowController() override;

    // Brings the window forward and tells the model that it is open and which pane it shows.
    void show();
    // Selects a pane.
    void select(AppPane pane);

    // The pane a stored "appWindow.pane" value restores: the pane of exactly that title,
    // else General.
    static AppPane restoredPane(const QVariant& stored);

    SettingsWindow& window() const { return *window_; }
    AppModel& model() const { return model_; }
    PaneSelection& selection() const { return *selection_; }

private:
    void paneWillChange(AppPane pane);
    void jobWillChange(const std::optional<std::string>& job);
    void closed();
    void activated();
    void saveFrame();
    void dropFocus();

    AppModel& model_;
    Defaults& defaults_;
    bool keepsFrame_ = false;
    // A frame was restored from, or saved to, "AppWindow": the window goes where it was.
    bool frameKnown_ = false;
    // The selection outlives the window, whose sidebar and column hold it.
    std::unique_ptr<PaneSelection> selection_;
    std::unique_ptr<SettingsWindow> window_;
};

} // namespace quillmarsh
