#pragma once

#include "Model/AppModel.h"
#include "Model/Clock.h"
#include "Platform/StatusItem.h"
#include "StatusMenu/AlertRequest.h"
#include "StatusMenu/MenuEntry.h"
#include "StatusMenu/MenuInputs.h"
#include "StatusMenu/MenuSignature.h"
#include "StatusMenu/OptionLayer.h"
#include "Time/Locale.h"
#include "Vocabulary/MenuIcon.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QWidgetAction>

class QKeyEvent;

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillmarsh {

class AgentInfoRowView;
class JobRowView;

// Owns the app's status item and its one menu and keeps both in step with the model: the icon
// and tooltip show the agent's state; the menu offers the running jobs, pause and resume, the
// dashboard, settings, diagnostics, the app's update and quitting, or, while no agent answers,
// the ways to set this Mac up. It never talks to the agent: it reads the model and calls its
// commands, and asks its owner to open the settings or first-run window.
//
// Every model change queues one render. A render changes the menu's rows only when its structure
// (MenuSignature) changed, and then only the rows that differ (MenuRowMatch): the rows that stay
// keep their actions and views, so an open menu stays open, stays where it is and goes on with
// the row under the pointer. A row that goes while the menu is open is hidden and deleted once
// the menu has closed. The job rows, the information row and the pause choices take their
// values in place on every render. Actions run queued too, after the menu has let go of the row,
// so no change of the menu ever deletes the row whose handler is running.
//
// Qt runs no shortcut of a popup menu's own actions, so the controller matches the keys pressed
// in the open menu against the shortcuts its rows show and runs the row as a click would.
class StatusItemController final : public QObject {
    Q_OBJECT

public:
    using OpenFirstRun = std::function<void()>;
    // The pane's title in lower case ("this mac"), or none for the last pane shown.
    using OpenSettings = std::function<void(const std::optional<std::string>& pane)>;

    // What the controller reaches outside the model; the defaults are the real ones.
    struct Environment {
        std::unique_ptr<StatusItem> item;                                // StatusItem::create()
        std::function<bool()> altHeld;                                   // the keyboard's Alt key
        std::function<AlertRequest::Answer(const AlertRequest&)> ask;    // MessageBoxAlert::run
        std::function<void()> terminate;                                 // QCoreApplication::quit
        std::optional<Locale> locale;                                    // SystemLocale::current()
        std::function<void(const std::string&)> print;                   // a line on standard output
        std::optional<bool> menuMetrics;  // print the menu's metrics once open; from the arguments
    };

    StatusItemController(AppModel& model, bool inStatusBar, OpenFirstRun openFirstRun, OpenSettings openSettings,
                         Environment environment = {});
    ~StatusItemController() override;

    // None when built without the status bar.
    StatusItem* statusItem() const { return item_.get(); }
    QMenu& menu() const { return *menu_; }
    bool isMenuOpen() const { return isMenuOpen_; }
    const MenuIcon& icon() const { return icon_; }

    // --option-layer: the "Agent" information row stays shown, also after the menu closes.
    void forceOptionLayer();
    bool optionLayerForced() const { return layer_.forced(); }
    bool optionShown() const { return layer_.infoShown(); }

    // Brings icon and menu up to date with the model.
    void render();
    // Builds every row anew for the model's state now; render() changes only the rows that differ.
    void rebuild();
    // Opens the menu beside the status item (a click on the item does), or closes an open one.
    void popUp();

    // The menu's actions.
    void openJob(const std::string& repository);
    void openDashboard();
    void openHowItWorks();
    void showSettings();
    void openThisMac();
    void openSetup();
    void showFirstRun();
    void copyDiagnostics();
    void stopRunningJobs();
    void quit();
    void installUpdate();
    void choosePause(int index);
    void resumeJobs();

    static constexpr const char* quitSuppressedKey = "menu.quitSheetSuppressed";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One top-level row of the menu as it was built, under the key MenuPlan::keys gave it.
    struct BuiltRow {
        std::string key;
        MenuEntry entry;
        QAction* action = nullptr;      // owned by the menu, the submenu, or (the information row) the controller
        JobRowView* view = nullptr;     // a job row's view, owned by its action
        std::unique_ptr<QMenu> submenu; // the Pause row's
    };

    MenuInputs inputs() const;
    void scheduleRender();
    void applyIcon();
    void followShowInMenuBar();
    void sync(const MenuInputs& inputs);
    BuiltRow make(const MenuEntry& entry, const MenuInputs& inputs);
    void refit(BuiltRow& row, const MenuEntry& entry);
    void retire(BuiltRow&& row);
    void discard(BuiltRow& row);
    void dropRetired();
    void addChoice(QMenu& into, const MenuEntry& entry);
    void connectAction(QAction& action, const MenuEntry& entry);
    bool runShortcut(const QKeyEvent& key);
    void perform(MenuAction action, const std::string& argument, int tag);
    void applyLayers();
    void refreshUpdateRow(const UpdateState& update);
    void refreshPause(Date now, const Calendar& calendar);
    void menuWillOpen();
    void menuDidClose();
    void pollAlt();
    void dumpMenuMetrics();

    AppModel& model_;
    OpenFirstRun openFirstRun_;
    OpenSettings openSettings_;
    Environment environment_;
    Locale locale_;
    bool menuMetrics_ = false;
    std::unique_ptr<StatusItem> item_;

    // The information row outlives rebuilds; it is declared before the menu, so the menu goes first.
    std::unique_ptr<QWidgetAction> infoAction_;
    AgentInfoRowView* infoView_ = nullptr;  // owned by infoAction_
    std::unique_ptr<QMenu> menu_;
    // Declared after the menu, so they go first: a submenu takes its row out of the menu.
    std::vector<BuiltRow> rows_;     // the menu's rows, in order
    std::vector<BuiltRow> retired_;  // hidden in the open menu; deleted once it has closed
    // The job rows in the model's order; applied by position, so jobs sharing an id still update.
    std::vector<JobRowView*> jobViews_;
    std::vector<std::pair<QPointer<QAction>, MenuEntry::Layer>> layered_;
    std::vector<QPointer<QAction>> shortcutRows_;  // the rows that show a shortcut

    MenuIcon icon_ = MenuIcon::notSetUp();
    std::optional<MenuSignature> builtFor_;
    OptionLayer layer_;
    bool isMenuOpen_ = false;
    bool renderQueued_ = false;
    std::unique_ptr<Clock::Timer> openTimer_;
    std::unique_ptr<Clock::Timer> optionTimer_;
};

} // namespace quillmarsh
