// macos-install as a process: the real tool, fixture restore images, bundles in a temporary folder.

#include "Foundation/JsonText.h"
#include "Support/ChildProcess.h"
#include "Support/Fifo.h"
#include "Support/Fixtures.h"
#include "VZ/BundleState.h"
#include "Support/TempFolder.h"
#include "Support/HostProgram.h"
#include "VZ/ToolProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using quillmarsh::test::fileStart;
using quillmarsh::test::treeState;

namespace {

const std::string fixtures = quillmarsh::test::fixturesFolder() + "/ipsw/";

struct Outcome {
    std::vector<nlohmann::json> lines;
    int status = -1;
};

const std::string tool = quillmarsh::test::toolProgram();

// The tool's output as JSON lines, each one object.
std::vector<nlohmann::json> jsonLines(const std::string& out) {
    std::vector<nlohmann::json> lines;
    std::size_t at = 0;
    while (at < out.size()) {
        const auto end = out.find('\n', at);
        EXPECT_NE(end, std::string::npos) << "unterminated line: " << out;
        if (end == std::string::npos)
            break;
        lines.push_back(quillmarsh::JsonText::parse(out.substr(at, end - at)));
        at = end + 1;
    }
    return lines;
}

Outcome outcomeOf(const quillmarsh::test::ProcessResult& run) {
    return {jsonLines(run.out), run.status};
}

// The tool's run with its output as JSON lines.
Outcome runTool(const std::vector<std::string>& args) {
    return outcomeOf(quillmarsh::test::runTool(args));
}

nlohmann::json error(const std::string& code, const std::string& message) {
    return {{"code", code}, {"message", message}, {"status", "error"}};
}

class MacInstallerProcessTest : public quillmarsh::test::TempFolderTest {
protected:
    // A reinstall under a resource limit (a prlimit option) ends with one install_failed line
    // whose message ends so, status 1, and leaves the earlier bundle as it was.
    void expectOneFailureUnder(const std::string& limit, const std::string& messageEnd) {
        SCOPED_TRACE(limit);
        auto command = quillmarsh::test::underLimit(limit);
        if (!command)
            GTEST_SKIP() << "prlimit is not installed";
        const fs::path bundle = earlierBundle();
        const auto before = treeState(root);
        command->insert(command->end(), {tool, "macos-install", "--ipsw", fixtures + "sonoma.ipsw", "--bundle", bundle.string(),
                                          "--disk-gb", "1"});
        const auto outcome = outcomeOf(quillmarsh::test::runProcess(*command));
        EXPECT_EQ(outcome.status, 1);
        ASSERT_EQ(outcome.lines.size(), 1u);
        EXPECT_EQ(outcome.lines[0]["code"], "install_failed");
        EXPECT_EQ(outcome.lines[0]["status"], "error");
        const std::string message = outcome.lines[0].value("message", "");
        EXPECT_TRUE(message.ends_with(messageEnd)) << message;
        EXPECT_EQ(treeState(root), before);
    }

    // An installed bundle, "vm" in the test's folder, for a reinstall to leave as it was.
    fs::path earlierBundle() {
        const fs::path bundle = root / "vm";
        EXPECT_EQ(runTool({"macos-install", "--ipsw", fixtures + "sonoma.ipsw", "--bundle", bundle.string(), "--disk-gb", "1"}).status, 0);
        return bundle;
    }
};

} // namespace

TEST_F(MacInstallerProcessTest, ProgressIsWrittenOncePerWholePercent) {
    const fs::path bundle = root / "vm.bundle";
    const auto outcome = runTool({"macos-install", "--ipsw", fixtures + "progress.ipsw", "--bundle", bundle.string()});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.lines, (std::vector<nlohmann::json>{
                                 {{"build", "23B81"}, {"bundle", bundle.string()}, {"status", "started"}, {"version", "14.1.0"}},
                                 {{"percent", 0}, {"status", "installing"}},
                                 {{"percent", 1}, {"status", "installing"}},
                                 {{"bundle", bundle.string()}, {"status", "installed"}},
                             }));
    EXPECT_EQ(fs::file_size(bundle / "disk.img"), 90'000'000'000u);
}

TEST_F(MacInstallerProcessTest, ImagesThatCannotBeInstalledLeaveNoFiles) {
    struct Case {
        std::string ipsw;
        nlohmann::json line;
    };
    const std::string missing = (root / "missing.ipsw").string();
    const Case cases[] = {
        {fixtures + "unsupported.ipsw", error("unsupported", "this Mac cannot run the macOS version in unsupported.ipsw")},
        {fixtures + "garbage.ipsw", error("restore_image", fixtures + "garbage.ipsw is not a restore image")},
        {missing, error("restore_image", "cannot open restore image " + missing + ": No such file or directory")},
    };
    for (const auto& c : cases) {
        const auto outcome = runTool({"macos-install", "--ipsw", c.ipsw, "--bundle", (root / "new" / "vm").string()});
        EXPECT_EQ(outcome.status, 1) << c.ipsw;
        EXPECT_EQ(outcome.lines, std::vector<nlohmann::json>{c.line});
        EXPECT_EQ(root.entries(), std::vector<std::string>()) << c.ipsw;
    }
}

TEST_F(MacInstallerProcessTest, AFailedReinstallKeepsTheBundleAndASuccessfulOneRenewsIt) {
    const fs::path bundle = root / "vm";
    ASSERT_EQ(runTool({"macos-install", "--ipsw", fixtures + "sonoma.ipsw", "--bundle", bundle.string(), "--disk-gb", "1"}).status, 0);
    const std::string machineID = fileStart(bundle / "machine-id.bin");
    const std::string aux = fileStart(bundle / "aux.img");
    const std::string disk = fileStart(bundle / "disk.img");

    const auto failed =
        runTool({"macos-install", "--ipsw", fixtures + "fails.ipsw", "--bundle", bundle.string(), "--disk-gb", "2"});
    EXPECT_EQ(failed.status, 1);
    ASSERT_EQ(failed.lines.size(), 4u); // started, 10 and 20 percent, the error
    EXPECT_EQ(failed.lines[2], (nlohmann::json{{"percent", 20}, {"status", "installing"}}));
    EXPECT_EQ(failed.lines.back(), error("install_failed", "the installer could not write the system volume"));
    EXPECT_EQ(fileStart(bundle / "machine-id.bin"), machineID);
    EXPECT_EQ(fileStart(bundle / "aux.img"), aux);
    EXPECT_EQ(fileStart(bundle / "disk.img"), disk);
    EXPECT_EQ(fs::file_size(bundle / "disk.img"), 1'000'000'000u);
    EXPECT_EQ(root.entries(), (std::vector<std::string>{"vm", "vm/aux.img", "vm/disk.img", "vm/hardware-model.bin", "vm/machine-id.bin"}));

    ASSERT_EQ(runTool({"macos-install", "--ipsw", fixtures + "progress.ipsw", "--bundle", bundle.string(), "--disk-gb", "2"}).status, 0);
    EXPECT_NE(fileStart(bundle / "machine-id.bin"), machineID);
    EXPECT_EQ(fileStart(bundle / "machine-id.bin").size(), 16u);
    EXPECT_EQ(fs::file_size(bundle / "disk.img"), 2'000'000'000u);
    EXPECT_EQ(root.entries().size(), 5u);
}

TEST_F(MacInstallerProcessTest, TheInstalledBundleRuns) {
    const fs::path bundle = root / "vm";
    ASSERT_EQ(runTool({"macos-install", "--ipsw", fixtures + "sonoma.ipsw", "--bundle", bundle.string(), "--disk-gb", "1"}).status, 0);
    const std::string disk = (bundle / "disk.img").string();

    // The installed system idles until the run's time-out stops it.
    const auto idle = runTool({"run", "--macos-bundle", bundle.string(), "--disk", disk, "--timeout-s", "1"});
    ASSERT_EQ(idle.lines.size(), 1u);
    EXPECT_EQ(idle.lines[0]["reason"], "timeout");
    EXPECT_EQ(idle.status, 0);

    // A guest script written over the start of the disk runs to its own stop.
    {
        std::fstream out(disk, std::ios::in | std::ios::out | std::ios::binary);
        const std::string script = std::string("#!quillmarsh-guest\npoweroff\n") + '\0';
        out.write(script.data(), static_cast<std::streamsize>(script.size()));
    }
    const auto stopped =
        runTool({"run", "--macos-bundle", bundle.string(), "--keep-identity", "--disk", disk, "--timeout-s", "20"});
    ASSERT_EQ(stopped.lines.size(), 1u);
    EXPECT_EQ(stopped.lines[0]["reason"], "guest_stopped");
    EXPECT_EQ(stopped.lines[0]["status"], "stopped");
    EXPECT_EQ(stopped.status, 0);
}

TEST_F(MacInstallerProcessTest, StopSignalsCancelTheInstallAndKeepTheEarlierBundle) {
    using namespace std::chrono_literals;
    const fs::path bundle = earlierBundle();
    const auto before = treeState(root);
    // slow.ipsw's installer takes an hour after its first step, so the signal always meets it there.
    for (const int signal : {SIGHUP, SIGUSR1, SIGUSR2, SIGTERM, SIGINT}) {
        SCOPED_TRACE(::strsignal(signal));
        quillmarsh::test::ChildProcess program(
            {tool, "macos-install", "--ipsw", fixtures + "slow.ipsw", "--bundle", bundle.string(), "--disk-gb", "2"});
        ASSERT_TRUE(program.waitForOutput("\"status\":\"installing\"", 20s)) << program.output();
        program.signal(signal);
        EXPECT_EQ(program.wait(20s), std::optional<int>(1));
        EXPECT_EQ(jsonLines(program.output()),
                  (std::vector<nlohmann::json>{
                      {{"build", "23D60"}, {"bundle", bundle.string()}, {"status", "started"}, {"version", "14.3.0"}},
                      {{"percent", 10}, {"status", "installing"}},
                      error("install_failed", "the install was cancelled"),
                  }));
        EXPECT_EQ(treeState(root), before);
    }
}

TEST_F(MacInstallerProcessTest, ARestoreImageThatIsNotARegularFileIsRefusedBeforeTheStart) {
    using namespace std::chrono_literals;
    const quillmarsh::test::Fifo fifo((root / "image.fifo").string());
    const std::string bundle = (root / "new" / "vm").string();
    struct Case {
        std::string name;
        std::vector<std::string> argv;
        std::string ipsw; // as the error line names it
    };
    const Case cases[] = {
        {"a FIFO without a writer", {tool, "macos-install", "--ipsw", fifo.path(), "--bundle", bundle}, fifo.path()},
        {"a pipe on standard input",
         {"/bin/sh", "-c", "cat \"$1\" | \"$2\" macos-install --ipsw /dev/stdin --bundle \"$3\"", "sh",
          fixtures + "sonoma.ipsw", tool, bundle},
         "/dev/stdin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        quillmarsh::test::ChildProcess program(c.argv);
        const auto status = program.wait(30s);
        ASSERT_TRUE(status) << "the tool still waits for its restore image";
        EXPECT_EQ(*status, 1);
        EXPECT_EQ(jsonLines(program.output()),
                  std::vector<nlohmann::json>{error("restore_image", c.ipsw + " is not a restore image: it is not a regular file")});
        EXPECT_EQ(root.entries(), std::vector<std::string>{"image.fifo"});
    }
}

TEST_F(MacInstallerProcessTest, ABundleFolderThatIsAMountPointIsInstalledInto) {
    const auto unshare = quillmarsh::test::hostProgram("unshare");
    if (!unshare)
        GTEST_SKIP() << "unshare is not installed";
    const fs::path bundle = root.mkdir("vm");
    const fs::path listing = root / "listing";
    // In a mount namespace of its own, a fresh tmpfs on the bundle folder; what the install leaves
    // there is listed into a file outside it.
    const std::string script = "mount -t tmpfs none \"$1\" || exit 125\n"
                               "\"$2\" macos-install --ipsw \"$3\" --bundle \"$1\" --disk-gb 1\n"
                               "status=$?\n"
                               "ls -A \"$1\" > \"$4\"\n"
                               "exit $status\n";
    const auto outcome = outcomeOf(quillmarsh::test::runProcess(
        {*unshare, "-rm", "/bin/sh", "-c", script, "sh", bundle.string(), tool, fixtures + "sonoma.ipsw", listing.string()}));
    if (outcome.status == 125 || (outcome.status != 0 && outcome.lines.empty()))
        GTEST_SKIP() << "no tmpfs can be mounted in a namespace of the test's own here";
    EXPECT_EQ(outcome.status, 0);
    ASSERT_FALSE(outcome.lines.empty());
    EXPECT_EQ(outcome.lines.back(), (nlohmann::json{{"bundle", bundle.string()}, {"status", "installed"}}));
    EXPECT_EQ(fileStart(listing), "aux.img\ndisk.img\nhardware-model.bin\nmachine-id.bin\n");
}

TEST_F(MacInstallerProcessTest, AFileSizeLimitFailsTheInstallWithALineAndKeepsTheEarlierBundle) {
    // The disk, past the limit, fails to be made (EFBIG) instead of SIGXFSZ ending the tool.
    expectOneFailureUnder("--fsize=1000000", "/disk.img: File too large");
}

TEST_F(MacInstallerProcessTest, TooFewDescriptorsForTheMainLoopEndWithALine) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a sanitized tool is linked dynamically: its loader and runtime need descriptors of their own";
#endif
    for (const char* limit : {"--nofile=3", "--nofile=4"}) // no descriptor for the loop's eventfd, then its signalfd
        expectOneFailureUnder(limit, ": Too many open files");
}
