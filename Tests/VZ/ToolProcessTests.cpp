// The tool as a process: each command line against its exact stdout and exit status.

#include "Foundation/JsonText.h"
#include "Support/TempFolder.h"
#include "VZ/ToolProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using quillmarsh::test::runTool;
using Outcome = quillmarsh::test::ProcessResult;

std::string badArguments(const std::string& message) {
    return R"({"code":"bad_arguments","message":")" + message + R"(","status":"error"})" "\n";
}

TEST(ToolProcessTest, CommandLinesGiveTheirExactLineAndStatus) {
    const std::string usage = "quillmarsh-vz capabilities | sensors | clone | run | macos-install";
    struct Case {
        std::vector<std::string> args;
        std::string out;
        int status;
    };
    const std::vector<Case> cases = {
        {{"Capabilities"},
         R"({"code":"bad_arguments","message":"unknown command Capabilities","next":")" + usage +
             R"(","status":"error"})" "\n",
         1},
        {{"frobnicate", "--disk", "x"},
         R"({"code":"bad_arguments","message":"unknown command frobnicate","next":")" + usage +
             R"(","status":"error"})" "\n",
         1},
        {{""}, R"({"code":"bad_arguments","message":"unknown command ","next":")" + usage + R"(","status":"error"})" "\n", 1},
        {{"run"}, badArguments("--disk is required"), 1},
        {{"run", "--disk", "d.img", "--cpus", "0"}, badArguments("--cpus must be an integer of at least 1, got 0"), 1},
        {{"run", "--disk", "d.img", "--timeout-s"}, badArguments("--timeout-s needs a value"), 1},
        {{"run", "--disk", "d.img", "--kernel", "--initrd", "i"}, badArguments("unknown option i"), 1},
        {{"run", "--disk", "/a/b", "--share", "rosetta=/x", "--kernel", "k"},
         badArguments("the tag rosetta is reserved for --rosetta"), 1},
        {{"run", "--disk", "d", "--efi-store", "/v/efi", "--mac", "02:00:00:00:00:0G"},
         badArguments(R"(--mac must look like 02:00:00:00:00:01, got 02:00:00:00:00:0g)"), 1},
        {{"run", "--disk", "d", "--share", "t=/a/b/=c"}, badArguments("--kernel, --efi-store or --macos-bundle is required"), 1},
        {{"run", "--disk", "d", "--share", "=/p"}, badArguments(R"(--share must be tag=path, got =\/p)"), 1},
        {{"clone"}, badArguments("clone needs --from and --to"), 1},
        {{"clone", "--from", "a"}, badArguments("clone needs --from and --to"), 1},
        {{"clone", "--from", "a", "--to"}, badArguments("unknown option --to"), 1},
        {{"clone", "--from", "a", "--to", "b", "extra"}, badArguments("unknown option extra"), 1},
        {{"clone", "--into", "b"}, badArguments("unknown option --into"), 1},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += "[" + a + "]";
        const Outcome outcome = runTool(c.args);
        EXPECT_EQ(outcome.out, c.out) << joined;
        EXPECT_EQ(outcome.status, c.status) << joined;
    }
}

TEST(ToolProcessTest, NoCommandIsTheCapabilitiesLine) {
    const Outcome bare = runTool({});
    const Outcome named = runTool({"capabilities"});
    EXPECT_EQ(bare.status, 0);
    EXPECT_EQ(named.status, 0);
    EXPECT_EQ(bare.out, named.out);
    ASSERT_FALSE(named.out.empty());
    ASSERT_EQ(named.out.back(), '\n');
    const auto line = quillmarsh::JsonText::parse(named.out.substr(0, named.out.size() - 1));
    EXPECT_EQ(line.size(), 11u);
    EXPECT_EQ(line["helper"], "quillmarsh-vz");
    EXPECT_EQ(line["rosetta"], "not_supported");
    EXPECT_EQ(line["nested"], false);
    EXPECT_GE(line["max_cpus"].get<std::int64_t>(), 1);
    EXPECT_GT(line["max_memory_mib"].get<std::int64_t>(), 0);
}

TEST(ToolProcessTest, SensorsWritesOneLineOfKnownKeys) {
    const Outcome outcome = runTool({"sensors"});
    EXPECT_EQ(outcome.status, 0);
    ASSERT_FALSE(outcome.out.empty());
    ASSERT_EQ(outcome.out.find('\n'), outcome.out.size() - 1);
    const auto line = quillmarsh::JsonText::parse(outcome.out.substr(0, outcome.out.size() - 1));
    for (const char* key : {"camera_in_use", "low_power", "microphone_in_use", "screen_locked"}) {
        ASSERT_TRUE(line.contains(key)) << key;
        EXPECT_TRUE(line[key].is_boolean()) << key;
    }
    EXPECT_TRUE(line["thermal"].is_string());
    EXPECT_EQ(line.size(), line.contains("fans") ? 6u : 5u);
    if (line.contains("fans")) {
        EXPECT_TRUE(line["fans"].is_number_integer());
    }
}

TEST(ToolProcessTest, RunWithAcceptedOptionsEndsWithItsResultLine) {
    // However far the run gets, it ends with one result line whose status decides the exit status.
    const Outcome outcome = runTool({"run", "--disk", "/nonexistent/disk.img", "--kernel", "/nonexistent/vmlinuz",
                                     "--timeout-s", "5", "--stop-grace-s", "0"});
    ASSERT_FALSE(outcome.out.empty());
    const std::string last = outcome.out.substr(outcome.out.rfind('\n', outcome.out.size() - 2) + 1);
    const auto line = quillmarsh::JsonText::parse(last.substr(0, last.size() - 1));
    EXPECT_TRUE(line.contains("duration_ms"));
    EXPECT_EQ(outcome.status, line["reason"] == "error" ? 1 : 0) << outcome.out;
}

TEST(ToolProcessTest, CloneFailureNamesBothPathsWithEscapedSlashes) {
    const quillmarsh::test::TempFolder folder("vz-clone");
    const std::string source = (folder / "missing.img").string();
    const std::string destination = (folder / "copy.img").string();
    const Outcome outcome = runTool({"clone", "--to", destination, "--from", source});
    std::string escapedSource, escapedDestination;
    for (char c : source) escapedSource += c == '/' ? std::string("\\/") : std::string(1, c);
    for (char c : destination) escapedDestination += c == '/' ? std::string("\\/") : std::string(1, c);
    EXPECT_EQ(outcome.out, R"({"code":"clone_failed","message":"clonefile )" + escapedSource + " -> " +
                               escapedDestination +
                               R"(: No such file or directory","next":"the image and the job directory must be on the same APFS volume","status":"error"})"
                               "\n");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_FALSE(std::filesystem::exists(destination));
}

} // namespace

// An answer that cannot reach standard output (the reader has gone) is no success: status 1,
// quietly, instead of the process dying of SIGPIPE.
TEST(ToolProcessTest, AOneShotCommandWhoseOutputIsGoneEndsWithStatusOne) {
    for (const char* command : {"capabilities", "sensors"}) {
        SCOPED_TRACE(command);
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        ::close(fds[0]);
        const std::string program = quillmarsh::test::toolProgram();
        const pid_t pid = ::fork();
        if (pid == 0) {
            quillmarsh::test::resetSignalsForExec();
            ::dup2(fds[1], 1);
            ::execl(program.c_str(), program.c_str(), command, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 1);
    }
}
