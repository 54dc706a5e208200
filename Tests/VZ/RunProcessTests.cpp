// The real quillmarsh-vz run, as a process, with simulated guests driven by guest scripts.

#include "VZ/ToolRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using quillmarsh::VMRunResult;
using quillmarsh::test::secretText;
using quillmarsh::test::slurp;
using quillmarsh::test::ToolRun;
using Reason = VMRunResult::Reason;

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
        {"SIGHUP", "sleep-ms 60000\n", {}, SIGHUP, Reason::cancelled, std::nullopt},
        {"SIGUSR1", "sleep-ms 60000\n", {}, SIGUSR1, Reason::cancelled, std::nullopt},
        {"SIGUSR2", "sleep-ms 60000\n", {}, SIGUSR2, Reason::cancelled, std::nullopt},
        {"ignored stop request, grace 0", "on-stop-request ignore\nsleep-ms 60000\n", {"--stop-grace-s", "0"}, SIGTERM,
         Reason::cancelled, std::nullopt},
        {"ignored stop request, grace 1", "on-stop-request ignore\nsleep-ms 60000\n", {"--stop-grace-s", "1"}, SIGTERM,
         Reason::cancelled, std::nullopt},
        {"run time-out", "sleep-ms 60000\n", {"--timeout-s", "1"}, 0, Reason::timeout, std::nullopt},
        {"crash", "sleep-ms 10\ncrash kernel panic: not syncing\n", {}, 0, Reason::error, "kernel panic: not syncing"},
        {"crash text with a zero byte", "crash \"oops\\x00 after the zero\"\n", {}, 0, Reason::error, std::string("oops\0 after the zero", 20)},
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
    EXPECT_EQ(quillmarsh::test::namesIn(run.dir / "reports"), (std::set<std::string>{"ten", "empty", name64}));
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
