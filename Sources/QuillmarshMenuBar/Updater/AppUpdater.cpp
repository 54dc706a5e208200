#include "Updater/AppUpdater.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Platform/BundleCopier.h"
#include "Platform/BundleSwap.h"
#include "Platform/CodeSignature.h"
#include "Platform/Gatekeeper.h"
#include "Platform/Relaunch.h"
#include "Platform/TreeRemoval.h"
#include "Platform/ZipExtractor.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>
#include <QUuid>
#include <QtGlobal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace quillmarsh {

namespace fs = std::filesystem;

namespace {

std::string newUUID() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString(); }

// A failed removal is not reported: what is left is removed at the next start.
void removeQuietly(const std::string& path) { (void)TreeRemoval::remove(path); }

// A staging's work folder in the temporary folder (the download, its unpacked tree: a whole
// bundle or two). It holds an exclusive flock on the folder for as long as the staging runs, so
// that a start of the app tells a work folder in use from one a killed staging left behind; the
// system drops the lock with the process however it ends. It is made under a name of its own and
// takes its work-folder name only once it is locked. Removed when staging ends, whether it
// succeeds or fails.
class WorkFolder {
public:
    explicit WorkFolder(const std::string& temporaryDirectory) {
        fs::create_directories(temporaryDirectory);  // a creation error is thrown unchanged
        const std::string uuid = newUUID();
        path_ = (fs::path(temporaryDirectory) / AppUpdate::workFolderName(uuid)).string();
        const std::string making = path_ + ".new";
        if (::mkdir(making.c_str(), 0700) != 0)
            throw std::system_error(errno, std::generic_category(), "cannot create " + making);
        ::chmod(making.c_str(), 0700);
        lock_ = UniqueFd(::open(making.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!lock_ || ::flock(lock_.get(), LOCK_EX) != 0 || ::rename(making.c_str(), path_.c_str()) != 0) {
            const int error = errno;
            removeQuietly(making);
            throw std::system_error(error, std::generic_category(), "cannot create " + path_);
        }
    }
    ~WorkFolder() { removeQuietly(path_); }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    UniqueFd lock_;
};

} // namespace

AppUpdater::Options AppUpdater::Options::standard() {
    Options options;
    const char* tmp = std::getenv("TMPDIR");
    options.temporaryDirectory = tmp && *tmp ? tmp : "/tmp";
    options.anchors = TrustAnchors::forRunningApp();
    options.isWritable = [](const std::string& path) { return ::access(path.c_str(), W_OK) == 0; };
    options.terminate = [] {
        if (auto* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    };
    options.processId = ::getpid();
    return options;
}

AppUpdater::AppUpdater(const AppBundle& bundle, std::string base, Options options, QObject* parent)
    : QObject(parent), bundlePath_(bundle.path), base_(std::move(base)), options_(std::move(options)), port_(this) {
    if (bundle.identifier)
        currentVersion_ = bundle.shortVersion;
}

// Closed first, so that no worker posts to an updater that is being taken apart; a result
// already posted goes with the QObject.
AppUpdater::~AppUpdater() { port_.close(); }

void AppUpdater::log(const std::string& line) { qWarning().noquote() << QString::fromStdString(line); }

void AppUpdater::setState(UpdateState state) {
    if (state == state_)
        return;
    state_ = std::move(state);
    if (onChange)
        onChange(state_);
}

void AppUpdater::start() {
    if (!currentVersion_)
        return;
    removeStaleStaging();
    removeAbandonedWork();
    QTimer::singleShot(options_.firstCheckDelay, this, [this] { check(); });
    timer_ = new QTimer(this);
    timer_->setInterval(std::chrono::milliseconds(static_cast<long long>(AppUpdate::checkInterval * 1000)));
    connect(timer_, &QTimer::timeout, this, [this] { dailyTick(); });
    timer_->start();
}

void AppUpdater::dailyTick() {
    bool quiet = isQuiet();
    if (AppUpdate::shouldInstallUnattended(state_, quiet))
        install();
    else
        check();
}

void AppUpdater::removeStaleStaging() {
    std::string parent = AppUpdate::deletingLastPathComponent(bundlePath_);
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(parent.empty() ? "." : parent, error), end; !error && it != end;
         it.increment(error))
        names.push_back(it->path().filename().string());
    if (error && names.empty())
        return;
    for (const auto& name : AppUpdate::staleStagingNames(names))
        removeQuietly((fs::path(parent) / name).string());
}

// Work folders that a staging left when it was killed: this user's own folders of exactly the
// work-folder name that no running staging holds locked. A link, a file, another user's folder
// and any other name are left alone, and nothing is followed on the way.
void AppUpdater::removeAbandonedWork() {
    const UniqueFd folder(::open(options_.temporaryDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return;
    for (const auto& name : FileIO::folderEntries(folder.get()).value_or(std::vector<std::string>{})) {
        if (!AppUpdate::isWorkFolderName(name))
            continue;
        const UniqueFd work(::openat(folder.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat info {};
        if (!work || ::fstat(work.get(), &info) != 0 || info.st_uid != ::geteuid())
            continue;
        if (::flock(work.get(), LOCK_EX | LOCK_NB) != 0)
            continue;  // a staging of another copy of the app that runs now
        log("Quillmarsh: removing an update download left by an earlier run: " + name);
        removeQuietly((fs::path(options_.temporaryDirectory) / name).string());
    }
}

void AppUpdater::check() {
    if (!currentVersion_ || busy_ || state_.kind == UpdateState::Case::ready)
        return;
    busy_ = true;
    setState(UpdateState::checking());
    std::string current = *currentVersion_;
    std::thread([this, post = port_.poster(), current, downloads = downloads()] {
        std::optional<AppUpdate::Decision> result;
        std::string error;
        try {
            result = decision(current, downloads);
        } catch (const std::exception& e) {
            error = e.what();
        }
        // Runs on the main thread, and only while the updater exists.
        post([this, result, error] { decided(result, error); });
    }).detach();
}

// A check or staging that failed: logged, and shown against the version it was about, if any.
void AppUpdater::failed(const std::string& error) {
    log("Quillmarsh: app update failed: " + error);
    if (auto version = state_.version())
        setState(UpdateState::failed(*version, error));
    else
        setState(UpdateState::idle());
    busy_ = false;
}

void AppUpdater::decided(const std::optional<AppUpdate::Decision>& decision, const std::string& error) {
    if (!decision) {
        failed(error);
        return;
    }
    if (decision->kind != AppUpdate::Decision::Case::update) {
        setState(UpdateState::idle());
        busy_ = false;
        return;
    }
    const std::string version = decision->version;
    setState(UpdateState::downloading(version));
    if (auto reason = AppUpdate::selfUpdateBlocker(bundlePath_, options_.isWritable)) {
        setState(UpdateState::manual(version, *reason));
        busy_ = false;
        return;
    }
    std::string bundlePath = bundlePath_;
    std::string temporary = options_.temporaryDirectory;
    TrustAnchors anchors = options_.anchors;
    std::thread([this, post = port_.poster(), version, downloads = downloads(), bundlePath, temporary, anchors] {
        std::optional<std::string> path;
        std::string failure;
        try {
            path = stage(version, downloads, bundlePath, temporary, anchors);
        } catch (const std::exception& e) {
            failure = e.what();
        }
        // Runs on the main thread, and only while the updater exists.
        post([this, version, path, failure] { stageEnded(version, path, failure); });
    }).detach();
}

void AppUpdater::stageEnded(const std::string& version, const std::optional<std::string>& path,
                            const std::string& error) {
    if (!path) {
        failed(error);
        return;
    }
    staged_ = Staged{version, *path};
    setState(UpdateState::ready(version));
    busy_ = false;
}

namespace {

const std::vector<std::pair<std::string, std::string>> userAgent = {{"User-Agent", "quillmarsh-mac"}};

// The latest and checksum files: small, and whole within the deadline however they trickle.
HttpClient::Request smallFile(const std::string& url, std::chrono::milliseconds deadline) {
    HttpClient::Request request(url, userAgent);
    request.deadline = deadline;
    return request;
}

} // namespace

AppUpdate::Decision AppUpdater::decision(const std::string& current, const Downloads& downloads) {
    std::string latest = fetch(smallFile(AppUpdate::latestURL(downloads.base), downloads.smallFileDeadline));
    auto decision = AppUpdate::decide(current, latest);
    if (decision.kind == AppUpdate::Decision::Case::badLatest)
        throw UpdateError(std::string(BuildConfig::defaultDownloadsHost) + " did not name a version");
    return decision;
}

std::string AppUpdater::fetch(const HttpClient::Request& request) {
    auto response = HttpClient::get(request);
    if (response.status < 200 || response.status > 299)
        throw UpdateError(AppUpdate::lastPathComponent(request.url) + " answered " + std::to_string(response.status));
    return std::move(response.body);
}

std::string AppUpdater::stage(const std::string& version, const Downloads& downloads, const std::string& bundlePath,
                              const std::string& temporaryDirectory, const TrustAnchors& anchors) {
    const WorkFolder workFolder(temporaryDirectory);
    const std::string& work = workFolder.path();

    auto checksum = AppUpdate::parseChecksum(
        fetch(smallFile(AppUpdate::checksumURL(version, downloads.base), downloads.smallFileDeadline)));
    if (!checksum)
        throw UpdateError("the release has no readable checksum");
    // The archive has no deadline, only a least average rate: a slow honest link still finishes.
    std::string archive =
        fetch(HttpClient::Request::archive(AppUpdate::zipURL(version, downloads.base), userAgent, downloads.archiveRate));
    if (AppUpdate::sha256Hex(archive) != *checksum)
        throw UpdateError("the download's checksum does not match the release");

    const std::string zipPath = work + "/" + std::string(AppUpdate::zipName);
    {
        std::ofstream out(zipPath, std::ios::binary);
        out.write(archive.data(), static_cast<std::streamsize>(archive.size()));
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + zipPath);
    }
    std::string().swap(archive);
    const std::string unpacked = work + "/unpacked";
    const FolderModes modes = ZipExtractor::extract(zipPath, unpacked);
    const std::string app = unpacked + "/Quillmarsh.app";
    if (!FileIO::exists(app + "/Contents/MacOS/Quillmarsh"))
        throw UpdateError("the download is not Quillmarsh.app");

    const std::string staging = AppUpdate::stagingPath(bundlePath, newUUID().substr(0, 8));
    try {
        // The archive's folder modes go on the copy that is verified and kept, and only once it
        // is complete.
        BundleCopier::copy(app, staging, modes.under("Quillmarsh.app"));
        verify(staging, version, anchors);
    } catch (...) {
        removeQuietly(staging);
        throw;
    }
    return staging;
}

void AppUpdater::verify(const std::string& bundlePath, const std::string& version) {
    verify(bundlePath, version, TrustAnchors::forRunningApp());
}

void AppUpdater::verify(const std::string& bundlePath, const std::string& version, const TrustAnchors& anchors) {
    if (AppUpdate::bundleVersion(bundlePath) != version)
        throw UpdateError("the download says it is not version " + version);
    if (int status = CodeSignature::openStatic(bundlePath); status != CodeSignature::ok)
        throw UpdateError("the download's signature cannot be read (" + std::to_string(status) + ")");
    const std::string requirement =
        AppUpdate::signingRequirement(AppUpdate::teamID, AppUpdate::bundleIdentifier);
    if (int status = CodeSignature::compileRequirement(requirement); status != CodeSignature::ok)
        throw UpdateError("bad code requirement (" + std::to_string(status) + ")");
    auto validity = CodeSignature::checkValidity(bundlePath, requirement, anchors);
    if (validity.status == CodeSignature::requirementFailed)
        throw UpdateError("the download is not signed by Quillmarsh: it is not a Developer ID signature by team " +
                          std::string(AppUpdate::teamID) + " for " + std::string(AppUpdate::bundleIdentifier));
    if (validity.status != CodeSignature::ok)
        throw UpdateError("the download is not signed by Quillmarsh: " +
                          (validity.description.empty() ? "status " + std::to_string(validity.status)
                                                        : validity.description));
    auto team = CodeSignature::teamIdentifier(bundlePath);
    if (!team || *team != AppUpdate::teamID)
        throw UpdateError("the download is signed by team " + team.value_or("none") + ", not " +
                          std::string(AppUpdate::teamID));
    if (auto refusal = Gatekeeper::assess(bundlePath))
        throw UpdateError("Gatekeeper does not accept the download: " + *refusal);
}

void AppUpdater::swap(const std::string& staged, const std::string& installed) {
    if (!FileIO::exists(staged + "/Contents/MacOS/Quillmarsh"))
        throw UpdateError("the staged update is gone");
    BundleSwap::exchange(staged, installed);
    removeQuietly(staged);
}

void AppUpdater::install() {
    if (state_.kind != UpdateState::Case::ready || !staged_ || busy_)
        return;
    busy_ = true;
    const std::string version = state_.versionText;
    setState(UpdateState::installing(version));
    try {
        swap(staged_->path, bundlePath_);
    } catch (const std::exception& error) {
        log(std::string("Quillmarsh: app update could not be installed: ") + error.what());
        // The copy that could not be swapped in is of no further use: the next check stages
        // afresh, so leaving it would leak one whole bundle per failure.
        removeQuietly(staged_->path);
        staged_.reset();
        busy_ = false;
        setState(UpdateState::failed(version, error.what()));
        return;
    }
    staged_.reset();
    relaunch();
}

void AppUpdater::installAtQuit() {
    if (state_.kind != UpdateState::Case::ready || !staged_)
        return;
    try {
        swap(staged_->path, bundlePath_);
        staged_.reset();
    } catch (const std::exception& error) {
        log(std::string("Quillmarsh: app update at quit failed: ") + error.what());
        removeQuietly(staged_->path);
        staged_.reset();
    }
}

void AppUpdater::relaunch() {
    try {
        Relaunch::start(std::string(AppUpdate::relaunchScript), Relaunch::environment(options_.processId, bundlePath_));
    } catch (const std::exception& error) {
        log(std::string("Quillmarsh: cannot start the relaunch: ") + error.what());
    }
    if (options_.terminate)
        options_.terminate();
}

} // namespace quillmarsh
