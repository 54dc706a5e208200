// The real Quillmarsh program as a process, on offscreen, against the fake-agent program serving
// the sample agent: the screenshot mode, the menu's metrics, the quit on signals and the handing
// over of a second launch (also without a display, also at the same time, also with another
// user's listener in the way), and the app's log lines.
#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Platform/InstanceClaim.h"
#include "Support/ChildProcess.h"
#include "Support/FakeAgentProgram.h"
#include "Support/Fixtures.h"
#include "Support/Process.h"
#include "Support/TempFolder.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <thread>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>


namespace quillmarsh {
namespace {

using namespace std::chrono_literals;

const std::vector<std::string> paneFiles = {"app-general.png",  "app-this-mac.png", "app-images.png",
                                            "app-jobs.png",     "app-machines.png", "app-caches.png",
                                            "app-about.png"};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<std::string> paneLines() {
    std::vector<std::string> out;
    for (const auto& file : paneFiles) out.push_back("wrote " + file + " 900 x 640");
    return out;
}

// The last line, "wrote app-first-run.png 520 x H", and its picture: the first-run window at twice
// its size, on the page ground.
void expectFirstRunPicture(const std::vector<std::string>& printed, const std::filesystem::path& folder) {
    ASSERT_FALSE(printed.empty());
    const std::string prefix = "wrote app-first-run.png 520 x ";
    ASSERT_TRUE(printed.back().starts_with(prefix)) << printed.back();
    const int height = std::stoi(printed.back().substr(prefix.size()));
    EXPECT_GE(height, 200);
    const QImage image(QString::fromStdString((folder / "app-first-run.png").string()));
    EXPECT_EQ(image.size(), QSize(1040, 2 * height));
    EXPECT_EQ(image.pixelColor(8, 8), QColor(245, 245, 247));
}

std::vector<std::string> allButLast(std::vector<std::string> printed) {
    if (!printed.empty()) printed.pop_back();
    return printed;
}

// A user of the app: a home with its own settings, caches and runtime folder, and an agent home
// that the sample agent serves, or that has no agent at all.
class AppProcess : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_ / "home");
        std::filesystem::create_directories(folder_ / "run");
        ::chmod((folder_ / "run").c_str(), 0700);
    }

    std::string agentHome() const { return (folder_ / "home").string(); }
    std::string settingsFile() const { return (folder_ / "config/Quillmarsh/Quillmarsh.conf").string(); }

    // The sample agent, or the sample with some answers replaced.
    void serve(const std::map<std::string, std::string>& replaced = {}) {
        std::string data = test::fixturesFolder() + "/agent";
        if (!replaced.empty()) {
            const auto copy = folder_ / "agent-data";
            std::filesystem::copy(data, copy);
            for (const auto& [name, text] : replaced) folder_.write("agent-data/" + name, text);
            data = copy.string();
        }
        agent_.emplace(test::fakeAgentProgramPath(), data, agentHome() + "/agent.sock");
    }

    // The account's avatar is in the cache already, so the screenshot mode need not wait for it.
    void cacheAvatar() {
        const auto accounts = folder_ / "cache/org.quillmarsh.app/accounts";
        std::filesystem::create_directories(accounts);
        QImage avatar(64, 64, QImage::Format_ARGB32);
        avatar.fill(QColor(40, 120, 200));
        ASSERT_TRUE(avatar.save(QString::fromStdString((accounts / "acme-robotics.png").string()), "PNG"));
        folder_.write("cache/org.quillmarsh.app/accounts/acme-robotics.kind", "Organization");
    }

    // This process's environment with the user's folders in place of ours, and changes.
    std::vector<std::string> environment(const std::map<std::string, std::optional<std::string>>& changes = {}) const {
        std::map<std::string, std::optional<std::string>> all = {
            {"HOME", folder_.string()},
            {"QUILLMARSH_HOME", agentHome()},
            {"XDG_CONFIG_HOME", (folder_ / "config").string()},
            {"XDG_CACHE_HOME", (folder_ / "cache").string()},
            {"XDG_DATA_HOME", (folder_ / "data").string()},
            {"XDG_RUNTIME_DIR", (folder_ / "run").string()},
            {"QT_QPA_PLATFORM", "offscreen"},
            {"DBUS_SESSION_BUS_ADDRESS", std::nullopt},
            {"QUILLMARSH_DOWNLOADS_URL", std::nullopt},
        };
        for (const auto& [name, value] : changes) all[name] = value;
        return test::environmentWith(all);
    }

    // The app installed as a bundle under folder: the built program (a hard link where the file
    // system allows one, else a copy) beside the Info.plist that gives it its identity.
    std::string installApp(const std::string& folder) const {
        const auto contents = folder_ / (folder + "/Quillmarsh.app/Contents");
        std::filesystem::create_directories(contents / "MacOS");
        folder_.write(folder + "/Quillmarsh.app/Contents/Info.plist",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                      "\t<key>CFBundleIdentifier</key>\n\t<string>org.quillmarsh.app</string>\n"
                      "\t<key>CFBundleShortVersionString</key>\n\t<string>1.0.0</string>\n</dict>\n</plist>\n");
        const auto program = contents / "MacOS/Quillmarsh";
        std::error_code linked;
        std::filesystem::create_hard_link(std::string(QUILLMARSH_BIN_DIR) + "/Quillmarsh", program, linked);
        if (linked) std::filesystem::copy_file(std::string(QUILLMARSH_BIN_DIR) + "/Quillmarsh", program);
        return program.string();
    }

    std::vector<std::string> app(const std::vector<std::string>& args) const {
        std::vector<std::string> argv{std::string(QUILLMARSH_BIN_DIR) + "/Quillmarsh"};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    test::ProcessResult run(const std::vector<std::string>& args) const {
        return test::runProcess(app(args), environment());
    }
    std::unique_ptr<test::ChildProcess> start(const std::vector<std::string>& args) const {
        return std::make_unique<test::ChildProcess>(app(args), environment());
    }
    // A command line whose standard error comes out on standard output, for the log lines.
    static std::vector<std::string> withLog(std::vector<std::string> argv) {
        argv.insert(argv.begin(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1"});
        return argv;
    }
    bool showsInMenuBar() const {
        return FileIO::readFile(settingsFile(), 1 << 20).value_or("").find("showInMenuBar=true") != std::string::npos;
    }

    // A plain launch listens for later launches once it is up.
    bool listening() const {
        for (const auto& entry : std::filesystem::directory_iterator(folder_ / "run"))
            if (entry.path().extension() == ".reopen" && entry.is_socket()) return true;
        return false;
    }
    static bool eventually(const std::function<bool()>& done) {
        for (int i = 0; i < 3000 && !done(); ++i) std::this_thread::sleep_for(10ms);
        return done();
    }

    const test::TempFolder folder_{"qm-proc"};
    std::optional<test::FakeAgentProgram> agent_;
};

TEST_F(AppProcess, ScreenshotsWriteEveryPaneAndTheJobDetailAtTwiceTheSize) {
    serve();
    cacheAvatar();
    const auto shots = folder_ / "shots/nested";
    const test::ProcessResult result = run({"--screenshots", shots.string()});
    EXPECT_EQ(result.status, 0);
    std::vector<std::string> expected = paneLines();
    expected.push_back("wrote app-job-detail.png 31880421907");
    EXPECT_EQ(allButLast(lines(result.out)), expected);
    expectFirstRunPicture(lines(result.out), shots);

    std::set<std::string> contents;
    std::vector<std::string> files = paneFiles;
    files.push_back("app-job-detail.png");
    for (const auto& file : files) {
        const QImage image(QString::fromStdString((shots / file).string()));
        EXPECT_EQ(image.size(), QSize(1800, 1280)) << file;
        contents.insert(FileIO::readFile((shots / file).string(), 64 << 20).value_or(""));
    }
    EXPECT_EQ(contents.size(), files.size()) << "every picture shows something else";
    // Nothing half-written is left beside them and the first-run window's.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(shots), {}), 9);
}

TEST_F(AppProcess, ScreenshotsWithoutAnyJobWriteThePanesAndTheFirstRunWindowOnly) {
    serve({{"jobs.json", R"({"running":[],"recent":[]})"}});
    cacheAvatar();
    const test::ProcessResult result = run({"--screenshots", (folder_ / "shots").string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(allButLast(lines(result.out)), paneLines());
    expectFirstRunPicture(lines(result.out), folder_ / "shots");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "shots/app-job-detail.png"));
}

TEST_F(AppProcess, ScreenshotsWithTheAgentDownWriteThePanesAfterTheFixedDelaysOnly) {
    const test::ProcessResult result = run({"--screenshots", (folder_ / "shots").string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(allButLast(lines(result.out)), paneLines());
    expectFirstRunPicture(lines(result.out), folder_ / "shots");
}

TEST_F(AppProcess, ScreenshotsThatCannotBeWrittenPrintNothingAndFail) {
    // A folder inside a regular file can be neither made nor written.
    folder_.write("taken", "a file");
    const test::ProcessResult result = run({"--screenshots", (folder_ / "taken/shots").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
}

TEST_F(AppProcess, MenuMetricsShowTheSampleAgentsTwoJobs) {
    serve();
    const test::ProcessResult plain = run({"--menu-metrics"});
    EXPECT_EQ(plain.status, 0);
    const auto printed = lines(plain.out);
    ASSERT_FALSE(printed.empty());
    EXPECT_TRUE(printed.front().starts_with("METRICS window ("));
    EXPECT_EQ(std::count_if(printed.begin(), printed.end(),
                            [](const std::string& l) { return l.find("quillmarsh::JobRowView") != std::string::npos; }),
              2);
    EXPECT_EQ(plain.out.find("AgentInfoRowView"), std::string::npos);
    EXPECT_NE(plain.out.find("title=Quit Quillmarsh"), std::string::npos);

    // --option-layer keeps the agent's information row shown.
    const test::ProcessResult layered = run({"--menu-metrics", "--option-layer"});
    EXPECT_EQ(layered.status, 0);
    EXPECT_NE(layered.out.find("quillmarsh::AgentInfoRowView"), std::string::npos);
    EXPECT_NE(layered.out.find("text=2 of 2 VM slots in use"), std::string::npos);
}

TEST_F(AppProcess, MenuMetricsWithoutAnAgentShowTheSetUpMenu) {
    const test::ProcessResult result = run({"--menu-metrics"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("title=Set Up This Mac…"), std::string::npos);
    EXPECT_NE(result.out.find("title=Set Up in Terminal…"), std::string::npos);
    EXPECT_EQ(result.out.find("JobRowView"), std::string::npos);
}

TEST_F(AppProcess, TermAndInterruptQuitCleanly) {
    serve();
    for (int signal : {SIGTERM, SIGINT}) {
        auto running = start({});
        ASSERT_TRUE(eventually([&] { return listening(); }));
        running->signal(signal);
        EXPECT_EQ(running->wait(30s), 0) << strsignal(signal);
        EXPECT_FALSE(listening()) << "the channel's socket goes with the app";
        EXPECT_EQ(running->output(), "");
    }
}

// The installed app puts its desktop entry and icons where desktops look, naming its own program;
// the bare build, which has no identity, leaves the user's data folder alone.
TEST_F(AppProcess, OnlyTheInstalledAppPutsItsEntryAndIconsOnTheDesktop) {
    serve();
    const auto data = folder_ / "data";
    {
        auto bare = start({});
        ASSERT_TRUE(eventually([&] { return listening(); }));
        bare->signal(SIGTERM);
        ASSERT_EQ(bare->wait(30s), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(data));

    const std::string program = installApp("Apps dir");
    const auto entry = data / "applications/org.quillmarsh.app.desktop";
    // An update check that fails at once, so that it reaches no server.
    test::ChildProcess installed({program}, environment({{"QUILLMARSH_DOWNLOADS_URL", "http://127.0.0.1:9/"}}));
    ASSERT_TRUE(eventually([&] { return std::filesystem::exists(entry); })) << installed.output();
    installed.signal(SIGTERM);
    EXPECT_EQ(installed.wait(30s), 0);

    const std::string text = FileIO::readFile(entry.string(), 1 << 20).value_or("");
    EXPECT_NE(text.find("\nExec=\"" + program + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nIcon=org.quillmarsh.app\n"), std::string::npos) << text;
    for (const int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        const std::string side = std::to_string(size);
        const QImage icon(QString::fromStdString(
            (data / ("icons/hicolor/" + side + "x" + side + "/apps/org.quillmarsh.app.png")).string()));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
    }
}

TEST_F(AppProcess, ASecondLaunchHandsOverToTheRunningApp) {
    serve();
    folder_.write("config/Quillmarsh/Quillmarsh.conf", "[General]\nshowInMenuBar=false\n");
    auto first = start({});
    ASSERT_TRUE(eventually([&] { return listening(); }));

    // The newcomer ends at once; the running app reopens, which shows its status item for good.
    const test::ProcessResult second = run({});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_TRUE(eventually([&] { return showsInMenuBar(); }));
    EXPECT_FALSE(first->exited());

    // A development launch always runs as its own process.
    auto own = start({"--settings"});
    EXPECT_EQ(own->wait(1500ms), std::nullopt);
    own->signal(SIGTERM);
    EXPECT_EQ(own->wait(30s), 0);

    first->signal(SIGTERM);
    EXPECT_EQ(first->wait(30s), 0);
}

TEST_F(AppProcess, ASecondLaunchFromATerminalWithoutADisplayHandsOverAllTheSame) {
    serve();
    folder_.write("config/Quillmarsh/Quillmarsh.conf", "[General]\nshowInMenuBar=false\n");
    auto first = start({});
    ASSERT_TRUE(eventually([&] { return listening(); }));

    for (const char* platform : {"", "xcb"}) {
        std::map<std::string, std::optional<std::string>> terminal = {
            {"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"QT_QPA_PLATFORM", std::nullopt}};
        if (*platform) terminal["QT_QPA_PLATFORM"] = platform;
        const test::ProcessResult second = test::runProcess(app({}), environment(terminal));
        EXPECT_EQ(second.status, 0) << platform;
        EXPECT_EQ(second.out, "");
    }
    EXPECT_TRUE(eventually([&] { return showsInMenuBar(); }));
    EXPECT_FALSE(first->exited());
    first->signal(SIGTERM);
    EXPECT_EQ(first->wait(30s), 0);
}

TEST_F(AppProcess, OfLaunchesAtOnceOnlyOneBecomesTheRunningApp) {
    serve();
    folder_.write("config/Quillmarsh/Quillmarsh.conf", "[General]\nshowInMenuBar=false\n");
    std::vector<std::unique_ptr<test::ChildProcess>> launches;
    for (int i = 0; i < 4; ++i) launches.push_back(start({}));
    // All but one hand over and end with 0.
    const auto ended = [&] {
        return std::count_if(launches.begin(), launches.end(), [](const auto& l) { return l->wait(1ms).has_value(); });
    };
    ASSERT_TRUE(eventually([&] { return ended() == 3; })) << ended() << " of 4 ended";
    const auto running = std::find_if(launches.begin(), launches.end(), [](const auto& l) { return !l->exited(); });
    ASSERT_NE(running, launches.end());
    for (const auto& launch : launches) {
        if (launch != *running) {
            EXPECT_EQ(launch->wait(1ms), 0);
        }
    }
    // The one left is the running app: it reopened for them, and takes the next launch.
    EXPECT_TRUE(eventually([&] { return showsInMenuBar(); }));
    EXPECT_EQ(run({}).status, 0);
    EXPECT_FALSE((*running)->exited());
    (*running)->signal(SIGTERM);
    EXPECT_EQ((*running)->wait(30s), 0);
}

TEST_F(AppProcess, ALaunchWhileTheRunningAppIsFrozenDoesNotBecomeASecondOne) {
    serve();
    auto first = start({});
    ASSERT_TRUE(eventually([&] { return listening(); }));
    first->signal(SIGSTOP);

    // The lock is still held: the newcomer gets no answer in time, says so and ends.
    test::ChildProcess second(withLog(app({})), environment());
    EXPECT_EQ(second.wait(120s), 1);
    EXPECT_NE(second.output().find("Quillmarsh: the app that runs already does not answer at "), std::string::npos)
        << second.output();

    first->signal(SIGCONT);
    EXPECT_EQ(run({}).status, 0) << "the first one is still the running app";
    first->signal(SIGTERM);
    EXPECT_EQ(first->wait(30s), 0);
}

// Another user's listener that acknowledges every request to reopen, as if it were the app.
class Squatter {
public:
    explicit Squatter(std::string path) : path_(std::move(path)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path_.c_str(), path_.size());
        EXPECT_EQ(::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path_;
        ::chmod(path_.c_str(), 0777);
        EXPECT_EQ(::listen(fd_.get(), 8), 0);
        thread_ = std::thread([this] {
            for (;;) {
                const UniqueFd peer(::accept(fd_.get(), nullptr, nullptr));
                if (!peer) return;
                char line[64];
                (void)::read(peer.get(), line, sizeof line);
                (void)::send(peer.get(), "ok\n", 3, MSG_NOSIGNAL);
            }
        });
    }
    ~Squatter() {
        ::shutdown(fd_.get(), SHUT_RDWR);  // ends the accept
        thread_.join();
        ::unlink(path_.c_str());
    }

private:
    std::string path_;
    UniqueFd fd_{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    std::thread thread_;
};

// The app of the user nobody, and root as the other local user who tries to stand in for it or to
// reach it. Every folder of nobody's is nobody's own.
class OtherUser : public AppProcess {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs a second user: run as root";
        const passwd* account = ::getpwnam("nobody");
        ASSERT_NE(account, nullptr);
        nobody_ = account->pw_uid;
        AppProcess::SetUp();
        ::chmod(folder_.path().c_str(), 0755);
        for (const char* name : {"home", "run", "config", "cache", "tmp"})
            std::filesystem::create_directories(folder_ / name);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_.path()))
            ASSERT_EQ(::chown(entry.path().c_str(), nobody_, account->pw_gid), 0);
        ::chmod((folder_ / "tmp").c_str(), 01777);
        ::chown((folder_ / "tmp").c_str(), 0, 0);
    }

    std::unique_ptr<test::ChildProcess> startAsNobody(const std::map<std::string, std::optional<std::string>>& changes = {}) {
        return std::make_unique<test::ChildProcess>(
            withLog({"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--",
                     std::string(QUILLMARSH_BIN_DIR) + "/Quillmarsh"}),
            environment(changes));
    }
    std::string base(const std::string& folder) const {
        return folder + "/" + InstanceClaim::baseName(nobody_, agentHome() + "/agent.sock");
    }

    uid_t nobody_ = 0;
};

TEST_F(OtherUser, CannotStandInForTheApp) {
    const std::string run = (folder_ / "run").string();
    const std::string tmp = (folder_ / "tmp").string();
    const std::string madeFirst = tmp + "/quillmarsh-" + std::to_string(nobody_);
    struct Case {
        const char* what;
        std::map<std::string, std::optional<std::string>> environment;
        std::vector<std::string> squatted;  // where the other user listens
        std::string said;                   // what the app says before it runs on its own
    };
    const std::vector<Case> cases = {
        {"in the runtime folder, holding the lock",
         {},
         {base(run) + ".reopen"},
         "the listener at " + base(run) + ".reopen runs as user 0, not as user " + std::to_string(nobody_)},
        {"without a runtime folder, in a folder of the temporary folder made first",
         {{"XDG_RUNTIME_DIR", std::nullopt}, {"TMPDIR", tmp}},
         {base(tmp) + ".reopen", base(madeFirst) + ".reopen"},
         madeFirst + " belongs to user 0, not to user " + std::to_string(nobody_)},
    };
    for (const auto& c : cases) {
        // The lock of nobody's app, held by the other user.
        const std::string lockPath = base(run) + ".lock";
        const UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        ASSERT_EQ(::fchown(lock.get(), nobody_, nobody_), 0);
        ASSERT_EQ(::flock(lock.get(), LOCK_EX), 0);
        std::filesystem::create_directories(madeFirst);
        std::vector<std::unique_ptr<Squatter>> squatters;
        for (const auto& path : c.squatted) squatters.push_back(std::make_unique<Squatter>(path));

        auto launch = startAsNobody(c.environment);
        EXPECT_TRUE(launch->waitForOutput(
            "Quillmarsh: a second launch cannot reach this app, it runs on its own: " + c.said + "\n", 60s))
            << c.what << "\n" << launch->output();
        // And it does: on offscreen it opens its window in place of the tray.
        EXPECT_TRUE(launch->waitForOutput("Quillmarsh: this desktop has no system tray", 60s)) << c.what;
        EXPECT_FALSE(launch->exited()) << c.what;
        launch->signal(SIGTERM);
        EXPECT_EQ(launch->wait(30s), 0) << c.what;
        std::filesystem::remove_all(madeFirst);
        std::filesystem::remove(lockPath);
    }
}

TEST_F(OtherUser, CannotReopenTheApp) {
    auto app = startAsNobody();
    const std::string socketPath = base((folder_ / "run").string()) + ".reopen";
    ASSERT_TRUE(eventually([&] { return std::filesystem::is_socket(socketPath); })) << app->output();

    // Connected, the request sent: the app hangs up without an answer.
    const UniqueFd peer(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size());
    ASSERT_EQ(::connect(peer.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    (void)::send(peer.get(), "reopen\n", 7, MSG_NOSIGNAL);
    pollfd wait{peer.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&wait, 1, 20000), 1);
    char answer[8];
    EXPECT_LE(::read(peer.get(), answer, sizeof answer), 0);

    EXPECT_FALSE(app->exited());
    app->signal(SIGTERM);
    EXPECT_EQ(app->wait(30s), 0);
    EXPECT_FALSE(showsInMenuBar()) << "it did not reopen";
}

TEST_F(AppProcess, QtsOwnMessagesStartWithTheAppsNameToo) {
    // A style that is not there: Qt says so itself.
    const test::ProcessResult result = test::runProcess(
        {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1 >/dev/null", app({})[0], "--menu-metrics"},
        environment({{"QT_STYLE_OVERRIDE", "nosuchstyle"}}));
    EXPECT_EQ(result.status, 0);
    const auto logged = lines(result.out);
    EXPECT_TRUE(std::any_of(logged.begin(), logged.end(),
                            [](const std::string& line) { return line.find("nosuchstyle") != std::string::npos; }))
        << result.out;
    for (const auto& line : logged) EXPECT_TRUE(line.starts_with("Quillmarsh: ")) << line;
}

} // namespace
} // namespace quillmarsh
