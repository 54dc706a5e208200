// The model's loaders for the settings window: image report, images size, caches, FileVault,
// the GitHub identity, the Jobs and Machines panes and the open job's detail.
#include "Model/AppModel.h"

#include "Foundation/FileIO.h"
#include "Foundation/JsonObject.h"
#include "Foundation/Text.h"
#include "Platform/AllocatedBytes.h"
#include "Words/JobsList.h"
#include "Words/MenuModel.h"

#include <QRunnable>
#include <QThreadPool>

#include <variant>

namespace quillmarsh {

namespace {

std::optional<QUrl> urlOf(const std::string& text) {
    QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    if (text.empty() || !url.isValid()) return std::nullopt;
    return url;
}

const char* const unsendableId = "This job's id cannot be sent to the agent.";

template <class T>
using Read = std::variant<T, RouteProblem>;

template <class T>
Read<T> readRoute(const AgentClient& client, const std::string& path) {
    try {
        return client.get<T>(path);
    } catch (const std::exception& error) {
        return RouteProblem::from(error, AppModel::jobRoutesVersion);
    }
}

} // namespace

template <class T>
void AppModel::onUtility(std::function<T()> work, std::function<void(T)> apply) {
    auto post = utilityPort_.poster();
    QThreadPool::globalInstance()->start([work = std::move(work), apply = std::move(apply), post] {
        auto result = std::make_shared<T>(work());
        post([apply, result] { apply(std::move(*result)); });
    });
}

// --- Images, space, caches, FileVault, identity --------------------------------------------

void AppModel::refreshImages(bool force) {
    if (!force && imagesFetchedAt_ && now().timeIntervalSince(*imagesFetchedAt_) < 300.0) return;
    imagesFetchedAt_ = now();
    queue_.post(
        [client = client_]() -> std::optional<ImageReport> {
            if (!FileIO::exists(client.socketPath())) return std::nullopt;
            try {
                return client.get<ImageReport>("/image/checks");
            } catch (const std::exception&) {
                return std::nullopt;
            }
        },
        [this](std::optional<ImageReport> report) {
            if (report) images_ = std::move(report);
        });
}

void AppModel::refreshSpace(bool force) {
    if (!force && spaceMeasuredAt_ && now().timeIntervalSince(*spaceMeasuredAt_) < 300.0) return;
    spaceMeasuredAt_ = now();
    const std::string folder = folderOf(client_.socketPath()) + "/images";
    onUtility<std::optional<std::int64_t>>([folder] { return AllocatedBytes::under(folder); },
                                           [this](std::optional<std::int64_t> bytes) { imagesBytes_ = bytes; });
    refreshCaches();
}

void AppModel::refreshCaches() {
    cachesFetchedAt_ = now();
    queue_.post(
        [client = client_]() -> std::optional<CachesReport> {
            if (!FileIO::exists(client.socketPath())) return std::nullopt;
            try {
                return client.get<CachesReport>("/caches");
            } catch (const std::exception&) {
                return std::nullopt;
            }
        },
        [this](std::optional<CachesReport> report) { caches_ = std::move(report); });
}

void AppModel::refreshFileVault() {
    if (fileVaultAsked_) return;
    fileVaultAsked_ = true;
    const std::string home = folderOf(client_.socketPath());
    onUtility<std::optional<bool>>([probe = environment_.fileVault, home] { return probe.isEncrypted(home); },
                                   [this](std::optional<bool> on) { fileVaultOn_ = on; });
}

void AppModel::loadIdentity() {
    if (!account_->has_value() || (*account_)->owner.empty()) return;
    const std::string owner = (*account_)->owner;
    // The owner names the cache files: only a real GitHub login may do that.
    if (!MenuModel::isGitHubLogin(owner)) return;
    if (identityFor_ == owner) return;
    if (identityRetryAt_ && now() < *identityRetryAt_) return;
    identityFor_ = owner;
    identityRetryAt_.reset();
    onUtility<GitHubIdentity::Result>(
        [folder = environment_.identityCache, owner, hosts = environment_.github, fetch = environment_.fetch] {
            return GitHubIdentity::load(folder, owner, hosts, fetch);
        },
        [this, owner](GitHubIdentity::Result result) {
            if (identityFor_ != owner) return;
            avatar_ = std::move(result.avatar);
            accountKind_ = std::move(result.kind);
            if (!avatar_->has_value()) {
                identityFor_.reset();
                identityRetryAt_ = now().adding(60.0);
            }
        });
}

// --- Panes ---------------------------------------------------------------------------------

const JobsSnapshot& AppModel::paneJobs() const {
    return windowJobs_->has_value() ? **windowJobs_ : *jobs_;
}

void AppModel::prepareWindow() {
    windowOpened_ = true;
    refresh();
    refreshImages(false);
    refreshSpace(false);
    refreshFileVault();
    loadIdentity();
}

void AppModel::paneShown() {
    if (*visiblePane_ != AppPane::jobs) closeJob();
    refreshPane();
}

void AppModel::refreshPane() {
    if (!*agentAvailable_ && !FileIO::exists(client_.socketPath())) return;
    if (!visiblePane_->has_value()) return;
    switch (**visiblePane_) {
    case AppPane::jobs: refreshWindowJobs(); break;
    case AppPane::machines:
        if (!fleetFetchedAt_ || now().timeIntervalSince(*fleetFetchedAt_) >= 30.0) refreshFleet();
        break;
    case AppPane::caches:
        if (!caches_->has_value()) refreshCaches();
        break;
    default: break;
    }
}

void AppModel::refreshWindowJobs() {
    queue_.post(
        [client = client_]() -> std::optional<JobsSnapshot> {
            try {
                return AgentClient::decodeBody(AgentClient::parse(client.raw("GET", "/jobs?limit=50", std::nullopt)),
                                               JobsSnapshot::decode);
            } catch (const std::exception&) {
                return std::nullopt;
            }
        },
        [this](std::optional<JobsSnapshot> snapshot) {
            if (snapshot) windowJobs_ = std::move(snapshot);
        });
}

void AppModel::refreshFleet() {
    fleetFetchedAt_ = now();
    queue_.post([client = client_] { return readRoute<Fleet>(client, "/machines"); },
                [this](Read<Fleet> read) {
                    if (auto* fleet = std::get_if<Fleet>(&read)) {
                        fleet_ = std::move(*fleet);
                        fleetProblem_ = std::nullopt;
                    } else {
                        const RouteProblem problem = std::get<RouteProblem>(read);
                        fleetProblem_ = problem;
                        if (problem.kind == RouteProblem::Kind::needsAgent) fleet_ = std::nullopt;
                    }
                });
}

// --- Jobs ----------------------------------------------------------------------------------

std::optional<RunningJob> AppModel::runningJob(const std::string& id) const {
    for (const RunningJob& job : paneJobs().running) {
        if (job.id() == id) return job;
    }
    return std::nullopt;
}

std::optional<FinishedJob> AppModel::finishedJob(const std::string& id) const {
    for (const FinishedJob& job : paneJobs().recent) {
        if (job.id() == id) return job;
    }
    return std::nullopt;
}

std::optional<std::string> AppModel::jobPath(std::string_view id, std::string_view suffix) {
    if (id.empty()) return std::nullopt;
    for (unsigned char c : id) {
        if (c < 0x20 || c == 0x7f) return std::nullopt;
    }
    // One segment: "/" is escaped too, and so are the dots of "." and "..".
    const bool onlyDots = id.find_first_not_of('.') == std::string_view::npos;
    std::string segment;
    for (char c : Text::percentEncodePath(id)) {
        if (c == '/') segment += "%2F";
        else if (c == '.' && onlyDots) segment += "%2E";
        else segment += c;
    }
    return "/jobs/" + segment + std::string(suffix);
}

void AppModel::openJob(const std::string& id) {
    if (detail_->has_value() && (*detail_)->jobId == id) return;
    detail_ = JobDetail(id);
    detailTicks_ = 0;
    detailTimer_.reset();
    readSteps(id);
    readLog(id);
    detailTimer_ = environment_.clock->repeat(1.0, [this] { tickJob(); });
}

void AppModel::closeJob() {
    detailTimer_.reset();
    detail_ = std::nullopt;
}

void AppModel::tickJob() {
    if (!detail_->has_value() || *visiblePane_ != AppPane::jobs) return;
    ++detailTicks_;
    const std::string id = (*detail_)->jobId;
    const bool finished = !runningJob(id).has_value();
    if (finished && (*detail_)->settled) return;
    readLog(id);
    const bool fifth = detailTicks_ % 5 == 0;
    if (fifth) readSteps(id);
    if (finished) {
        if (!fifth) readSteps(id);
        detail_.modify([](std::optional<JobDetail>& d) { d->settled = true; });
    }
}

void AppModel::readSteps(const std::string& id) {
    auto apply = [this, id](Read<JobSteps> read) {
        if (!detail_->has_value() || (*detail_)->jobId != id) return;
        detail_.modify([&](std::optional<JobDetail>& d) {
            if (auto* steps = std::get_if<JobSteps>(&read)) {
                d->steps = std::move(*steps);
                d->stepsProblem = std::nullopt;
            } else {
                d->stepsProblem = std::get<RouteProblem>(read);
            }
        });
    };
    auto path = jobPath(id, "/steps");
    if (!path) {
        apply(RouteProblem::failed(unsendableId));
        return;
    }
    queue_.post([client = client_, path = *path] { return readRoute<JobSteps>(client, path); }, std::move(apply));
}

void AppModel::readLog(const std::string& id) {
    std::optional<std::int64_t> cursor;
    if (detail_->has_value()) cursor = (*detail_)->log.next();
    const std::string query = cursor ? "?since=" + std::to_string(*cursor) : std::string();
    auto apply = [this, id, cursor](Read<JobLog> read) {
        if (!detail_->has_value() || (*detail_)->jobId != id) return;
        auto* log = std::get_if<JobLog>(&read);
        // Reads overlap when the agent is slow: an answer to a cursor that an earlier answer
        // has already moved past would replace the text with a chunk that is already in it.
        if (log != nullptr && (*detail_)->log.next() != cursor) return;
        detail_.modify([&](std::optional<JobDetail>& d) {
            if (log != nullptr) {
                d->log.apply(*log);
                d->logLoaded = true;
                d->logProblem = std::nullopt;
            } else {
                d->logProblem = std::get<RouteProblem>(read);
                d->logLoaded = true;
            }
        });
    };
    auto path = jobPath(id, "/log");
    if (!path) {
        apply(RouteProblem::failed(unsendableId));
        return;
    }
    queue_.post([client = client_, path = *path + query] { return readRoute<JobLog>(client, path); },
                std::move(apply));
}

bool AppModel::canStopJob(const std::string& id) const {
    if (!runningJob(id)) return false;
    const std::optional<std::string> version = status_->has_value() ? (*status_)->version : std::nullopt;
    if (AgentStatus::compareVersions(version.value_or("0"), jobRoutesVersion) >= 0) return true;
    const std::string text = version.value_or("");
    if (text.size() >= 4 && text.compare(text.size() - 4, 4, "-dev") == 0) return true;
    return paneJobs().running.size() == 1;
}

void AppModel::stopJob(const std::string& id) {
    queue_.post(
        [client = client_, id]() -> std::optional<std::string> {
            try {
                client.post("/jobs/stop", nlohmann::json{{"job_id", id}},
                            [](const nlohmann::json& v) { return JsonObject(v, "Out").integer("stopped"); });
                return std::nullopt;
            } catch (const std::exception& error) {
                if (auto* agent = dynamic_cast<const AgentError*>(&error)) return agent->errorDescription();
                return std::string(error.what());
            }
        },
        [this](std::optional<std::string> error) {
            if (error) {
                lastError_ = std::move(error);
                return;
            }
            lastError_ = std::nullopt;
            refreshWindowJobs();
        });
}

std::optional<QUrl> AppModel::githubURL(const std::string& id) const {
    std::optional<std::string> text;
    // The open detail's link belongs to its own job only.
    if (detail_->has_value() && (*detail_)->jobId == id && (*detail_)->steps && (*detail_)->steps->url) {
        text = (*detail_)->steps->url;
    }
    const auto running = runningJob(id);
    const auto finished = finishedJob(id);
    if (!text && running && running->runUrl) text = running->runUrl;
    if (!text && finished && finished->runUrl) text = finished->runUrl;
    if (!text && running) text = JobsList::runningRow(*running, std::nullopt).runURL;
    if (!text && finished) {
        auto rows = JobsList::recent(JobsSnapshot{{}, {*finished}}, JobFilter::all, now(),
                                     environment_.clock->calendar());
        if (!rows.empty()) text = rows.front().runURL;
    }
    if (!text) return std::nullopt;
    return urlOf(*text);
}

} // namespace quillmarsh
