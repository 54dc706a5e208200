// Latency of the run tool with a simulated guest, as processes:
// - from the guest's poweroff to the result line on the tool's stdout;
// - from the guest's connection on port 1024 to the runner configuration arriving in the guest.
// The guest's moments are taken from its console log (each command is logged just before it runs),
// watched with inotify; the tool's from its stdout pipe and the share folder.

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using quillmarsh::UniqueFd;

namespace {

std::string binDir() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string path(buffer, std::size_t(n > 0 ? n : 0));
    return path.substr(0, path.rfind('/'));
}

std::string slurp(const fs::path& path) {
    return quillmarsh::FileIO::readFile(path.string(), 16 << 20).value_or(std::string());
}

// Runs one guest and returns the seconds between the console showing `mark` and `arrived` holding.
double measure(const std::string& script, const std::string& mark, bool untilStdout) {
    fs::path dir = fs::temp_directory_path() / ("qm-bench-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "share");
    std::ofstream(dir / "kernel") << "#!quillmarsh-guest\n" << script;
    std::ofstream(dir / "disk.img") << "disk";
    UniqueFd watch(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    ::inotify_add_watch(watch.get(), dir.c_str(), IN_MODIFY | IN_CREATE);
    ::inotify_add_watch(watch.get(), (dir / "share").c_str(), IN_CLOSE_WRITE);
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return 0;
    UniqueFd inRead(in[0]), inWrite(in[1]);
    if (::pipe2(out, O_CLOEXEC) != 0) return 0;
    UniqueFd outRead(out[0]), outWrite(out[1]);
    std::string program = binDir() + "/quillmarsh-vz";
    std::vector<std::string> args = {program, "run", "--disk", (dir / "disk.img").string(), "--kernel", (dir / "kernel").string(),
                                     "--share", "out=" + (dir / "share").string(), "--console-log", (dir / "console.log").string(),
                                     "--memory-mib", "512", "--cpus", "1", "--secret-stdin"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(inRead.get(), 0);
        ::dup2(outWrite.get(), 1);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    // The tool holds its own copies: the stdout pipe ends when it exits, and stdin ends here.
    inRead.reset();
    outWrite.reset();
    quillmarsh::FileIO::writeAll(inWrite.get(), "runner-config\n");
    inWrite.reset();
    Clock::time_point marked{}, arrived{};
    bool haveMark = false, done = false;
    while (!done) {
        pollfd fds[2] = {{watch.get(), POLLIN, 0}, {outRead.get(), POLLIN, 0}};
        if (::poll(fds, 2, 10000) <= 0) break;
        auto now = Clock::now();
        if (fds[0].revents) {
            alignas(inotify_event) char events[4096];
            ssize_t n = ::read(watch.get(), events, sizeof events);
            for (char* p = events; n > 0 && p < events + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                std::string name = e->len ? e->name : "";
                if (!haveMark && name == "console.log" && slurp(dir / "console.log").find(mark) != std::string::npos) {
                    marked = now;
                    haveMark = true;
                }
                if (!untilStdout && haveMark && (e->mask & IN_CLOSE_WRITE) && name == "got") {
                    arrived = now;
                    done = true;
                }
                p += sizeof(inotify_event) + e->len;
            }
        }
        if (fds[1].revents) {
            char buffer[512];
            ssize_t n = ::read(outRead.get(), buffer, sizeof buffer);
            if (untilStdout && n > 0) {
                arrived = now;
                done = true;
            }
            if (n <= 0) break;
        }
    }
    outRead.reset();
    watch.reset();
    ::waitpid(pid, nullptr, 0);
    fs::remove_all(dir);
    return haveMark && done ? std::chrono::duration<double>(arrived - marked).count() : 0;
}

void PoweroffToResultLine(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(measure("poweroff\n", "poweroff\n", true));
}
BENCHMARK(PoweroffToResultLine)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

void Port1024ConnectionToLineArriving(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(measure("fetch-config out/got\npoweroff\n", "fetch-config out/got\n", false));
}
BENCHMARK(Port1024ConnectionToLineArriving)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace
