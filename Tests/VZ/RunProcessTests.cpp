// The real quillmarsh-vz run, as a process, with simulated guests driven by guest scripts.

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Support/TempFolder.h"
#include "VM/VMRunResult.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using quillmarsh::UniqueFd;
using quillmarsh::VMRunResult;
using Reason = VMRunResult::Reason;

namespace {

const std::string secretText = "SeCrEt-7f3a9c-runner-config";

// The file's bytes; empty when it cannot be read (yet).
std::string slurp(const fs::path& path) {
    return quillmarsh::FileIO::readFile(path.string(), 16 << 20).value_or(std::string());
}

// One run of the tool in a temporary folder: "kernel" holds the guest script, "share" is shared
// with the tag "out", "reports" is the report folder and "console.log" the serial console.
struct ToolRun {
    quillmarsh::test::TempFolder dir{"qm-run"};
    pid_t pid = -1;
    UniqueFd in, out, err;
    std::string stdoutText, stderrText;
    int status = -1;

    explicit ToolRun(const std::string& script) {
        dir.mkdir("share");
        dir.mkdir("reports");
        dir.write("kernel", "#!quillmarsh-guest\n" + script);
        dir.write("disk.img", "disk");
    }
    ~ToolRun() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    std::vector<std::string> baseArgs() const {
        return {"run", "--disk", (dir / "disk.img").string(), "--kernel", (dir / "kernel").string(), "--share",
                "out=" + (dir / "share").string(), "--console-log", (dir / "console.log").string(), "--memory-mib", "512",
                "--cpus", "1"};
    }
    void start(std::vector<std::string> extra) {
        auto args = baseArgs();
        args.insert(args.end(), extra.begin(), extra.end());
        // The child's ends are closed here once it has its copies; the tool's exit ends the outputs.
        int i[2], o[2], e[2];
        ASSERT_EQ(::pipe2(i, O_CLOEXEC), 0);
        const UniqueFd childIn(i[0]);
        in.reset(i[1]);
        ASSERT_EQ(::pipe2(o, O_CLOEXEC), 0);
        out.reset(o[0]);
        const UniqueFd childOut(o[1]);
        ASSERT_EQ(::pipe2(e, O_CLOEXEC), 0);
        err.reset(e[0]);
        const UniqueFd childErr(e[1]);
        std::string program = std::string(QUILLMARSH_BIN_DIR) + "/quillmarsh-vz";
        std::vector<char*> argv{program.data()};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid = ::fork();
        if (pid == 0) {
            ::dup2(childIn.get(), 0);
            ::dup2(childOut.get(), 1);
            ::dup2(childErr.get(), 2);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
    }
    void write(const std::string& text) { ASSERT_EQ(::write(in.get(), text.data(), text.size()), ssize_t(text.size())); }
    void closeInput() { in.reset(); }
    // Waits, within a generous deadline, until `ready` holds.
    static bool waitUntil(const std::function<bool()>& ready, int seconds = 20) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            if (ready()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // Whether the tool has blocked SIGTERM (it reads the signal from then on); a signal sent
    // before that, while a slow start is still on its way to main, would simply kill it.
    bool signalsBlocked() {
        return waitUntil([&] {
            std::istringstream lines(slurp("/proc/" + std::to_string(pid) + "/status"));
            std::string line;
            while (std::getline(lines, line)) {
                if (line.rfind("SigBlk:", 0) == 0)
                    return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1) & 1) != 0;
            }
            return false;
        });
    }
    bool booted() {
        return waitUntil([&] { return slurp(dir / "console.log").find("guest: booted") != std::string::npos; });
    }
    // Reads both outputs to their end and reaps the tool, within the deadline.
    void finish(int seconds = 30) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while ((out || err) && std::chrono::steady_clock::now() < deadline) {
            pollfd fds[2] = {{out.get(), POLLIN, 0}, {err.get(), POLLIN, 0}};
            ::poll(fds, 2, 100);
            for (int k = 0; k < 2; ++k) {
                UniqueFd& fd = k == 0 ? out : err;
                if (!fd || !fds[k].revents) continue;
                char buffer[4096];
                ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
                if (n <= 0) {
                    fd.reset();
                } else {
                    (k == 0 ? stdoutText : stderrText).append(buffer, std::size_t(n));
                }
            }
        }
        ASSERT_TRUE(!out && !err) << "the tool did not end in time";
        int wstatus = 0;
        ASSERT_EQ(::waitpid(pid, &wstatus, 0), pid);
        pid = -1;
        ASSERT_TRUE(WIFEXITED(wstatus));
        status = WEXITSTATUS(wstatus);
    }
    // Exactly one line on stdout, a valid result whose exit status follows its reason.
    VMRunResult result() {
        EXPECT_EQ(std::count(stdoutText.begin(), stdoutText.end(), '\n'), 1) << stdoutText;
        EXPECT_TRUE(!stdoutText.empty() && stdoutText.back() == '\n') << stdoutText;
        auto line = stdoutText.substr(0, stdoutText.find('\n'));
        auto r = VMRunResult::decodeLine(line);
        EXPECT_EQ(status, r.reason == Reason::error ? 1 : 0);
        EXPECT_EQ(stdoutText.find(secretText), std::string::npos);
        EXPECT_EQ(stderrText.find(secretText), std::string::npos);
        EXPECT_EQ(slurp(dir / "console.log").find(secretText), std::string::npos);
        return r;
    }
};

} // namespace

TEST(RunProcess, HandOffDeliversOneLineOrEndsWithItsMessage) {
    struct Case {
        const char* name;
        std::string script;
        std::vector<std::string> flags;
        std::optional<std::string> input; // none: stdin stays open
        Reason reason;
        std::optional<std::string> error;
        std::optional<std::string> fetched; // what the guest's fetch wrote
    };
    std::vector<Case> cases = {
        {"CR LF input", "fetch-config out/got\npoweroff\n", {"--secret-stdin"}, secretText + "\r\n", Reason::guestStopped,
         std::nullopt, secretText + "\n"},
        {"CR inside the line", "fetch-config out/got\npoweroff\n", {"--secret-on-demand"}, secretText + "\rx\n",
         Reason::guestStopped, std::nullopt, secretText + "\rx\n"},
        {"two lines before boot", "poweroff\n", {"--secret-stdin"}, secretText + "\nmore\n", Reason::error,
         "the runner config must be exactly one line on stdin", std::nullopt},
        {"empty stdin on demand", "sleep-ms 60000\n", {"--secret-on-demand"}, std::string(""), Reason::error,
         "no runner config arrived on stdin", std::nullopt},
        {"line never arrives", "sleep-ms 60000\n", {"--secret-on-demand", "--secret-timeout-s", "1"}, std::nullopt,
         Reason::error, "the runner config did not arrive within 1 seconds", std::nullopt},
        {"guest never asks", "sleep-ms 60000\n", {"--secret-stdin", "--secret-timeout-s", "1"}, secretText + "\n",
         Reason::error, "the guest did not ask for its runner config within 1 seconds", std::nullopt},
        {"stdin never closes before boot", "poweroff\n", {"--secret-stdin", "--secret-timeout-s", "1"}, std::nullopt,
         Reason::error, "the runner config did not arrive within 1 seconds", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ToolRun run(c.script);
        run.start(c.flags);
        if (c.input) {
            run.write(*c.input);
            run.closeInput();
        }
        run.finish();
        auto r = run.result();
        EXPECT_EQ(r.reason, c.reason);
        EXPECT_EQ(r.error, c.error);
        if (c.fetched) EXPECT_EQ(slurp(run.dir / "share/got"), *c.fetched);
        else EXPECT_FALSE(fs::exists(run.dir / "share/got"));
    }
}

TEST(RunProcess, FirstWaitingConnectionGetsTheLineTheSecondNothingAThirdIsRefused) {
    ToolRun run("fetch-config out/a\nsleep-ms 50\nfetch-config out/b\nrecord-nice out/ready\nsleep-ms 3000\nfetch-config out/c\npoweroff\n");
    run.start({"--secret-on-demand"});
    ASSERT_TRUE(ToolRun::waitUntil([&] { return fs::exists(run.dir / "share/ready"); }));
    run.write(secretText + "\n");
    run.closeInput();
    run.finish();
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    EXPECT_EQ(slurp(run.dir / "share/a"), secretText + "\n");
    EXPECT_TRUE(fs::exists(run.dir / "share/b"));
    EXPECT_EQ(slurp(run.dir / "share/b"), "");
    EXPECT_FALSE(fs::exists(run.dir / "share/c"));
}

TEST(RunProcess, SignalsTimeOutsAndGuestEndings) {
    struct Case {
        const char* name;
        std::string script;
        std::vector<std::string> flags;
        int signal; // sent once the guest has booted; 0 for none
        Reason reason;
        std::optional<std::string> error;
    };
    std::vector<Case> cases = {
        {"SIGTERM", "sleep-ms 60000\n", {}, SIGTERM, Reason::cancelled, std::nullopt},
        {"SIGINT", "sleep-ms 60000\n", {}, SIGINT, Reason::cancelled, std::nullopt},
        {"ignored stop request, grace 0", "on-stop-request ignore\nsleep-ms 60000\n", {"--stop-grace-s", "0"}, SIGTERM,
         Reason::cancelled, std::nullopt},
        {"ignored stop request, grace 1", "on-stop-request ignore\nsleep-ms 60000\n", {"--stop-grace-s", "1"}, SIGTERM,
         Reason::cancelled, std::nullopt},
        {"run time-out", "sleep-ms 60000\n", {"--timeout-s", "1"}, 0, Reason::timeout, std::nullopt},
        {"crash", "sleep-ms 10\ncrash kernel panic: not syncing\n", {}, 0, Reason::error, "kernel panic: not syncing"},
        {"boot failure", "boot-fail no bootable device\n", {}, 0, Reason::error, "start: no bootable device"},
        {"guest powers off", "poweroff\n", {}, 0, Reason::guestStopped, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ToolRun run(c.script);
        run.start(c.flags);
        run.closeInput();
        if (c.signal) {
            ASSERT_TRUE(run.booted());
            ::kill(run.pid, c.signal);
        }
        run.finish();
        auto r = run.result();
        EXPECT_EQ(r.reason, c.reason);
        EXPECT_EQ(r.error, c.error);
    }
}

TEST(RunProcess, SignalWhileTheRunnerConfigIsAwaitedBeforeBootStillGivesTheLine) {
    ToolRun run("poweroff\n");
    run.start({"--secret-stdin"});
    ASSERT_TRUE(run.signalsBlocked());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(run.pid, SIGTERM);
    run.finish();
    EXPECT_EQ(run.result().reason, Reason::cancelled);
}

TEST(RunProcess, ReportFilesFollowTheNameRule) {
    std::string name64(64, 'n'), name65(65, 'm');
    ToolRun run("report ten 0123456789\n"
                "report empty\n"
                "report \"\" nameless\n"
                "report .x hidden\n"
                "report .. parent\n"
                "report a/b slash\n"
                "report " + name64 + " long\n"
                "report " + name65 + " too-long\n"
                "report \"n\\r\" carriage-return\n"
                "poweroff\n");
    run.start({"--report-dir", (run.dir / "reports").string()});
    run.closeInput();
    run.finish();
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    std::set<std::string> names;
    for (auto& entry : fs::directory_iterator(run.dir / "reports")) names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"ten", "empty", name64}));
    EXPECT_EQ(slurp(run.dir / "reports/ten"), "0123456789");
    EXPECT_EQ(slurp(run.dir / "reports/empty"), "");
    EXPECT_EQ(slurp(run.dir / "reports" / name64), "long");
    EXPECT_FALSE(fs::exists(run.dir / "share/a"));
}

TEST(RunProcess, MissingReportFolderChangesNothing) {
    ToolRun run("report r text\npoweroff\n");
    run.start({"--report-dir", (run.dir / "nowhere").string()});
    run.closeInput();
    run.finish();
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    EXPECT_FALSE(fs::exists(run.dir / "nowhere"));
}

TEST(RunProcess, NiceLowersThisRunsServiceOnly) {
    ToolRun run("sleep-ms 1500\nrecord-nice out/nice\npoweroff\n");
    ToolRun sibling("sleep-ms 2500\nrecord-nice out/nice\npoweroff\n");
    sibling.start({});
    sibling.closeInput();
    run.start({"--nice", "5"});
    run.closeInput();
    run.finish();
    sibling.finish();
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    EXPECT_EQ(sibling.result().reason, Reason::guestStopped);
    EXPECT_EQ(slurp(run.dir / "share/nice"), "5\n");
    EXPECT_EQ(slurp(sibling.dir / "share/nice"), "0\n");
    EXPECT_NE(run.stderrText.find("priority: service "), std::string::npos) << run.stderrText;
    EXPECT_NE(run.stderrText.find(" set to nice 5\n"), std::string::npos) << run.stderrText;
    EXPECT_EQ(sibling.stderrText.find("priority: "), std::string::npos);
}

TEST(RunProcess, MacOSBundleBootsTheScriptAtTheStartOfItsDisk) {
    ToolRun run("");
    fs::path bundle = run.dir / "bundle";
    run.dir.write("bundle/hardware-model.bin", "model");
    run.dir.write("bundle/aux.img", "aux");
    run.dir.write("bundle/machine-id.bin", "garbage");
    run.dir.write("bundle/disk.img", "#!quillmarsh-guest\nfetch-config out/got\npoweroff\n" + std::string(64, '\0') + "rest");
    run.start({"--macos-bundle", bundle.string(), "--keep-identity", "--secret-stdin"});
    run.write(secretText + "\n");
    run.closeInput();
    run.finish();
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    EXPECT_EQ(slurp(run.dir / "share/got"), secretText + "\n");

    ToolRun missing("");
    missing.dir.mkdir("bundle");
    missing.start({"--macos-bundle", (missing.dir / "bundle").string()});
    missing.closeInput();
    missing.finish();
    auto r = missing.result();
    EXPECT_EQ(r.reason, Reason::error);
    EXPECT_NE(r.error->find("hardware-model.bin"), std::string::npos) << *r.error;
}
