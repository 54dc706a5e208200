#pragma once

#include "MainThreadPort.h"
#include "Platform/AppBundle.h"
#include "Platform/HttpClient.h"
#include "Platform/TrustAnchors.h"
#include "Update/AppUpdate.h"
#include "Update/UpdateState.h"
#include "Updater/UpdaterPort.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/types.h>

class QTimer;

namespace quillmarsh {

// Keeps the app current: once a day it asks the download server for the latest version; when
// that is newer it downloads the archive and its checksum, checks the digest, unpacks the
// archive, copies the bundle into a hidden staging folder beside the installed one and verifies
// the copy (version, signature, team, local assessment). A verified copy is swapped in atomically
// on request, at the daily tick while the app is quiet, or at quit; after an install on request
// the app reopens itself through a small shell line.
//
// Lives on the main thread; the decision and the staging run on threads of their own and hand
// their results back through the event loop. It is the UpdaterPort the app's model uses.
class AppUpdater : public QObject, public UpdaterPort {
    Q_OBJECT
public:
    // An update failure with its user-facing message.
    class UpdateError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The updater's links to its surroundings; standard() is what the app uses.
    struct Options {
        std::string temporaryDirectory;                      // where work folders go
        TrustAnchors anchors;                                // what a signature must chain to
        std::function<bool(const std::string&)> isWritable;  // may this user replace the path
        std::function<void()> terminate;                     // ends the app after a relaunch is set up
        pid_t processId = 0;                                 // the process the relaunch waits for
        std::chrono::milliseconds firstCheckDelay{20'000};
        // How long the downloads may take: the latest and checksum files as a whole, the archive
        // by its average rate (HttpClient's constants; tests shorten them).
        std::chrono::milliseconds smallFileDeadline = HttpClient::smallFileDeadline;
        HttpClient::MinimumRate archiveRate = HttpClient::archiveMinimumRate;

        // $TMPDIR (or /tmp), the running app's anchors, access(W_OK), quitting the
        // application, this process.
        static Options standard();
    };

    struct Staged {
        std::string version;
        std::string path;
        bool operator==(const Staged&) const = default;
    };

    AppUpdater(const AppBundle& bundle, std::string base, Options options = Options::standard(),
               QObject* parent = nullptr);
    ~AppUpdater() override;

    const UpdateState& state() const { return state_; }
    // Called with the new state whenever it changes (main thread).
    OnChange onChange;
    // True when the status menu is closed and the settings window is not visible.
    std::function<bool()> isQuiet = [] { return true; };

    std::optional<std::string> currentVersion() const override { return currentVersion_; }
    const std::string& bundlePath() const { return bundlePath_; }
    std::string base() const override { return base_; }
    const std::optional<Staged>& staged() const { return staged_; }
    bool busy() const { return busy_; }
    bool hasTimer() const { return timer_ != nullptr; }

    // Clean-up of stale staging folders beside the bundle and of the work folders of stagings that
    // were killed, the first check after a delay, then the daily timer.
    // Nothing at all when the app does not run from a bundle with a version.
    void start() override;
    void setOnChange(OnChange callback) override { onChange = std::move(callback); }
    void check() override;
    void install() override;
    void installAtQuit();
    // What the daily timer does: install a ready update when quiet, otherwise check.
    void dailyTick();

    // Verifies a bundle as an update of the given version, against the running app's anchors.
    // Throws UpdateError.
    static void verify(const std::string& bundlePath, const std::string& version);
    static void verify(const std::string& bundlePath, const std::string& version, const TrustAnchors& anchors);

    // "Quillmarsh: " log lines go through here (Qt's message handler).
    static void log(const std::string& line);

private:
    void setState(UpdateState state);
    void removeStaleStaging();
    void removeAbandonedWork();
    void relaunch();
    void failed(const std::string& error);
    void decided(const std::optional<AppUpdate::Decision>& decision, const std::string& error);
    void stageEnded(const std::string& version, const std::optional<std::string>& path, const std::string& error);

    // What a worker needs of the options, copied for its thread.
    struct Downloads {
        std::string base;
        std::chrono::milliseconds smallFileDeadline;
        HttpClient::MinimumRate archiveRate;
    };
    Downloads downloads() const { return {base_, options_.smallFileDeadline, options_.archiveRate}; }

    static AppUpdate::Decision decision(const std::string& current, const Downloads& downloads);
    static std::string stage(const std::string& version, const Downloads& downloads, const std::string& bundlePath,
                             const std::string& temporaryDirectory, const TrustAnchors& anchors);
    static void swap(const std::string& staged, const std::string& installed);
    static std::string fetch(const HttpClient::Request& request);

    UpdateState state_;
    std::optional<std::string> currentVersion_;
    std::string bundlePath_;
    std::string base_;
    std::optional<Staged> staged_;
    QTimer* timer_ = nullptr;
    bool busy_ = false;
    Options options_;
    // Hands the workers' results to the main thread; a result that arrives after the updater
    // has gone is dropped.
    MainThreadPort port_;
};

} // namespace quillmarsh
