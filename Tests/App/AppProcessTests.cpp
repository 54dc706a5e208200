// The real Quillmarsh program as a process, on offscreen, against the fake-agent program serving
// the sample agent: the screenshot mode, the menu's metrics, the quit on signals and the handing
// over of a second launch.
#include "Foundation/FileIO.h"
#include "Support/ChildProcess.h"
#include "Support/FakeAgentProgram.h"
#include "Support/Fixtures.h"
#include "Support/Process.h"
#include "Support/TempFolder.h"

#include <QImage>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <thread>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <sys/stat.h>


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

    // This process's environment with the user's folders in place of ours.
    std::vector<std::string> environment() const {
        return test::environmentWith({
            {"HOME", folder_.string()},
            {"QUILLMARSH_HOME", agentHome()},
            {"XDG_CONFIG_HOME", (folder_ / "config").string()},
            {"XDG_CACHE_HOME", (folder_ / "cache").string()},
            {"XDG_RUNTIME_DIR", (folder_ / "run").string()},
            {"QT_QPA_PLATFORM", "offscreen"},
            {"DBUS_SESSION_BUS_ADDRESS", std::nullopt},
            {"QUILLMARSH_DOWNLOADS_URL", std::nullopt},
        });
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

TEST_F(AppProcess, ASecondLaunchHandsOverToTheRunningApp) {
    serve();
    folder_.write("config/Quillmarsh/Quillmarsh.conf", "[General]\nshowInMenuBar=false\n");
    auto first = start({});
    ASSERT_TRUE(eventually([&] { return listening(); }));

    // The newcomer ends at once; the running app reopens, which shows its status item for good.
    const test::ProcessResult second = run({});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_TRUE(eventually([&] {
        return FileIO::readFile(settingsFile(), 1 << 20).value_or("").find("showInMenuBar=true") != std::string::npos;
    }));
    EXPECT_FALSE(first->exited());

    // A development launch always runs as its own process.
    auto own = start({"--settings"});
    EXPECT_EQ(own->wait(1500ms), std::nullopt);
    own->signal(SIGTERM);
    EXPECT_EQ(own->wait(30s), 0);

    first->signal(SIGTERM);
    EXPECT_EQ(first->wait(30s), 0);
}

} // namespace
} // namespace quillmarsh
