#include "Model/AppModel.h"

#include "Foundation/Text.h"
#include "Foundation/FileIO.h"
#include "Foundation/JsonObject.h"
#include "Model/SystemClock.h"
#include "Platform/AutostartEntry.h"
#include "Platform/DesktopUrlOpener.h"
#include "Update/AppUpdate.h"
#include "Words/MenuModel.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

#include <utility>
#include <variant>

namespace quillmarsh {

namespace {

const char* const keyJobFails = "notify.jobFails";
const char* const keyBreak = "notify.break";
const char* const keyOffline = "notify.offline";
const char* const keyImage = "notify.image";
const char* const keyShowInMenuBar = "showInMenuBar";

// The message a failed command shows; with next, an HTTP refusal's next step follows it.
std::string messageOf(const std::exception& error, bool withNext) {
    if (auto* agent = dynamic_cast<const AgentError*>(&error)) {
        std::string text = agent->errorDescription();
        if (withNext && agent->kind() == AgentError::Kind::http && agent->next()) text += " " + *agent->next();
        return text;
    }
    return error.what();
}

std::optional<QUrl> urlOf(const std::string& text) {
    QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    if (text.empty() || !url.isValid()) return std::nullopt;
    return url;
}

AppModel::Environment completed(AppModel::Environment environment) {
    if (!environment.clock) environment.clock = std::make_shared<SystemClock>();
    if (!environment.opener) environment.opener = std::make_shared<DesktopUrlOpener>();
    if (environment.bundleIdentifier.empty()) environment.bundleIdentifier = std::string(AppUpdate::bundleIdentifier);
    if (environment.autostartFolder.empty()) environment.autostartFolder = AutostartEntry::defaultFolder();
    if (environment.identityCache.empty()) {
        environment.identityCache = GitHubIdentity::defaultCacheFolder(environment.bundleIdentifier);
    }
    if (!environment.fetch) environment.fetch = &GitHubIdentity::httpFetch;
    return environment;
}

} // namespace

std::string AppModel::folderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}


struct AppModel::Snapshot {
    enum class Kind { absent, silent, answered };
    Kind kind = Kind::absent;
    std::string error;
    std::optional<AgentStatus> status;
    JobsSnapshot jobs;
    bool jobsAnswered = false;
    std::optional<HostInfo> host;
    std::optional<AccountInfo> account;
    std::optional<PolicyView> policy;
};

AppModel::AppModel(AgentClient client, UpdaterPort& updater, Defaults& defaults, Environment environment)
    : status_([this] { emit objectWillChange(); }),
      jobs_([this] { emit objectWillChange(); }),
      host_([this] { emit objectWillChange(); }),
      account_([this] { emit objectWillChange(); }),
      images_([this] { emit objectWillChange(); }),
      policy_([this] { emit objectWillChange(); }),
      agentAvailable_([this] { emit objectWillChange(); }, false,
                      [this](const bool& value) { emit agentAvailableWillChange(value); }),
      lastError_([this] { emit objectWillChange(); }),
      tick_([this] { emit objectWillChange(); }, 0,
            [this](const std::int64_t& value) { emit tickWillChange(value); }),
      notifyJobFails_([this] { emit objectWillChange(); }),
      notifyBreak_([this] { emit objectWillChange(); }),
      notifyOffline_([this] { emit objectWillChange(); }),
      notifyImage_([this] { emit objectWillChange(); }),
      showInMenuBar_([this] { emit objectWillChange(); }),
      update_([this] { emit objectWillChange(); }, UpdateState::idle()),
      avatar_([this] { emit objectWillChange(); }),
      accountKind_([this] { emit objectWillChange(); }),
      imagesBytes_([this] { emit objectWillChange(); }),
      caches_([this] { emit objectWillChange(); }),
      canUpdateAgent_([this] { emit objectWillChange(); }, false),
      fileVaultOn_([this] { emit objectWillChange(); }),
      windowJobs_([this] { emit objectWillChange(); }),
      fleet_([this] { emit objectWillChange(); }),
      fleetProblem_([this] { emit objectWillChange(); }),
      detail_([this] { emit objectWillChange(); }),
      visiblePane_([this] { emit objectWillChange(); }),
      client_(std::move(client)),
      updater_(updater),
      defaults_(defaults),
      environment_(completed(std::move(environment))),
      queue_(environment_.bundleIdentifier + ".agent", this),
      utilityPort_(this) {
    defaults_.registerDefaults({{keyJobFails, true},
                                {keyBreak, true},
                                {keyOffline, false},
                                {keyImage, true},
                                {keyShowInMenuBar, true}});
    // Nobody observes the model yet, so these first assignments notify no one.
    notifyJobFails_ = defaults_.boolValue(keyJobFails);
    notifyBreak_ = defaults_.boolValue(keyBreak);
    notifyOffline_ = defaults_.boolValue(keyOffline);
    notifyImage_ = defaults_.boolValue(keyImage);
    showInMenuBar_ = defaults_.boolValue(keyShowInMenuBar);
    updater_.setOnChange([this](const UpdateState& state) { update_ = state; });
}

AppModel::~AppModel() {
    updater_.setOnChange({});
    utilityPort_.close();
}

Date AppModel::now() const {
    return environment_.clock->now();
}

// --- Settings ------------------------------------------------------------------------------

void AppModel::storeSetting(Published<bool>& property, const char* key, bool value) {
    property = value;
    defaults_.setBool(key, *property);
}

void AppModel::setNotifyJobFails(bool value) { storeSetting(notifyJobFails_, keyJobFails, value); }
void AppModel::setNotifyBreak(bool value) { storeSetting(notifyBreak_, keyBreak, value); }
void AppModel::setNotifyOffline(bool value) { storeSetting(notifyOffline_, keyOffline, value); }
void AppModel::setNotifyImage(bool value) { storeSetting(notifyImage_, keyImage, value); }
void AppModel::setShowInMenuBar(bool value) { storeSetting(showInMenuBar_, keyShowInMenuBar, value); }

void AppModel::setVisiblePane(std::optional<AppPane> pane) {
    const bool changed = pane != *visiblePane_;
    visiblePane_ = pane;
    if (changed) paneShown();
}

bool AppModel::isRegistered() const {
    return FileIO::exists(folderOf(client_.socketPath()) + "/agent.json");
}

// --- Refresh loop --------------------------------------------------------------------------

void AppModel::start() {
    updater_.start();
    refresh();
    timer_ = environment_.clock->repeat(5.0, [this] { refresh(); });
}

void AppModel::refresh() {
    queue_.post(
        [client = client_] {
            Snapshot s;
            if (!FileIO::exists(client.socketPath())) return s;
            try {
                s.status = client.get<AgentStatus>("/status");
            } catch (const std::exception& error) {
                s.kind = Snapshot::Kind::silent;
                s.error = messageOf(error, false);
                // The message may be the agent's own text: one log line, whatever it holds.
                qWarning("Quillmarsh: the agent did not answer: %s", Text::escapedControls(s.error).c_str());
                return s;
            }
            s.kind = Snapshot::Kind::answered;
            try {
                s.jobs = client.get<JobsSnapshot>("/jobs");
                s.jobsAnswered = true;
            } catch (const std::exception&) {
            }
            try {
                s.host = client.get<HostInfo>("/host");
            } catch (const std::exception&) {
            }
            try {
                s.account = client.get<AccountInfo>("/account");
            } catch (const std::exception&) {
            }
            try {
                s.policy = client.get<PolicyView>("/policy");
            } catch (const std::exception&) {
            }
            return s;
        },
        [this](Snapshot snapshot) { applyRefresh(snapshot); });
}

void AppModel::applyRefresh(const Snapshot& s) {
    const bool answered = s.kind == Snapshot::Kind::answered;
    // Set before anything is published, so every observer of this outcome reads it.
    jobsAnswered_ = answered && s.jobsAnswered;
    if (answered) {
        status_ = s.status;
        jobs_ = s.jobs;
        if (s.host) host_ = s.host;
        if (s.account) account_ = s.account;
        if (s.policy) policy_ = s.policy;
    } else {
        status_ = std::nullopt;
        jobs_ = JobsSnapshot{};
        host_ = std::nullopt;
        account_ = std::nullopt;
        policy_ = std::nullopt;
        images_ = std::nullopt;
    }
    agentAvailable_ = answered;
    lastError_ = s.kind == Snapshot::Kind::silent ? std::optional<std::string>(s.error) : std::nullopt;
    tick_ = *tick_ + 1;
    if (!answered) return;

    refreshCapabilities();
    if (visiblePane_->has_value()) refreshPane();
    if (windowOpened_) {
        loadIdentity();
        if (cachesFetchedAt_ && now().timeIntervalSince(*cachesFetchedAt_) >= 30.0) refreshCaches();
    }
}

// --- Policy and derived settings -----------------------------------------------------------

RunsJobs AppModel::runsJobs() const {
    if (const auto& policy = *policy_) return quillmarsh::runsJobs(policy->pluggedInOnly, policy->idleOnly);
    if (const auto& status = *status_; status && status->waiting) {
        if (*status->waiting == "on_battery") return RunsJobs::whenPluggedIn;
        if (*status->waiting == "in_use") return RunsJobs::whenPluggedInAndNotInUse;
    }
    return RunsJobs::always;
}

bool AppModel::useMoreWhenAway() const {
    if (const auto& policy = *policy_; policy && policy->useMoreWhenAway) return *policy->useMoreWhenAway;
    return true;
}

StayAwake AppModel::stayAwake() const {
    std::string code;
    if (status_->has_value() && (*status_)->stayAwake) code = *(*status_)->stayAwake;
    else if (policy_->has_value() && (*policy_)->stayAwake) code = *(*policy_)->stayAwake;
    if (auto match = fromRaw<StayAwake>(code)) return *match;
    return status_->has_value() && (*status_)->laptop ? StayAwake::never : StayAwake::pluggedIn;
}

Mode AppModel::mode() const {
    std::string routing;
    if (status_->has_value() && (*status_)->routing) routing = *(*status_)->routing;
    return fromRaw<Mode>(routing).value_or(Mode::primary);
}

std::optional<PauseOption> AppModel::pauseInForce() const {
    bool paused = false;
    std::optional<std::string> until;
    if (const auto& status = *status_) {
        paused = status->isPaused();
    } else if (const auto& policy = *policy_) {
        paused = policy->paused;
    }
    if (status_->has_value() && (*status_)->pausedUntil) until = (*status_)->pausedUntil;
    else if (policy_->has_value()) until = (*policy_)->pausedUntil;
    return inForce(paused, until, now(), environment_.clock->calendar());
}

std::string AppModel::dashboardRoot() const {
    if (account_->has_value()) return (*account_)->dashboardUrl;
    return std::string(MenuModel::defaultDashboardRoot);
}

std::optional<QUrl> AppModel::machineURL() const {
    if (account_->has_value()) return urlOf((*account_)->machineURL());
    return urlOf(dashboardRoot());
}

std::optional<QUrl> AppModel::jobsURL() const {
    if (account_->has_value()) return urlOf((*account_)->jobsURL());
    return urlOf(dashboardRoot() + "/jobs");
}

std::optional<QUrl> AppModel::jobURL(const std::string& repository) const {
    if (account_->has_value()) return urlOf((*account_)->jobURL(repository));
    return urlOf(dashboardRoot() + "/jobs");
}

std::string AppModel::accountCaption() const {
    if (*accountKind_ == "User") return "Personal";
    if (*accountKind_ == "Organization") return "Organisation";
    return "GitHub";
}

void AppModel::refreshCapabilities() {
    std::string version;
    if (status_->has_value() && (*status_)->version) version = *(*status_)->version;
    if (!*agentAvailable_) return;
    if (capabilitiesFor_ == version) return;
    capabilitiesFor_ = version;
    // The answer: whether the route answered 405; none when no answer came at all.
    queue_.post(
        [client = client_]() -> std::optional<bool> {
            try {
                return AgentClient::statusCode(client.raw("GET", "/update", std::nullopt)) == 405;
            } catch (const std::exception&) {
                return std::nullopt;
            }
        },
        [this, version](std::optional<bool> canUpdate) {
            canUpdateAgent_ = canUpdate.value_or(false);
            // A probe that never reached the agent says nothing about this version: ask again.
            if (!canUpdate && capabilitiesFor_ == version) capabilitiesFor_.reset();
        });
}

// --- Commands ------------------------------------------------------------------------------

void AppModel::succeeded(bool thenRefresh) {
    lastError_ = std::nullopt;
    if (thenRefresh) refresh();
}

void AppModel::failed(const std::string& message) {
    lastError_ = message;
}

namespace {

// A command's outcome: the decoded answer, or the message of the first error.
struct Failure {
    std::string message;
};
template <class T>
using Outcome = std::variant<T, Failure>;

template <class Decode>
auto postOutcome(const AgentClient& client, std::string_view path, const nlohmann::json& body, Decode decode,
                 bool withNext) -> Outcome<decltype(decode(std::declval<const nlohmann::json&>()))> {
    try {
        return client.post(path, body, decode);
    } catch (const std::exception& error) {
        return Failure{messageOf(error, withNext)};
    }
}

bool anyValue(const nlohmann::json&) { return true; }

} // namespace

void AppModel::setPolicy(const nlohmann::json& patch) {
    queue_.post([client = client_, patch] { return postOutcome(client, "/policy", patch, PolicyView::decode, false); },
                [this](Outcome<PolicyView> outcome) {
                    if (auto* answer = std::get_if<PolicyView>(&outcome)) {
                        policy_ = *answer;
                        succeeded(true);
                    } else {
                        failed(std::get<Failure>(outcome).message);
                    }
                });
}

void AppModel::pause(PauseOption option) {
    if (auto end = until(option, now(), environment_.clock->calendar())) {
        setPolicy({{"paused_until", MenuModel::rfc3339(*end)}});
    } else {
        setPolicy({{"paused", true}, {"paused_until", ""}});
    }
}

void AppModel::stopRunningJobs() {
    queue_.post(
        [client = client_] {
            return postOutcome(client, "/jobs/stop", nlohmann::json::object(),
                               [](const nlohmann::json& v) { return JsonObject(v, "Out").integer("stopped"); }, true);
        },
        [this](Outcome<std::int64_t> outcome) {
            if (outcome.index() == 0) succeeded(true);
            else failed(std::get<Failure>(outcome).message);
        });
}

void AppModel::setMode(Mode mode) {
    const nlohmann::json body = {{"routing", std::string(rawValue(mode))}};
    queue_.post(
        [client = client_, body] {
            return postOutcome(client, "/mode", body,
                               [](const nlohmann::json& v) { return JsonObject(v, "Out").string("routing"); }, false);
        },
        [this](Outcome<std::string> outcome) {
            if (outcome.index() == 0) succeeded(true);
            else failed(std::get<Failure>(outcome).message);
        });
}

void AppModel::clearCaches(const std::optional<std::string>& repository) {
    if (!caches_->has_value()) return;
    nlohmann::json body = nlohmann::json::object();
    if (repository) body["repository"] = *repository;
    queue_.post([client = client_, body] { return postOutcome(client, "/caches/clear", body, anyValue, false); },
                [this](Outcome<bool> outcome) {
                    if (outcome.index() == 0) {
                        lastError_ = std::nullopt;
                        refreshCaches();
                    } else {
                        failed(std::get<Failure>(outcome).message);
                    }
                });
}

void AppModel::updateAgentNow() {
    if (!*canUpdateAgent_) return;
    queue_.post(
        [client = client_] { return postOutcome(client, "/update", nlohmann::json::object(), anyValue, false); },
        [this](Outcome<bool> outcome) {
            if (outcome.index() == 0) succeeded(true);
            else failed(std::get<Failure>(outcome).message);
        });
}

void AppModel::installUpdate() {
    if (update_->kind == UpdateState::Case::manual) {
        open(urlOf(AppUpdate::downloadURL(updater_.base())));
        return;
    }
    updater_.install();
}

bool AppModel::openAtLogin() const {
    if (!environment_.bundleExecutable) return false;
    return AutostartEntry(environment_.autostartFolder, environment_.bundleIdentifier).isEnabled();
}

void AppModel::setOpenAtLogin(bool open) {
    if (!environment_.bundleExecutable) return;
    const AutostartEntry entry(environment_.autostartFolder, environment_.bundleIdentifier);
    try {
        if (open) entry.enable(*environment_.bundleExecutable);
        else entry.disable();
    } catch (const std::exception& error) {
        lastError_ = std::string(error.what());
    }
    emit objectWillChange();
}

bool AppModel::canOpenAtLogin() const { return environment_.bundleExecutable.has_value(); }

void AppModel::open(const std::optional<QUrl>& url) {
    if (!url) return;
    const QString scheme = url->scheme().toLower();
    if (!url->isValid() || (scheme != "http" && scheme != "https") || url->host().isEmpty()) {
        qWarning("Quillmarsh: not opening a link that is not http or https: %s",
                 qPrintable(url->toDisplayString()));
        return;
    }
    environment_.opener->open(*url);
}

void AppModel::openFolder(const std::string& path) {
    const QString folder = QString::fromStdString(path);
    if (path.empty() || !QDir::isAbsolutePath(folder) || !QFileInfo(folder).isDir()) {
        qWarning("Quillmarsh: not opening a folder that does not exist: %s", path.c_str());
        return;
    }
    environment_.opener->open(QUrl::fromLocalFile(folder));
}

} // namespace quillmarsh
