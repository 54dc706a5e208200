// fake-agent: serves the JSON files of a folder over the agent's socket protocol, for demos and
// for tests that run the app as a process.
//
//   fake-agent FOLDER SOCKET-PATH
//
// A request's path (query dropped) names its file: the path's parts joined with "." and ".json",
// so GET /status reads status.json, GET /image/checks image.checks.json and GET /jobs/7/log?since=3
// jobs.7.log.json. A file named after the lower-case method first ("post.mode.json",
// "get.update.json") wins over the plain one. A file NAME.status next to NAME.json holds the
// answer's status code (200 without one). A path without a file gets a plain-text 404.
// Runs until SIGTERM or SIGINT, then removes the socket.
#include "Foundation/FileIO.h"
#include "Foundation/IntegerText.h"
#include "Foundation/Text.h"
#include "Support/FakeAgent.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

namespace {

// A sample answer is a few KiB; 16 MiB is room for any a demo or test serves.
constexpr std::size_t maxAnswerBytes = 16 << 20;

// The code in a NAME.status file: a decimal number, white space and newlines around it allowed.
// Anything else gives 0, a status no client takes for success.
int statusCode(const std::string& text) {
    const auto code = quillmarsh::IntegerText::parse(quillmarsh::Text::trimmingWhitespaceAndNewlines(text));
    return code && *code >= INT_MIN && *code <= INT_MAX ? static_cast<int>(*code) : 0;
}

std::string fileStem(std::string target) {
    if (auto query = target.find('?'); query != std::string::npos) target.resize(query);
    std::string stem;
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t end = target.find('/', start);
        if (end == std::string::npos) end = target.size();
        if (end > start) {
            if (!stem.empty()) stem += '.';
            stem += target.substr(start, end - start);
        }
        start = end + 1;
    }
    return stem;
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: fake-agent FOLDER SOCKET-PATH\n";
        return 2;
    }
    const std::string folder = argv[1];

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    // Blocked before the server thread starts, so only sigwait below sees them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    try {
        quillmarsh::test::FakeAgent agent{std::string(argv[2])};
        agent.setHandler([folder](const quillmarsh::test::FakeAgent::Request& request)
                             -> std::optional<quillmarsh::test::FakeAgent::Reply> {
            std::string stem = fileStem(request.target);
            if (stem.empty() || stem.find("..") != std::string::npos) return std::nullopt;
            for (std::string name : {lowered(request.method) + "." + stem, stem}) {
                auto body = quillmarsh::FileIO::readFile(folder + "/" + name + ".json", maxAnswerBytes);
                if (!body) continue;
                int status = 200;
                if (auto code = quillmarsh::FileIO::readFile(folder + "/" + name + ".status", maxAnswerBytes))
                    status = statusCode(*code);
                auto reply = quillmarsh::test::FakeAgent::Reply::json(*body, status);
                return reply;
            }
            return std::nullopt;
        });
        // The line tells a waiting script that the socket is listening.
        std::cout << "fake-agent: serving " << folder << " on " << agent.socketPath() << std::endl;
        int received = 0;
        sigwait(&signals, &received);
        agent.stop();
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
