// The real quillmarsh-vz run, as a process, against what a hostile guest, a hostile agent, a
// misbehaving VM service or a faulty disk can do: every run still ends with its one line, and no
// write leaves the places it belongs to.

#include "Runner.h"
#include "Support/Fifo.h"
#include "Support/HostProgram.h"
#include "VZ/ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using quillmarsh::VMRunResult;
using quillmarsh::test::secretText;
using quillmarsh::test::slurp;
using quillmarsh::test::ToolRun;
using quillmarsh::test::namesIn;
using Reason = VMRunResult::Reason;

TEST(HostileRun, AFileSizeLimitTurnsAReportTooLargeForItIntoNoFile) {
    const auto limited = quillmarsh::test::underLimit("--fsize=1000000");
    if (!limited) GTEST_SKIP() << "prlimit is not installed";
    ToolRun run("report small fits\nreport-bytes big 3000000\nreport after fits-too\npoweroff\n");
    run.prefix = *limited;
    run.start({"--report-dir", (run.dir / "reports").string()});
    run.closeInput();
    run.finish();
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    // The report past the limit leaves nothing, not a cut file and no temporary one.
    EXPECT_EQ(namesIn(run.dir / "reports"), (std::set<std::string>{"small", "after"}));
    EXPECT_EQ(slurp(run.dir / "reports/after"), "fits-too");
}

TEST(HostileRun, ReportsReplaceWhatWasPlantedUnderTheirNamesWithoutWritingThroughIt) {
    ToolRun run("report linked new\nreport piped new\npoweroff\n");
    run.dir.write("outside", "keep");
    fs::create_hard_link(run.dir / "outside", run.dir / "reports/linked");
    quillmarsh::test::Fifo fifo((run.dir / "reports/piped").string());
    run.start({"--report-dir", (run.dir / "reports").string()});
    run.closeInput();
    run.finish();
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    EXPECT_EQ(slurp(run.dir / "outside"), "keep");
    EXPECT_EQ(slurp(run.dir / "reports/linked"), "new");
    EXPECT_TRUE(fs::is_regular_file(run.dir / "reports/piped"));
    EXPECT_EQ(slurp(run.dir / "reports/piped"), "new");
}

TEST(HostileRun, ReportsStayInTheFolderTheRunStartedWith) {
    ToolRun run("report first 1\nsleep-ms 1500\nreport second 2\npoweroff\n");
    run.dir.mkdir("elsewhere");
    run.start({"--report-dir", (run.dir / "reports").string()});
    run.closeInput();
    ASSERT_TRUE(ToolRun::waitUntil([&] { return fs::exists(run.dir / "reports/first"); }));
    fs::rename(run.dir / "reports", run.dir / "moved");
    fs::create_directory_symlink(run.dir / "elsewhere", run.dir / "reports");
    // Otherwise the test proves nothing: the second report must come after the swap.
    ASSERT_FALSE(fs::exists(run.dir / "moved/second")) << "the guest sent its second report before the folder moved";
    run.finish();
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    EXPECT_EQ(namesIn(run.dir / "moved"), (std::set<std::string>{"first", "second"}));
    EXPECT_TRUE(fs::is_empty(run.dir / "elsewhere"));
}

TEST(HostileRun, PathsThatAreNotUTF8ReachTheGuestUnchanged) {
    ToolRun run("");
    const fs::path share = run.dir.mkdir("share-\xff\xfe");
    const fs::path kernel = run.dir.write("kernel-\xff", "#!quillmarsh-guest\nfetch-config out/got\npoweroff\n");
    const fs::path console = run.dir / "console-\xfe.log";
    run.startWith({"run", "--disk", (run.dir / "disk.img").string(), "--kernel", kernel.string(), "--share",
                   "out=" + share.string(), "--console-log", console.string(), "--memory-mib", "512", "--cpus", "1",
                   "--secret-stdin", "--timeout-s", "10"});
    run.write(secretText + "\n");
    run.closeInput();
    run.finish();
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    EXPECT_EQ(slurp(share / "got"), secretText + "\n");
    EXPECT_NE(slurp(console).find("guest: booted"), std::string::npos);
    // Nothing went to a look-alike path of replaced bytes.
    EXPECT_EQ(namesIn(run.dir.path()), (std::set<std::string>{"console-\xfe.log", "disk.img", "kernel", "kernel-\xff", "reports",
                                                               "share", "share-\xff\xfe"}));
}

TEST(HostileRun, AnyNumberOfSharesReachesTheGuest) {
    for (const int count : {1500, 8000}) {
        SCOPED_TRACE(count);
        ToolRun run("fetch-config last/got\npoweroff\n");
        std::vector<std::string> extra;
        for (int i = 0; i < count - 1; ++i) {
            extra.push_back("--share");
            extra.push_back("t" + std::to_string(i) + "=" + (run.dir / "share").string());
        }
        extra.insert(extra.end(), {"--share", "last=" + run.dir.mkdir("last").string(), "--secret-stdin", "--timeout-s", "20"});
        run.start(extra);
        run.write(secretText + "\n");
        run.closeInput();
        run.finish(60);
        EXPECT_EQ(run.result().reason, Reason::guestStopped);
        EXPECT_EQ(slurp(run.dir / "last/got"), secretText + "\n");
    }
}

TEST(HostileRun, AGuestThatNeverReadsItsRunnerConfigHoldsNothingUp) {
    // Far more than a socket takes at once: the rest could only go out as the guest reads.
    ToolRun run("");
    run.useStandIn("hold-config");
    run.start({"--secret-stdin", "--secret-timeout-s", "2"});
    run.write(std::string(quillmarsh::Runner::secretInputLimit - 2, 'x') + "\n");
    run.closeInput();
    run.finish();
    const auto result = run.result();
    EXPECT_EQ(result.reason, Reason::error);
    EXPECT_EQ(result.error, "the guest did not ask for its runner config within 2 seconds");
}

TEST(HostileRun, AServiceThatDoesNotAnswerAStopIsKilledAndTheRunEndsWithItsLine) {
    for (const char* mode : {"frozen", "silent"}) {
        SCOPED_TRACE(mode);
        ToolRun run("");
        run.useStandIn(mode);
        run.start({"--stop-grace-s", "0"});
        run.closeInput();
        // A frozen service is stopped while its VM runs, a silent one while it still starts.
        ASSERT_TRUE(std::string(mode) == "frozen" ? run.booted() : run.signalsBlocked());
        ::kill(run.pid, SIGTERM);
        run.finish();
        const auto result = run.result();
        EXPECT_EQ(result.reason, Reason::cancelled);
        EXPECT_EQ(result.error, "The virtual machine did not stop within 5 seconds; its service process was killed.");
        // What the service printed stays with the service.
        EXPECT_EQ(run.stderrText, "");
    }
}

TEST(HostileRun, FifosAndDevicesWhereFilesBelongNeverHoldTheRunUp) {
    struct Case {
        const char* name;
        std::function<std::vector<std::string>(ToolRun&)> args;
        std::string error; // a part of the line's error
    };
    const std::vector<Case> cases = {
        {"console log", [](ToolRun& r) {
             return std::vector<std::string>{"--console-log", (r.dir / "fifo").string()};
         }, "is not a regular file"},
        {"read-only disk", [](ToolRun& r) {
             return std::vector<std::string>{"run", "--disk", (r.dir / "fifo").string() + ":ro", "--kernel", (r.dir / "kernel").string()};
         }, "is not a disk image"},
        {"hardware model", [](ToolRun& r) {
             r.dir.write("bundle/aux.img", "aux");
             fs::rename(r.dir / "fifo", r.dir / "bundle/hardware-model.bin");
             return std::vector<std::string>{"--macos-bundle", (r.dir / "bundle").string()};
         }, "is missing or not supported on this Mac"},
        {"hardware model linked to an endless device", [](ToolRun& r) {
             r.dir.write("bundle/aux.img", "aux");
             fs::create_symlink("/dev/zero", r.dir / "bundle/hardware-model.bin");
             return std::vector<std::string>{"--macos-bundle", (r.dir / "bundle").string()};
         }, "is missing or not supported on this Mac"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ToolRun run("poweroff\n");
        quillmarsh::test::Fifo fifo((run.dir / "fifo").string());
        auto args = c.args(run);
        if (args.front() == "run") run.startWith(args);
        else run.start(args);
        run.closeInput();
        run.finish();
        const auto result = run.result();
        EXPECT_EQ(result.reason, Reason::error);
        ASSERT_TRUE(result.error);
        EXPECT_NE(result.error->find(c.error), std::string::npos) << *result.error;
    }
}

TEST(HostileRun, StandardInputThatNeverEndsIsReadNoFurtherThanItsLimit) {
    struct Case {
        std::vector<std::string> flags;
        std::string error;
    };
    const Case cases[] = {
        {{"--secret-stdin"}, "the runner config must be exactly one line on stdin"},
        {{"--secret-on-demand"}, "no runner config arrived on stdin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags.front());
        ToolRun run("sleep-ms 60000\n");
        run.inputFile = "/dev/zero";
        auto flags = c.flags;
        flags.insert(flags.end(), {"--secret-timeout-s", "20"});
        run.start(flags);
        run.finish();
        EXPECT_EQ(run.result().error, c.error);
    }
}

TEST(HostileRun, TooFewDescriptorsStillEndInTheLine) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a sanitized tool is linked dynamically: its loader and runtime need descriptors of their own";
#endif
    // Three: not even the loop's own descriptors; more: the disk, the signals, the VM service.
    for (const int limit : {3, 4, 5, 6}) {
        SCOPED_TRACE(limit);
        const auto limited = quillmarsh::test::underLimit("--nofile=" + std::to_string(limit));
        if (!limited) GTEST_SKIP() << "prlimit is not installed";
        ToolRun run("poweroff\n");
        run.prefix = *limited;
        run.start({});
        run.closeInput();
        run.finish();
        const auto result = run.result();
        EXPECT_EQ(result.reason, Reason::error);
        ASSERT_TRUE(result.error);
        EXPECT_NE(result.error->find("Too many open files"), std::string::npos) << *result.error;
    }
}
