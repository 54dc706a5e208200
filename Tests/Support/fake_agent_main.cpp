// fake-agent: serves the JSON files of a folder over the agent's socket protocol, for demos and
// for tests that run the app as a process.
//
//   fake-agent [--recorded-at TIME] FOLDER SOCKET-PATH
//
// A request's path (query dropped) names its file: the path's parts joined with "." and ".json",
// so GET /status reads status.json, GET /image/checks image.checks.json and GET /jobs/7/log?since=3
// jobs.7.log.json. A file named after the lower-case method first ("post.mode.json",
// "get.update.json") wins over the plain one. A file NAME.status next to NAME.json holds the
// answer's status code (200 without one). A path without a file gets a plain-text 404.
// Runs until SIGTERM or SIGINT, then removes the socket.
//
// With --recorded-at (an RFC 3339 time) the answers read as if they were recorded just now: every
// date-time text in a JSON answer is moved by the whole seconds since TIME, so the sample's fixed
// dates (a step's start, a finished job, a heartbeat) keep their distance to the present, as its
// counts of seconds (a running job's elapsed time) do.
#include "Foundation/FileIO.h"
#include "Foundation/IntegerText.h"
#include "Foundation/Text.h"
#include "Support/FakeAgent.h"
#include "Time/RFC3339.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <climits>
#include <cmath>
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

// Every string of the answer that is an RFC 3339 time, moved by seconds; an answer that is not
// JSON is served unchanged.
std::string movingDates(const std::string& body, double seconds) {
    auto json = nlohmann::json::parse(body, nullptr, false);
    if (json.is_discarded()) return body;
    const auto move = [seconds](auto& self, nlohmann::json& value) -> void {
        if (value.is_string()) {
            if (auto date = quillmarsh::RFC3339::parse(value.get_ref<const std::string&>()))
                value = quillmarsh::RFC3339::format(date->adding(seconds));
        } else if (value.is_structured()) {
            for (auto& item : value) self(self, item);
        }
    };
    move(move, json);
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

quillmarsh::Date now() {
    using namespace std::chrono;
    return quillmarsh::Date::fromMilliseconds(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

} // namespace

int main(int argc, char** argv) {
    std::optional<quillmarsh::Date> recordedAt;
    if (argc == 5 && std::string(argv[1]) == "--recorded-at") {
        recordedAt = quillmarsh::RFC3339::parse(argv[2]);
        if (!recordedAt) {
            std::cerr << "fake-agent: --recorded-at needs an RFC 3339 time, not " << argv[2] << "\n";
            return 2;
        }
        argv += 2;
        argc -= 2;
    }
    if (argc != 3) {
        std::cerr << "usage: fake-agent [--recorded-at TIME] FOLDER SOCKET-PATH\n";
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
        agent.setHandler([folder, recordedAt](const quillmarsh::test::FakeAgent::Request& request)
                             -> std::optional<quillmarsh::test::FakeAgent::Reply> {
            std::string stem = fileStem(request.target);
            if (stem.empty() || stem.find("..") != std::string::npos) return std::nullopt;
            for (std::string name : {lowered(request.method) + "." + stem, stem}) {
                auto body = quillmarsh::FileIO::readFile(folder + "/" + name + ".json", maxAnswerBytes);
                if (!body) continue;
                if (recordedAt) body = movingDates(*body, std::floor(now().timeIntervalSince(*recordedAt)));
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
