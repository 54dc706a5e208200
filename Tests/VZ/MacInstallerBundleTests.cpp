#include "MacInstaller.h"

#include "Support/Fixtures.h"
#include "Support/Process.h"
#include "Support/TempFolder.h"
#include "VZ/BundleState.h"
#include "Support/HostProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using quillmarsh::MacInstaller;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

const std::string fixtures = quillmarsh::test::fixturesFolder() + "/ipsw/";

// A main loop of the test's own: blocks posted from any thread run on the test's thread.
class TestLoop {
public:
    MacInstaller::Host host() {
        return {[this](std::function<void()> block) {
                    std::lock_guard lock(mutex_);
                    blocks_.push_back(std::move(block));
                    ready_.notify_one();
                },
                [this](const json& line) {
                    EXPECT_EQ(std::this_thread::get_id(), loopThread_) << "a line written off the main loop";
                    lines.push_back(line);
                },
                [this](int code) { status = code; }};
    }

    // Runs the installer from its start until it ends.
    void run(MacInstaller& installer) {
        if (!status)
            installer.start();
        runUntilEnded();
    }

    void runUntilEnded() {
        loopThread_ = std::this_thread::get_id();
        while (!status) {
            std::unique_lock lock(mutex_);
            ASSERT_TRUE(ready_.wait_for(lock, std::chrono::seconds(20), [this] { return !blocks_.empty(); }));
            auto block = std::move(blocks_.front());
            blocks_.pop_front();
            lock.unlock();
            block();
        }
    }

    std::vector<json> lines;
    std::optional<int> status;

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> blocks_;
    std::thread::id loopThread_ = std::this_thread::get_id();
};

struct Outcome {
    std::vector<json> lines;
    int status = -1;
};

Outcome install(std::vector<std::string> args) {
    TestLoop loop;
    MacInstaller installer(args, loop.host());
    loop.run(installer);
    return {loop.lines, loop.status.value_or(-1)};
}

// The file's size and its first 4 KiB (disks are sparse gigabytes: their start is what was written).
std::string read(const fs::path& path) {
    return std::to_string(fs::file_size(path)) + ":" + quillmarsh::test::fileStart(path);
}

class MacInstallerBundleTest : public quillmarsh::test::TempFolderTest {};

} // namespace

TEST_F(MacInstallerBundleTest, InstallWritesTheFourFilesAndABootableDisk) {
    const fs::path bundle = root / "vms" / "sonoma.bundle";
    const auto outcome = install({"--ipsw", fixtures + "sonoma.ipsw", "--bundle", bundle.string(), "--disk-gb", "3"});
    EXPECT_EQ(outcome.status, 0);
    ASSERT_EQ(outcome.lines.size(), 6u) << json(outcome.lines).dump();
    EXPECT_EQ(outcome.lines.front(),
              (json{{"build", "23A344"}, {"bundle", bundle.string()}, {"status", "started"}, {"version", "14.0.1"}}));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(outcome.lines[1 + i], (json{{"percent", 25 * (i + 1)}, {"status", "installing"}}));
    EXPECT_EQ(outcome.lines.back(), (json{{"bundle", bundle.string()}, {"status", "installed"}}));

    EXPECT_EQ(root.entries(), (std::vector<std::string>{"vms", "vms/sonoma.bundle", "vms/sonoma.bundle/aux.img",
                                                   "vms/sonoma.bundle/disk.img", "vms/sonoma.bundle/hardware-model.bin",
                                                   "vms/sonoma.bundle/machine-id.bin"}));
    EXPECT_EQ(read(bundle / "hardware-model.bin"), "19:quillmarsh-mac-vm-2");
    EXPECT_GT(fs::file_size(bundle / "machine-id.bin"), 0u);

    // The disk has its full size, takes next to no space, and starts with the installed guest.
    struct stat info {};
    ASSERT_EQ(::stat((bundle / "disk.img").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 3'000'000'000);
    EXPECT_LT(info.st_blocks * 512, 1 << 20);
    std::ifstream disk(bundle / "disk.img", std::ios::binary);
    std::string start(vz::MacOSInstaller::installedSystem.size() + 1, 'x');
    disk.read(start.data(), static_cast<std::streamsize>(start.size()));
    EXPECT_EQ(start, std::string(vz::MacOSInstaller::installedSystem) + '\0');

    // A reinstall through a link to the bundle renews the linked folder and keeps the link.
    const std::string machineID = read(bundle / "machine-id.bin");
    fs::create_directory_symlink(bundle, root / "link");
    ASSERT_EQ(install({"--ipsw", fixtures + "progress.ipsw", "--bundle", (root / "link").string(), "--disk-gb", "1"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(root / "link"));
    EXPECT_NE(read(bundle / "machine-id.bin"), machineID);
    EXPECT_EQ(fs::file_size(bundle / "disk.img"), 1'000'000'000u);
    EXPECT_EQ(root.entries().size(), 7u);
}

TEST_F(MacInstallerBundleTest, AFailedFirstInstallLeavesNoBundle) {
    const auto failed = install({"--ipsw", fixtures + "fails.ipsw", "--bundle", (root / "b").string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(root.entries(), std::vector<std::string>());

    // A bundle path taken by a plain file cannot hold a bundle.
    std::ofstream(root / "file") << "x";
    const auto blocked = install({"--ipsw", fixtures + "sonoma.ipsw", "--bundle", (root / "file").string()});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.lines.back()["code"], "install_failed");
    EXPECT_EQ(root.entries(), std::vector<std::string>{"file"});

    // A VM the host cannot give fails validation; a request below the image's minimum is raised to it.
    const auto tooBig = install({"--ipsw", fixtures + "sonoma.ipsw", "--bundle", (root / "c").string(), "--cpus", "100000"});
    EXPECT_EQ(tooBig.status, 1);
    EXPECT_EQ(tooBig.lines.back()["code"], "install_failed");
    EXPECT_NE(tooBig.lines.back()["message"].get<std::string>().find("The number of CPUs is above the maximum allowed"), std::string::npos);
    EXPECT_EQ(root.entries(), std::vector<std::string>{"file"});
    EXPECT_EQ(install({"--ipsw", fixtures + "sonoma.ipsw", "--bundle", (root / "c").string(), "--cpus", "-3", "--memory-mib", "0"}).status, 0);
}

TEST_F(MacInstallerBundleTest, ACancelledReinstallLeavesTheEarlierBundleAsItWas) {
    const fs::path bundle = root / "b";
    ASSERT_EQ(install({"--ipsw", fixtures + "progress.ipsw", "--bundle", bundle.string(), "--disk-gb", "1"}).status, 0);
    const std::string machineID = read(bundle / "machine-id.bin");

    TestLoop loop;
    MacInstaller installer({"--ipsw", fixtures + "slow.ipsw", "--bundle", bundle.string(), "--disk-gb", "2"}, loop.host());
    installer.start(); // the new files are staged and the install runs, an hour after its first step
    installer.cancel();
    loop.runUntilEnded();
    EXPECT_EQ(loop.status, 1);
    EXPECT_EQ(loop.lines.back(), (json{{"code", "install_failed"}, {"message", "the install was cancelled"}, {"status", "error"}}));
    installer.installer.reset(); // ends the installer's thread, also in the middle of its work
    EXPECT_EQ(read(bundle / "machine-id.bin"), machineID);
    EXPECT_EQ(root.entries(), (std::vector<std::string>{"b", "b/aux.img", "b/disk.img", "b/hardware-model.bin", "b/machine-id.bin"}));
}

namespace {

// The status of a program of the host's run to its end; none when it is not installed.
std::optional<int> runHostProgram(const std::string& name, const std::vector<std::string>& args) {
    const auto program = quillmarsh::test::hostProgram(name);
    if (!program)
        return std::nullopt;
    std::vector<std::string> argv{*program};
    argv.insert(argv.end(), args.begin(), args.end());
    return quillmarsh::test::runProcess(argv).status;
}

// A file made immutable with chattr +i (root on a file system with the attribute), made mutable
// again when the object goes so the test's folder can be removed.
class ImmutableFile {
public:
    explicit ImmutableFile(fs::path path) : path_(std::move(path)) {
        made_ = runHostProgram("chattr", {"+i", path_.string()}) == 0;
    }
    ~ImmutableFile() {
        if (made_)
            runHostProgram("chattr", {"-i", path_.string()});
    }
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;
    bool made() const { return made_; }

private:
    fs::path path_;
    bool made_ = false;
};

} // namespace

TEST_F(MacInstallerBundleTest, AReinstallThatCannotReplaceEveryFileLeavesTheEarlierBundleAsItWas) {
    struct Case {
        const char* file;   // the bundle file that cannot be replaced
        bool folder;        // a folder stands in its place (else the file is immutable)
        const char* reason; // what the error line says about it
    };
    const Case cases[] = {
        {"aux.img", true, "Is a directory"},
        {"hardware-model.bin", true, "Is a directory"},
        {"hardware-model.bin", false, "Operation not permitted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.folder ? " is a folder" : " is immutable"));
        const fs::path bundle = root / "b";
        fs::remove_all(bundle);
        ASSERT_EQ(install({"--ipsw", fixtures + "sonoma.ipsw", "--bundle", bundle.string(), "--disk-gb", "1"}).status, 0);
        // The earlier disk holds a system of its own, which the new install's would replace.
        std::ofstream(bundle / "disk.img", std::ios::in | std::ios::out | std::ios::binary) << "earlier system";
        std::ofstream(bundle / "notes.txt") << "kept";
        if (c.folder) {
            fs::remove(bundle / c.file);
            fs::create_directory(bundle / c.file);
            std::ofstream(bundle / c.file / "inside") << "the user's";
        }
        std::optional<ImmutableFile> immutable;
        if (!c.folder && !immutable.emplace(bundle / c.file).made())
            GTEST_SKIP() << "chattr +i is not possible here"; // the table's last case
        const auto before = quillmarsh::test::treeState(root);

        const auto outcome = install({"--ipsw", fixtures + "sonoma.ipsw", "--bundle", bundle.string(), "--disk-gb", "2"});
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.lines.back(),
                  (json{{"code", "install_failed"},
                        {"message", "cannot move the new files into " + (fs::canonical(bundle) / c.file).string() + ": " + c.reason},
                        {"status", "error"}}));
        // Every file the same file with the same bytes, and no staging folder left.
        EXPECT_EQ(quillmarsh::test::treeState(root), before);
    }
}

TEST_F(MacInstallerBundleTest, ABundleNameOfTheLongestFileNameInstallsAndReinstalls) {
    const fs::path bundle = root / std::string(NAME_MAX, 'b');
    for (const char* ipsw : {"sonoma.ipsw", "progress.ipsw"}) {
        const auto outcome = install({"--ipsw", fixtures + ipsw, "--bundle", bundle.string(), "--disk-gb", "1"});
        EXPECT_EQ(outcome.status, 0) << ipsw << " " << json(outcome.lines).dump();
        const std::string name = bundle.filename().string();
        EXPECT_EQ(root.entries(), (std::vector<std::string>{name, name + "/aux.img", name + "/disk.img",
                                                            name + "/hardware-model.bin", name + "/machine-id.bin"}));
    }
}

TEST_F(MacInstallerBundleTest, AFailedOrCancelledInstallRemovesTheFoldersItMade) {
    root.mkdir("kept");
    for (const bool cancelled : {false, true}) {
        SCOPED_TRACE(cancelled ? "cancelled" : "failed");
        const fs::path bundle = root / "kept" / "new" / "deeper" / "vm";
        TestLoop loop;
        MacInstaller installer({"--ipsw", fixtures + (cancelled ? "sonoma.ipsw" : "fails.ipsw"), "--bundle", bundle.string()},
                               loop.host());
        installer.start();
        if (cancelled)
            installer.cancel();
        loop.runUntilEnded();
        EXPECT_EQ(loop.status, 1);
        installer.installer.reset();
        EXPECT_EQ(root.entries(), std::vector<std::string>{"kept"});
    }
}

TEST_F(MacInstallerBundleTest, ABundleFolderMadeDuringTheInstallGetsTheFilesAndKeepsItsOwn) {
    const fs::path bundle = root / "vm";
    TestLoop loop;
    MacInstaller installer({"--ipsw", fixtures + "sonoma.ipsw", "--bundle", bundle.string(), "--disk-gb", "1"}, loop.host());
    installer.start(); // staged beside the bundle, which does not exist yet; the end waits for the loop
    root.write("vm/notes.txt", "someone else's");
    loop.runUntilEnded();
    EXPECT_EQ(loop.status, 0) << json(loop.lines).dump();
    EXPECT_EQ(root.entries(), (std::vector<std::string>{"vm", "vm/aux.img", "vm/disk.img", "vm/hardware-model.bin",
                                                   "vm/machine-id.bin", "vm/notes.txt"}));
}
