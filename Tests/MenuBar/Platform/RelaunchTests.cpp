// The relaunch after an update, with the real shell line: the program it starts records the
// environment it got.
#include "Foundation/FileIO.h"
#include "Platform/Relaunch.h"
#include "Support/TempFolder.h"
#include "Support/TestApplication.h"
#include "Update/AppUpdate.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>

namespace quillmarsh {
namespace {

// The entries of an `env -0` listing, sorted.
std::vector<std::string> entries(const std::string& listing) {
    std::vector<std::string> out;
    std::istringstream in(listing);
    for (std::string entry; std::getline(in, entry, '\0');) out.push_back(entry);
    std::sort(out.begin(), out.end());
    return out;
}

TEST(RelaunchTest, TheRelaunchedAppGetsTheEnvironmentTheAppWasStartedWith) {
    const test::TempFolder folder("qm-relaunch");
    // A bundle whose program writes down its environment.
    const auto program = folder.write("Quillmarsh.app/Contents/MacOS/Quillmarsh",
                                      "#!/bin/sh\n/usr/bin/env -0 > \"$0.partial\" && mv \"$0.partial\" \"$0.env\"\n");
    ::chmod(program.c_str(), 0755);

    // What a desktop session started the app with, with values a shell line must not bend, and
    // the update's own two names left over from an earlier relaunch.
    const std::vector<std::string> started = {
        "PATH=/usr/local/bin:/usr/bin:/bin",
        "HOME=" + folder.string(),
        "DISPLAY=:7",
        "XAUTHORITY=/run/user/1000/.mutter-Xwaylandauth.X1",
        "WAYLAND_DISPLAY=wayland-0",
        "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1000/bus",
        "XDG_RUNTIME_DIR=/run/user/1000",
        "XDG_CONFIG_HOME=/home/a/.config",
        "XDG_DATA_DIRS=/usr/share/gnome:/usr/local/share",
        "QUILLMARSH_HOME=/srv/agent home",
        "QUILLMARSH_DOWNLOADS_URL=https://downloads.example.org/",
        "LANG=de_DE.UTF-8",
        "LC_TIME=en_GB.UTF-8",
        "ODD=a \"quoted\" $value\nwith a line break",
        "QM_PID=1",
        "QM_APP=/elsewhere/Old.app",
    };
    // The quitting app the line waits for.
    const pid_t quitting = ::fork();
    if (quitting == 0) {
        ::pause();
        ::_exit(0);
    }
    const std::string bundle = (folder / "Quillmarsh.app").string();
    Relaunch::start(std::string(AppUpdate::relaunchScript), Relaunch::environment(quitting, bundle, started));
    ::kill(quitting, SIGKILL);
    ::waitpid(quitting, nullptr, 0);

    const std::string recorded = program.string() + ".env";
    ASSERT_TRUE(test::spinUntil([&] { return std::filesystem::exists(recorded); }));
    std::vector<std::string> got = entries(FileIO::readFile(recorded, 1 << 20).value_or(""));
    // The shell notes its working folder; that is its own.
    std::erase_if(got, [](const std::string& entry) { return entry.starts_with("PWD="); });

    std::vector<std::string> expected(started.begin(), started.end() - 2);
    expected.push_back("QM_PID=" + std::to_string(quitting));
    expected.push_back("QM_APP=" + bundle);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
}

} // namespace
} // namespace quillmarsh
