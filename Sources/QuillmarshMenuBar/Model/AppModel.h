#pragma once

#include "Agent/AgentClient.h"
#include "Agent/AgentQueue.h"
#include "MainThreadPort.h"
#include "Model/Clock.h"
#include "Model/Defaults.h"
#include "Model/JobDetail.h"
#include "Model/Published.h"
#include "Model/RouteProblem.h"
#include "Model/UrlOpener.h"
#include "Platform/FileVaultProbe.h"
#include "Platform/GitHubIdentity.h"
#include "Records/AccountInfo.h"
#include "Records/AgentStatus.h"
#include "Records/CachesReport.h"
#include "Records/Fleet.h"
#include "Records/HostInfo.h"
#include "Records/ImageReport.h"
#include "Records/JobsSnapshot.h"
#include "Records/PolicyView.h"
#include "Update/UpdateState.h"
#include "Updater/UpdaterPort.h"
#include "Vocabulary/AppPane.h"
#include "Vocabulary/Mode.h"
#include "Vocabulary/PauseOption.h"
#include "Vocabulary/RunsJobs.h"
#include "Vocabulary/StayAwake.h"

#include <QImage>
#include <QObject>
#include <QUrl>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quillmarsh {

// The app's one model object: the agent's state, kept current by a refresh every 5 s, the
// user's settings, the side data of the settings window and the commands that change the
// agent. Lives on the main thread; every agent request runs on its serial agent queue and every
// result is applied back on the main thread. Each assignment of a published property emits
// objectWillChange() before the value is stored; observers connect with queued connections.
class AppModel final : public QObject {
    Q_OBJECT

public:
    using PolicyView = quillmarsh::PolicyView;

    // The agent version that has GET /machines, the job steps and log, and the stop of one job.
    static constexpr std::string_view jobRoutesVersion = "0.1.36";

    // What the model reaches outside the agent; the defaults are the real ones.
    struct Environment {
        std::shared_ptr<Clock> clock;            // SystemClock when none
        std::shared_ptr<UrlOpener> opener;       // DesktopUrlOpener when none
        std::string bundleIdentifier;            // the app's; names the agent queue and caches
        // The executable that a login item starts; none when the app does not run from a bundle.
        std::optional<std::string> bundleExecutable;
        std::string autostartFolder;             // AutostartEntry::defaultFolder() when empty
        FileVaultProbe fileVault;
        GitHubIdentity::Hosts github;
        std::string identityCache;               // GitHubIdentity::defaultCacheFolder when empty
        GitHubIdentity::Fetch fetch;             // GitHubIdentity::httpFetch when none
    };

    // updater is the app's own AppUpdater, or a stand-in; it must outlive the model.
    AppModel(AgentClient client, UpdaterPort& updater, Defaults& defaults, Environment environment = {});
    ~AppModel() override;

    // --- State -------------------------------------------------------------------------------
    const std::optional<AgentStatus>& status() const { return *status_; }
    const JobsSnapshot& jobs() const { return *jobs_; }
    // The last refresh got an answer to GET /jobs; jobs() is empty, and says nothing, without one.
    bool jobsAnswered() const { return jobsAnswered_; }
    const std::optional<HostInfo>& host() const { return *host_; }
    const std::optional<AccountInfo>& account() const { return *account_; }
    const std::optional<ImageReport>& images() const { return *images_; }
    const std::optional<PolicyView>& policy() const { return *policy_; }
    bool agentAvailable() const { return *agentAvailable_; }
    const std::optional<std::string>& lastError() const { return *lastError_; }
    std::int64_t tick() const { return *tick_; }
    const UpdateState& update() const { return *update_; }
    const std::optional<QImage>& avatar() const { return *avatar_; }
    const std::optional<std::string>& accountKind() const { return *accountKind_; }
    const std::optional<std::int64_t>& imagesBytes() const { return *imagesBytes_; }
    const std::optional<CachesReport>& caches() const { return *caches_; }
    bool canUpdateAgent() const { return *canUpdateAgent_; }
    const std::optional<bool>& fileVaultOn() const { return *fileVaultOn_; }
    const std::optional<JobsSnapshot>& windowJobs() const { return *windowJobs_; }
    const std::optional<Fleet>& fleet() const { return *fleet_; }
    const std::optional<RouteProblem>& fleetProblem() const { return *fleetProblem_; }
    const std::optional<JobDetail>& detail() const { return *detail_; }

    // Where the model reads the time and calendar; the menu and windows word times with it too.
    Clock& clock() const { return *environment_.clock; }
    const AgentClient& client() const { return client_; }
    UpdaterPort& updater() const { return updater_; }
    Defaults& defaults() const { return defaults_; }
    AgentQueue& queue() { return queue_; }

    // --- Settings (stored in the defaults on every assignment) -------------------------------
    bool notifyJobFails() const { return *notifyJobFails_; }
    bool notifyBreak() const { return *notifyBreak_; }
    bool notifyOffline() const { return *notifyOffline_; }
    bool notifyImage() const { return *notifyImage_; }
    bool showInMenuBar() const { return *showInMenuBar_; }
    void setNotifyJobFails(bool value);
    void setNotifyBreak(bool value);
    void setNotifyOffline(bool value);
    void setNotifyImage(bool value);
    void setShowInMenuBar(bool value);

    // The settings pane on screen; none while the window is closed. A change runs paneShown().
    const std::optional<AppPane>& visiblePane() const { return *visiblePane_; }
    void setVisiblePane(std::optional<AppPane> pane);

    // Set once the settings window has been shown; never set back.
    bool windowOpened() const { return windowOpened_; }
    void setWindowOpened(bool opened) { windowOpened_ = opened; }
    // What the settings window's showing asks of the model (and the screenshot mode, which draws
    // the window unshown): windowOpened, then a refresh, the images, the space, FileVault and the
    // account's identity.
    void prepareWindow();

    // "agent.json" exists beside the agent's socket; asks the file system on every read.
    bool isRegistered() const;

    // --- Refresh loop ------------------------------------------------------------------------
    void start();
    // Queues one refresh (never merged with another).
    void refresh();

    // --- Policy and derived settings ---------------------------------------------------------
    RunsJobs runsJobs() const;
    bool useMoreWhenAway() const;
    StayAwake stayAwake() const;
    Mode mode() const;
    std::optional<PauseOption> pauseInForce() const;
    std::string dashboardRoot() const;
    std::optional<QUrl> machineURL() const;
    std::optional<QUrl> jobsURL() const;
    std::optional<QUrl> jobURL(const std::string& repository) const;
    std::string accountCaption() const;
    // Probes the agent's update route once per agent version.
    void refreshCapabilities();

    // --- Commands ----------------------------------------------------------------------------
    void setPolicy(const nlohmann::json& patch);
    void pause(PauseOption option);
    void stopRunningJobs();
    void setMode(Mode mode);
    void clearCaches(const std::optional<std::string>& repository);
    void updateAgentNow();
    void installUpdate();
    bool openAtLogin() const;
    void setOpenAtLogin(bool open);
    // Only the installed app (one with a bundle executable) can be a login item.
    bool canOpenAtLogin() const;
    // Opens http and https links with the system's handler; anything else is dropped and logged.
    void open(const std::optional<QUrl>& url);
    // Shows an existing local folder (an absolute path) in the desktop's file manager; anything
    // else is dropped and logged.
    void openFolder(const std::string& path);

    // --- Images, space, FileVault, identity --------------------------------------------------
    void refreshImages(bool force);
    void refreshSpace(bool force);
    void refreshCaches();
    void refreshFileVault();
    void loadIdentity();

    // --- Settings-window loaders and job detail ----------------------------------------------
    const JobsSnapshot& paneJobs() const;
    void paneShown();
    void refreshPane();
    void refreshWindowJobs();
    void refreshFleet();
    std::optional<RunningJob> runningJob(const std::string& id) const;
    std::optional<FinishedJob> finishedJob(const std::string& id) const;
    void openJob(const std::string& id);
    void closeJob();
    bool canStopJob(const std::string& id) const;
    void stopJob(const std::string& id);
    std::optional<QUrl> githubURL(const std::string& id) const;

    // "/jobs/<id as one path segment><suffix>"; none for an id that is empty or holds a
    // control character, which is never sent.
    static std::optional<std::string> jobPath(std::string_view id, std::string_view suffix);

signals:
    void objectWillChange();
    // The value being assigned, before it is stored; read agentAvailable() for the current one.
    void agentAvailableWillChange(bool value);
    void tickWillChange(qint64 value);

private:
    // The agent home's files sit beside the socket, in the socket path's folder.
    static std::string folderOf(const std::string& path);
    struct Snapshot;  // one refresh's answers

    void applyRefresh(const Snapshot& snapshot);
    void storeSetting(Published<bool>& property, const char* key, bool value);
    void succeeded(bool thenRefresh);
    void failed(const std::string& message);
    void tickJob();
    void readSteps(const std::string& id);
    void readLog(const std::string& id);
    template <class T>
    void onUtility(std::function<T()> work, std::function<void(T)> apply);
    Date now() const;

    // Published state, in declaration order.
    Published<std::optional<AgentStatus>> status_;
    Published<JobsSnapshot> jobs_;
    bool jobsAnswered_ = false;
    Published<std::optional<HostInfo>> host_;
    Published<std::optional<AccountInfo>> account_;
    Published<std::optional<ImageReport>> images_;
    Published<std::optional<PolicyView>> policy_;
    Published<bool> agentAvailable_;
    Published<std::optional<std::string>> lastError_;
    Published<std::int64_t> tick_;
    Published<bool> notifyJobFails_;
    Published<bool> notifyBreak_;
    Published<bool> notifyOffline_;
    Published<bool> notifyImage_;
    Published<bool> showInMenuBar_;
    Published<UpdateState> update_;
    Published<std::optional<QImage>> avatar_;
    Published<std::optional<std::string>> accountKind_;
    Published<std::optional<std::int64_t>> imagesBytes_;
    Published<std::optional<CachesReport>> caches_;
    Published<bool> canUpdateAgent_;
    Published<std::optional<bool>> fileVaultOn_;
    bool windowOpened_ = false;
    Published<std::optional<JobsSnapshot>> windowJobs_;
    Published<std::optional<Fleet>> fleet_;
    Published<std::optional<RouteProblem>> fleetProblem_;
    Published<std::optional<JobDetail>> detail_;
    Published<std::optional<AppPane>> visiblePane_;
    std::optional<Date> fleetFetchedAt_;
    std::unique_ptr<Clock::Timer> detailTimer_;
    std::int64_t detailTicks_ = 0;

    AgentClient client_;
    UpdaterPort& updater_;
    Defaults& defaults_;
    Environment environment_;
    AgentQueue queue_;
    MainThreadPort utilityPort_;
    std::unique_ptr<Clock::Timer> timer_;
    std::optional<Date> imagesFetchedAt_;
    std::optional<Date> spaceMeasuredAt_;
    std::optional<std::string> capabilitiesFor_;
    std::optional<std::string> identityFor_;
    std::optional<Date> identityRetryAt_;
    bool fileVaultAsked_ = false;
    std::optional<Date> cachesFetchedAt_;
};

} // namespace quillmarsh
