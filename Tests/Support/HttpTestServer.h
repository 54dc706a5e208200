#pragma once

#include "Foundation/UniqueFd.h"

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quillmarsh::test {

// A real HTTP/1.1 server on 127.0.0.1 with a port the system picks, on its own thread. It answers
// GET requests from a table of routes (unknown paths get 404) and keeps every request it read.
// Each connection is served on its own thread and closed after one answer.
class HttpTestServer {
public:
    struct Reply {
        int status = 200;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
        // Send the head and this many body bytes, then go quiet without closing (0: send all).
        std::size_t stallAfter = 0;
        bool stall = false;
        // Send the head, then dripBytes body bytes every dripEvery (0: send all at once).
        std::chrono::milliseconds dripEvery{0};
        std::size_t dripBytes = 1;

        static Reply text(std::string body, int status = 200);
        static Reply stalled(std::string body, std::size_t after);
        static Reply dripping(std::string body, std::chrono::milliseconds every, std::size_t bytes = 1);
    };

    struct Request {
        std::string method;
        std::string target;
        std::map<std::string, std::string> headers;  // names in lower case
    };

    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT"
    std::string baseURL() const;

    void route(const std::string& target, Reply reply);
    std::vector<Request> requests() const;
    std::vector<std::string> targets() const;

private:
    void acceptLoop();
    void serve(UniqueFd connection);
    // Waits on a connection that should stay silent until `until`; false when the server is
    // ending or the client has closed.
    bool waitUntil(int fd, std::chrono::steady_clock::time_point until) const;

    // Closed when the server goes, after every thread has been joined.
    UniqueFd listenFd_;
    // A byte written here wakes the acceptor and every worker to end.
    UniqueFd wakeRead_;
    UniqueFd wakeWrite_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, Reply> routes_;
    std::vector<Request> requests_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

} // namespace quillmarsh::test
