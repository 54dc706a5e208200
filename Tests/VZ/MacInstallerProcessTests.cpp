// macos-install as a process: the real tool, fixture restore images, bundles in a temporary folder.

#include "Foundation/JsonText.h"

#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string fixtures = QUILLMARSH_FIXTURES "/ipsw/";

struct Outcome {
    std::vector<nlohmann::json> lines;
    int status = -1;
};

Outcome runTool(const std::vector<std::string>& args) {
    const std::string program = std::string(QUILLMARSH_BIN_DIR) + "/quillmarsh-vz";
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string out;
    if (spawned == 0) {
        char buffer[4096];
        ssize_t got;
        while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0)
            out.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    Outcome outcome;
    if (spawned != 0)
        return outcome;
    int status = 0;
    ::waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // Every line is one JSON object.
    std::size_t at = 0;
    while (at < out.size()) {
        const auto end = out.find('\n', at);
        EXPECT_NE(end, std::string::npos) << "unterminated line: " << out;
        if (end == std::string::npos)
            break;
        outcome.lines.push_back(quillmarsh::JsonText::parse(out.substr(at, end - at)));
        at = end + 1;
    }
    return outcome;
}

std::string contents(const fs::path& path, std::size_t limit = 4096) {
    std::ifstream in(path, std::ios::binary);
    std::string text(limit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(limit));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

nlohmann::json error(const std::string& code, const std::string& message) {
    return {{"code", code}, {"message", message}, {"status", "error"}};
}

class MacInstallerProcessTest : public quillmarsh::test::TempFolderTest {};

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
    const std::string machineID = contents(bundle / "machine-id.bin");
    const std::string aux = contents(bundle / "aux.img");
    const std::string disk = contents(bundle / "disk.img");

    const auto failed =
        runTool({"macos-install", "--ipsw", fixtures + "fails.ipsw", "--bundle", bundle.string(), "--disk-gb", "2"});
    EXPECT_EQ(failed.status, 1);
    ASSERT_EQ(failed.lines.size(), 4u); // started, 10 and 20 percent, the error
    EXPECT_EQ(failed.lines[2], (nlohmann::json{{"percent", 20}, {"status", "installing"}}));
    EXPECT_EQ(failed.lines.back(), error("install_failed", "the installer could not write the system volume"));
    EXPECT_EQ(contents(bundle / "machine-id.bin"), machineID);
    EXPECT_EQ(contents(bundle / "aux.img"), aux);
    EXPECT_EQ(contents(bundle / "disk.img"), disk);
    EXPECT_EQ(fs::file_size(bundle / "disk.img"), 1'000'000'000u);
    EXPECT_EQ(root.entries(), (std::vector<std::string>{"vm", "vm/aux.img", "vm/disk.img", "vm/hardware-model.bin", "vm/machine-id.bin"}));

    ASSERT_EQ(runTool({"macos-install", "--ipsw", fixtures + "progress.ipsw", "--bundle", bundle.string(), "--disk-gb", "2"}).status, 0);
    EXPECT_NE(contents(bundle / "machine-id.bin"), machineID);
    EXPECT_EQ(contents(bundle / "machine-id.bin").size(), 16u);
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
