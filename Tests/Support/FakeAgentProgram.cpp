#include "Support/FakeAgentProgram.h"

#include "Foundation/FileIO.h"

#include <chrono>
#include <csignal>
#include <stdexcept>
#include <utility>

namespace quillmarsh::test {

namespace {

// Bounds that a working program stays far below, also in a sanitizer build on a busy machine;
// they only keep a broken one from hanging the test.
constexpr std::chrono::milliseconds startTimeout{30'000};
constexpr std::chrono::milliseconds stopTimeout{30'000};

} // namespace

namespace {

std::vector<std::string> commandLine(std::string program, std::vector<std::string> options, std::string dataFolder,
                                     const std::string& socketPath) {
    std::vector<std::string> line{std::move(program)};
    for (auto& option : options) line.push_back(std::move(option));
    line.push_back(std::move(dataFolder));
    line.push_back(socketPath);
    return line;
}

} // namespace

FakeAgentProgram::FakeAgentProgram(std::string program, std::string dataFolder, std::string socketPath,
                                   std::vector<std::string> options)
    : socketPath_(std::move(socketPath)),
      process_(commandLine(std::move(program), std::move(options), std::move(dataFolder), socketPath_)) {
    // Its first line comes once the socket listens. Without it, process_ kills the program.
    if (!process_.waitForOutput("serving", startTimeout))
        throw std::runtime_error("fake-agent did not start serving on " + socketPath_ +
                                 "; its output: " + process_.output());
}

FakeAgentProgram::~FakeAgentProgram() {
    try {
        stop();
    } catch (...) {
        // A destructor reports nothing; ~ChildProcess still kills and reaps the program.
    }
}

FakeAgentProgram::Ending FakeAgentProgram::stop() {
    if (ending_) return *ending_;
    process_.signal(SIGTERM);
    Ending ending;
    ending.status = process_.wait(stopTimeout);
    if (!ending.status) {
        process_.signal(SIGKILL);
        process_.wait(stopTimeout);
    }
    ending.socketRemoved = !FileIO::exists(socketPath_);
    ending_ = ending;
    return ending;
}

} // namespace quillmarsh::test
