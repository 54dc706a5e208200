#pragma once

// One `quillmarsh-vz run` as a process, with a simulated guest driven by a guest script, for the
// process tests of the run.

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Support/Process.h"
#include "Support/TempFolder.h"
#include "VM/VMRunResult.h"
#include "VZ/ToolProcess.h"
#include "Virtualization/ServiceVirtualMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmarsh::test {

// The names in a folder (not below it).
inline std::set<std::string> namesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

inline const std::string secretText = "SeCrEt-7f3a9c-runner-config";

// The file's bytes; empty when it cannot be read (yet).
inline std::string slurp(const std::filesystem::path& path) {
    return FileIO::readFile(path.string(), 16 << 20).value_or(std::string());
}

// One run of the tool in a temporary folder: "kernel" holds the guest script, "share" is shared
// with the tag "out", "reports" is the report folder and "console.log" the serial console.
struct ToolRun {
    using Reason = VMRunResult::Reason;

    TempFolder dir{"qm-run"};
    // The tool, and what it is started through (such as prlimit and its options).
    std::string program = toolProgram();
    std::vector<std::string> prefix;
    // Standard input: a pipe the test writes to, or this file when set.
    std::optional<std::string> inputFile;
    // QUILLMARSH_STANDIN for the stand-in service, when the run uses one.
    std::optional<std::string> standIn;
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
    // Runs a copy of the tool with the stand-in service (`mode`) beside it in place of the real one.
    void useStandIn(const std::string& mode) {
        const auto bin = dir.mkdir("bin");
        std::filesystem::copy_file(program, bin / "quillmarsh-vz");
        std::filesystem::copy_file(std::string(QUILLMARSH_BIN_DIR) + "/standin-service", bin / vz::ServiceVirtualMachine::serviceProgram);
        program = (bin / "quillmarsh-vz").string();
        standIn = mode;
    }
    std::vector<std::string> baseArgs() const {
        return {"run", "--disk", (dir / "disk.img").string(), "--kernel", (dir / "kernel").string(), "--share",
                "out=" + (dir / "share").string(), "--console-log", (dir / "console.log").string(), "--memory-mib", "512",
                "--cpus", "1"};
    }
    void start(std::vector<std::string> extra) { startWith(baseArgs(), extra); }
    void startWith(std::vector<std::string> args, const std::vector<std::string>& extra = {}) {
        args.insert(args.end(), extra.begin(), extra.end());
        // The child's ends are closed here once it has its copies; the tool's exit ends the outputs.
        int i[2], o[2], e[2];
        UniqueFd childIn;
        if (inputFile) {
            childIn.reset(::open(inputFile->c_str(), O_RDONLY | O_CLOEXEC));
            ASSERT_TRUE(childIn) << *inputFile;
        } else {
            ASSERT_EQ(::pipe2(i, O_CLOEXEC), 0);
            childIn.reset(i[0]);
            in.reset(i[1]);
        }
        ASSERT_EQ(::pipe2(o, O_CLOEXEC), 0);
        out.reset(o[0]);
        const UniqueFd childOut(o[1]);
        ASSERT_EQ(::pipe2(e, O_CLOEXEC), 0);
        err.reset(e[0]);
        const UniqueFd childErr(e[1]);
        std::vector<std::string> command = prefix;
        command.push_back(program);
        command.insert(command.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : command) argv.push_back(a.data());
        argv.push_back(nullptr);
        auto environment = environmentWith({{"QUILLMARSH_STANDIN", standIn}});
        std::vector<char*> envp;
        for (auto& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
        pid = ::fork();
        if (pid == 0) {
            resetSignalsForExec();
            ::dup2(childIn.get(), 0);
            ::dup2(childOut.get(), 1);
            ::dup2(childErr.get(), 2);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
    }
    void write(const std::string& text) { ASSERT_TRUE(FileIO::writeAll(in.get(), text)); }
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
        ASSERT_TRUE(WIFEXITED(wstatus)) << "ended by signal " << (WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0);
        status = WEXITSTATUS(wstatus);
    }
    // Exactly one line on stdout, a valid result whose exit status follows its reason.
    VMRunResult result() {
        EXPECT_EQ(std::count(stdoutText.begin(), stdoutText.end(), '\n'), 1) << stdoutText;
        EXPECT_TRUE(!stdoutText.empty() && stdoutText.back() == '\n') << stdoutText;
        auto line = stdoutText.substr(0, stdoutText.find('\n'));
        if (line.empty()) return VMRunResult(Reason::error, -1, "no line");
        auto r = VMRunResult::decodeLine(line);
        EXPECT_EQ(status, r.reason == Reason::error ? 1 : 0);
        EXPECT_EQ(stdoutText.find(secretText), std::string::npos);
        EXPECT_EQ(stderrText.find(secretText), std::string::npos);
        EXPECT_EQ(slurp(dir / "console.log").find(secretText), std::string::npos);
        return r;
    }
};

} // namespace quillmarsh::test
