// The real quillmarsh-vz run, as a process, with a real Linux guest in QEMU (TCG): the host's
// kernel and the test guest's busybox initramfs, its shell snippet on the kernel command line.

#include "Support/TestGuest.h"
#include "Virtualization/EFIFirmware.h"
#include "VZ/ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using quillmarsh::VMRunResult;
using quillmarsh::test::slurp;
using quillmarsh::test::TempFolder;
using quillmarsh::test::TestGuest;
using quillmarsh::test::ToolRun;
using Reason = VMRunResult::Reason;

#define SKIP_WITHOUT_REAL_GUEST()                                                                            \
    do {                                                                                                     \
        if (auto why = TestGuest::whyUnavailable()) GTEST_SKIP() << *why;                                    \
    } while (false)

namespace {

// Long enough for a TCG boot on a busy machine; a run still going then is killed and fails.
constexpr int runLimitSeconds = 90;

// One run of the tool with the real test guest: "disk.img" (64 KiB of zeros) is its first disk
// (NVMe, the default bus: /dev/nvme0n1; later disks are /dev/vda on), "share" is shared as "out"
// and "console.log" is the console.
struct GuestRun : ToolRun {
    TestGuest guest = TestGuest::shared();
    std::vector<std::string> disks;

    GuestRun() : ToolRun("") {
        dir.write("disk.img", std::string(64 << 10, '\0'));
        disks = {(dir / "disk.img").string()};
    }
    std::vector<std::string> guestArgs(const std::string& snippet) const {
        std::vector<std::string> args{"run"};
        for (const auto& disk : disks) args.insert(args.end(), {"--disk", disk});
        args.insert(args.end(), {"--kernel", guest.kernel.string(), "--initrd", guest.initramfs.string(), "--cmdline",
                                 TestGuest::commandLine(snippet), "--share", "out=" + (dir / "share").string(),
                                 "--console-log", (dir / "console.log").string(), "--memory-mib", "512", "--cpus", "1"});
        return args;
    }
    void boot(const std::string& snippet, const std::vector<std::string>& extra = {}) {
        startWith(guestArgs(snippet), extra);
    }
    bool shareHas(const std::string& name) {
        return waitUntil([&] { return fs::exists(dir / "share" / name); }, runLimitSeconds);
    }
    // The console log with the guest's line ends (the console's tty writes CR LF) as LF.
    std::string console() const {
        std::string text = slurp(dir / "console.log");
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }
};

// The nice value of each thread of a process.
std::vector<int> threadNices(pid_t pid) {
    std::vector<int> nices;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        const std::string stat = slurp(task.path() / "stat");
        const auto close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 2));
        std::vector<std::string> words;
        for (std::string word; fields >> word;) words.push_back(word);
        if (words.size() > 16) nices.push_back(std::stoi(words[16]));  // field 19, "nice"
    }
    return nices;
}

// The child of pid running qemu-system-x86_64, or -1.
pid_t qemuChild(pid_t pid) {
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::istringstream children(slurp(task.path() / "children"));
        for (pid_t child; children >> child;) {
            const auto exe = fs::read_symlink("/proc/" + std::to_string(child) + "/exe", error);
            if (!error && exe.filename() == "qemu-system-x86_64") return child;
        }
    }
    return -1;
}

// A raw disk image whose first cluster is a well-formed qcow2 (version 2) header naming `backing`
// as its backing file: read as qcow2, it would open that file.
std::string qcow2Lookalike(const std::string& backing) {
    std::string image(256 << 10, '\0');
    auto put = [&](std::size_t at, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) image[at + std::size_t(i)] = char(value >> (8 * (bytes - 1 - i)) & 0xff);
    };
    image.replace(0, 4, "QFI\xfb");
    put(4, 2, 4);                 // version
    put(8, 512, 8);               // backing file name offset
    put(16, backing.size(), 4);   // and length
    put(20, 16, 4);               // 64 KiB clusters
    put(24, 1 << 20, 8);          // virtual size
    put(36, 1, 4);                // L1 entries
    put(40, 0x30000, 8);          // L1 table
    put(48, 0x10000, 8);          // refcount table
    put(56, 1, 4);                // its clusters
    image.replace(512, backing.size(), backing);
    return image;
}

// 64 KiB of random bytes (the same each time), with an x86 boot header of protocol 1.0 if asked.
std::string randomBytes(bool bootHeader) {
    std::mt19937 random(7);
    std::string bytes(64 << 10, '\0');
    for (char& byte : bytes) byte = char(random());
    if (bootHeader) bytes.replace(0x202, 6, std::string("HdrS\x00\x01", 6));
    else bytes.replace(0x202, 4, "hdrs");
    return bytes;
}

} // namespace

TEST(RealGuest, BootsUsesItsShareAndDisksAsGivenAndPowersOff) {
    SKIP_WITHOUT_REAL_GUEST();
    GuestRun run;
    // The first disk looks like a qcow2 image with a backing file on the host; the tool's disks are
    // raw, so that file is never opened (an inotify watch would see any open) and the guest reads
    // the header's own bytes.
    const auto backing = run.dir.write("backing.img", std::string(4096, 'b'));
    const std::string lookalike = qcow2Lookalike(backing.string());
    run.dir.write("disk.img", lookalike);
    const std::string readOnly = "read-only disk text 5d1e\n" + std::string(4096, '\0');
    run.disks.push_back(run.dir.write("ro.img", readOnly).string() + ":ro");
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, backing.c_str(), IN_OPEN | IN_ACCESS), 0);

    run.boot("share out\n"
             "ls /dev/nvme0n1 /dev/vd*\n"
             "head -n 1 /dev/vda > /mnt/out/ro.txt\n"
             "head -c 4 /dev/nvme0n1 | od -An -tx1 | tr -d ' \\n' > /mnt/out/disk0-magic\n"
             "[ -b /dev/vda ] && dd if=/dev/zero of=/dev/vda bs=512 count=1 conv=fsync 2>/dev/null && echo 'guest: wrote vda'\n"
             "echo 'guest: shared files written'\n");
    run.finish(runLimitSeconds);
    const auto result = run.result();
    EXPECT_EQ(result.reason, Reason::guestStopped) << result.error.value_or("");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(slurp(run.dir / "share/ro.txt"), "read-only disk text 5d1e\n");
    EXPECT_EQ(slurp(run.dir / "share/disk0-magic"), "514649fb");
    EXPECT_EQ(slurp(run.dir / "ro.img"), readOnly);
    EXPECT_EQ(slurp(run.dir / "disk.img"), lookalike);
    std::array<char, 4096> events{};
    EXPECT_LE(::read(watch, events.data(), events.size()), 0) << "something opened the qcow2 header's backing file";
    ::close(watch);
    const std::string console = run.console();
    EXPECT_NE(console.find("guest: up\n"), std::string::npos) << console;
    EXPECT_NE(console.find("guest: shared files written\n"), std::string::npos) << console;
    EXPECT_NE(console.find("guest: powering off\n"), std::string::npos) << console;
    EXPECT_EQ(console.find("guest: wrote vda"), std::string::npos) << console;
    // The tool's own line comes before the guest's.
    EXPECT_NE(console.rfind("guest: ", 0), 0u) << console;
}

TEST(RealGuest, AStopRequestPressesThePowerButtonAndAGuestThatIgnoresItIsForced) {
    SKIP_WITHOUT_REAL_GUEST();
    struct Case {
        const char* name;
        const char* button;
        const char* grace;
        const char* consoleLine;
    };
    const std::vector<Case> cases = {
        {"obeys", "poweroff", "60", "guest: power button, powering off\n"},
        {"ignores", "ignore", "2", "guest: ignoring the power button\n"},
    };
    std::vector<std::unique_ptr<GuestRun>> runs;
    for (const auto& c : cases) {
        runs.push_back(std::make_unique<GuestRun>());
        runs.back()->boot(std::string("power_button ") + c.button + "\nshare out\ntouch /mnt/out/ready\nsleep 600\n",
                          {"--stop-grace-s", c.grace});
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        GuestRun& run = *runs[i];
        ASSERT_TRUE(run.shareHas("ready")) << run.console();
        ASSERT_TRUE(run.signalsBlocked());
        ::kill(run.pid, SIGTERM);
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        GuestRun& run = *runs[i];
        run.finish(runLimitSeconds);
        const auto result = run.result();
        EXPECT_EQ(result.reason, Reason::cancelled) << result.error.value_or("");
        EXPECT_EQ(run.status, 0);
        const std::string console = run.console();
        EXPECT_NE(console.find(cases[i].consoleLine), std::string::npos) << console;
        if (std::string(cases[i].button) == "ignore") {
            EXPECT_EQ(console.find("powering off"), std::string::npos) << console;
        }
    }
}

TEST(RealGuest, TimeOutsAndStartFailuresEndWithTheirReason) {
    SKIP_WITHOUT_REAL_GUEST();
    struct Case {
        const char* name;
        std::function<void(GuestRun&)> prepare;
        std::vector<std::string> extra;
        Reason reason;
        const char* errorHas;  // for an error: what it holds after its "start: "
    };
    const std::vector<Case> cases = {
        {"time-out", [](GuestRun&) {}, {"--timeout-s", "3", "--stop-grace-s", "1"}, Reason::timeout, nullptr},
        // Random bytes: the tool sees no boot header and does not start QEMU.
        {"not a kernel",
         [](GuestRun& run) { run.guest.kernel = run.dir.write("not-a-kernel", randomBytes(false)); },
         {},
         Reason::error,
         "is not a Linux kernel image."},
        // Random bytes behind a boot header of protocol 1.0: QEMU takes them for a kernel too old
        // for an initramfs, and its message is the error.
        {"not a kernel for QEMU",
         [](GuestRun& run) { run.guest.kernel = run.dir.write("old-kernel", randomBytes(true)); },
         {},
         Reason::error,
         "linux kernel too old to load a ram disk"},
        // A QEMU beside the tool is used first: this one fails at once.
        {"QEMU fails to start",
         [](GuestRun& run) {
             const auto bin = run.dir.mkdir("bin");
             fs::copy_file(run.program, bin / "quillmarsh-vz");
             const auto qemu = run.dir.write("bin/qemu-system-x86_64", "#!/bin/sh\necho 'stand-in QEMU refuses' >&2\nexit 1\n");
             fs::permissions(qemu, fs::perms::owner_all);
             run.program = (bin / "quillmarsh-vz").string();
         },
         {},
         Reason::error,
         ""},
    };
    std::vector<std::unique_ptr<GuestRun>> runs;
    for (const auto& c : cases) {
        runs.push_back(std::make_unique<GuestRun>());
        c.prepare(*runs.back());
        runs.back()->boot("sleep 600\n", c.extra);
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        GuestRun& run = *runs[i];
        run.finish(runLimitSeconds);
        const auto result = run.result();
        EXPECT_EQ(result.reason, cases[i].reason) << result.error.value_or("");
        if (cases[i].errorHas) {
            const std::string error = result.error.value_or("");
            EXPECT_EQ(error.rfind("start: ", 0), 0u) << error;
            EXPECT_NE(error.find(cases[i].errorHas), std::string::npos) << error;
        }
    }
}

TEST(RealGuest, TheNetFdCarriesTheGuestsFramesFromItsMac) {
    SKIP_WITHOUT_REAL_GUEST();
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM, 0, ends), 0);
    const quillmarsh::UniqueFd ours(ends[0]), theirs(ends[1]);
    ASSERT_EQ(::fcntl(ours.get(), F_SETFD, FD_CLOEXEC), 0);
    ASSERT_EQ(::fcntl(ours.get(), F_SETFL, O_NONBLOCK), 0);
    GuestRun run;
    // The tool inherits `theirs` (not close-on-exec) as its net fd.
    run.boot("ip link set eth0 up\nip addr add 10.0.2.15/24 dev eth0\narping -c 3 -I eth0 10.0.2.2 >/dev/null\n",
             {"--net-fd", std::to_string(theirs.get()), "--mac", "02:5A:11:22:33:44"});
    run.finish(runLimitSeconds);
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
    const std::string mac("\x02\x5a\x11\x22\x33\x44", 6);
    int frames = 0;
    std::array<char, 65536> frame{};
    for (ssize_t n; (n = ::recv(ours.get(), frame.data(), frame.size(), 0)) > 0; ++frames) {
        ASSERT_GE(n, 14) << "not an Ethernet frame";
        EXPECT_EQ(std::string(frame.data() + 6, 6), mac) << "frame " << frames << " is from another source";
    }
    EXPECT_GE(frames, 1) << run.console();
}

TEST(RealGuest, NiceReachesEveryThreadOfQemuAndNothingElse) {
    SKIP_WITHOUT_REAL_GUEST();
    GuestRun run;
    run.boot("share out\ntouch /mnt/out/ready\nwhile [ ! -e /mnt/out/looked ]; do sleep 0.2; done\n", {"--nice", "10"});
    ASSERT_TRUE(run.shareHas("ready")) << run.console();
    const pid_t qemu = qemuChild(run.pid);
    ASSERT_GT(qemu, 0) << "no qemu-system-x86_64 child of the tool";
    const auto qemuNices = threadNices(qemu);
    EXPECT_GT(qemuNices.size(), 1u);
    for (int nice : qemuNices) EXPECT_EQ(nice, 10);
    const int ours = ::getpriority(PRIO_PROCESS, 0);
    for (int nice : threadNices(run.pid)) EXPECT_EQ(nice, ours) << "a thread of the tool itself";
    run.dir.write("share/looked", "");
    run.finish(runLimitSeconds);
    EXPECT_EQ(run.result().reason, Reason::guestStopped);
}

TEST(RealGuest, AMissingEfiStoreIsCreatedFromTheTemplateThenReused) {
    SKIP_WITHOUT_REAL_GUEST();
    const auto firmware = vz::EFIFirmware::installed();
    if (!firmware) GTEST_SKIP() << vz::EFIFirmware::missingText();
    const fs::path templateStore = firmware->variablesTemplate;
    TempFolder folder{"qm-efi"};
    const auto store = folder / "efi-vars.fd";
    folder.write("disk.img", std::string(64 << 10, '\0'));
    ino_t firstInode = 0;
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("run " + std::to_string(round));
        GuestRun run;
        // Nothing to boot: OVMF tries and keeps trying until the time-out.
        run.startWith({"run", "--disk", (folder / "disk.img").string(), "--efi-store", store.string(), "--console-log",
                       (run.dir / "console.log").string(), "--memory-mib", "512", "--cpus", "1", "--timeout-s", "12",
                       "--stop-grace-s", "1"});
        run.finish(runLimitSeconds);
        const auto result = run.result();
        EXPECT_EQ(result.reason, Reason::timeout) << result.error.value_or("");
        struct stat info {};
        ASSERT_EQ(::stat(store.c_str(), &info), 0) << "no store";
        EXPECT_EQ(info.st_mode & 07777, 0600u);
        EXPECT_EQ(std::uintmax_t(info.st_size), fs::file_size(templateStore));
        if (round == 1) {
            firstInode = info.st_ino;
        } else {
            EXPECT_EQ(info.st_ino, firstInode) << "the store was made anew";
        }
        // The tool's own first line, then the firmware's output.
        const std::string console = run.console();
        const auto firstLineEnd = console.find('\n');
        ASSERT_NE(firstLineEnd, std::string::npos) << console;
        EXPECT_GT(console.size(), firstLineEnd + 1) << "no firmware output: " << console;
    }
}

TEST(RealGuest, QemuDyingOrAFailedHandOffEndsTheRunWithAnError) {
    SKIP_WITHOUT_REAL_GUEST();
    // QEMU killed from outside while its guest runs: the VM stopped with an error, and the line says
    // how QEMU ended.
    GuestRun killed;
    killed.boot("share out\ntouch /mnt/out/ready\nsleep 600\n");
    // The guest's ports are not served for a QEMU guest: the hand-off ends with its time-out.
    GuestRun handOff;
    handOff.boot("sleep 600\n", {"--secret-stdin", "--secret-timeout-s", "3", "--stop-grace-s", "1"});
    handOff.write(quillmarsh::test::secretText + "\n");
    handOff.closeInput();

    ASSERT_TRUE(killed.shareHas("ready")) << killed.console();
    const pid_t qemu = qemuChild(killed.pid);
    ASSERT_GT(qemu, 0);
    ASSERT_EQ(::kill(qemu, SIGKILL), 0);
    killed.finish(runLimitSeconds);
    EXPECT_EQ(killed.status, 1);
    const auto died = killed.result();
    EXPECT_EQ(died.reason, Reason::error);
    EXPECT_NE(died.error.value_or("").find("ended unexpectedly (killed by signal 9)"), std::string::npos) << died.error.value_or("");

    handOff.finish(runLimitSeconds);
    EXPECT_EQ(handOff.status, 1);
    const auto failed = handOff.result();
    EXPECT_EQ(failed.reason, Reason::error);
    EXPECT_EQ(failed.error, "the guest did not ask for its runner config within 3 seconds");
}
