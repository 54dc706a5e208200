#pragma once

#include "Foundation/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace quillmarsh::test {

// A real HTTP/1.1 server on a Unix-domain socket, on its own thread, answering scripted routes
// one connection at a time. It records the bytes of every request it read.
//
// By default the socket is "agent.sock" in a fresh mkdtemp folder under /tmp (build folders can
// be too deep for the 103-byte socket path limit); the folder is removed on destruction.
class FakeAgent {
public:
    struct Reply {
        enum class Mode {
            whole,       // head and body in one write
            chunked,     // Transfer-Encoding: chunked, each piece in its own write
            silent,      // read the request, never answer; hold the connection until the client goes
            half,        // write the first half of the whole answer, then close
            endless,     // write a head without a length, then the body again and again until the
                         // client goes
            drip,        // write the whole answer one byte at a time, interval apart
        };
        Mode mode = Mode::whole;
        // After the answer, keep the connection open (reading and dropping what comes) until the
        // client goes, as an agent that ignores "Connection: close" would.
        bool hold = false;
        std::chrono::milliseconds interval{0};  // drip: the pause before each byte
        int status = 200;
        std::string reason = "OK";
        // Extra head lines; a whole reply also gets Content-Type, Content-Length and Connection.
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        std::vector<std::string> pieces;   // chunked: the data of each chunk
        // Exact bytes to send instead of a built answer, each element in its own write.
        std::optional<std::vector<std::string>> rawWrites;

        static Reply json(std::string body, int status = 200);
        static Reply text(int status, std::string body);
        static Reply error(int status, std::string code, std::string message,
                           std::optional<std::string> next = std::nullopt);
        static Reply chunked(std::vector<std::string> pieces, int status = 200);
        static Reply raw(std::vector<std::string> writes);
        static Reply silent();
        static Reply half(std::string body);
        // An answer that never ends; piece is what is written again and again.
        static Reply endless(std::string piece = std::string(65536, ' '));
        // The whole answer of json(body), a byte every interval.
        static Reply drip(std::string body, std::chrono::milliseconds interval);
        // The reply, its connection held open once it has been written.
        static Reply held(Reply reply);

        // The answer's bytes as a whole (for whole and half; chunked joins its writes).
        std::vector<std::string> writes() const;
    };

    struct Request {
        std::string bytes;   // everything read, head and body
        std::string method;
        std::string target;  // path with its query, as sent
        std::string body;
    };

    // Decides the reply for requests that no route names; none gives a plain-text 404.
    using Handler = std::function<std::optional<Reply>(const Request&)>;

    FakeAgent();
    explicit FakeAgent(std::string socketPath);
    ~FakeAgent();
    FakeAgent(const FakeAgent&) = delete;
    FakeAgent& operator=(const FakeAgent&) = delete;

    const std::string& socketPath() const { return socketPath_; }
    // The folder that holds the socket (the agent's home for the client).
    const std::string& home() const { return home_; }

    // Answers method + target (query included, matched exactly).
    void route(const std::string& method, const std::string& target, Reply reply);
    void setHandler(Handler handler);
    // Close every connection as soon as it is accepted, without reading.
    void setCloseOnAccept(bool close);

    std::vector<Request> requests() const;
    std::size_t connections() const { return connections_.load(); }

    // Stops the thread and removes the socket; the destructor does it too.
    void stop();

private:
    void start();
    void serve();
    void handle(int fd);
    std::optional<Request> readRequest(int fd);
    bool waitReadable(int fd);
    bool waitWritable(int fd);
    // Until fd has one of events (true) or the agent stops (false).
    bool waitFor(int fd, short events);
    // Sleeps for pause; false when the agent is stopping.
    bool pause(std::chrono::milliseconds pause);
    // Reads and drops until the client closes or the agent stops.
    void holdOpen(int fd);
    // Writes bytes without blocking the agent's stop; false when the client went or it stops.
    bool send(int fd, std::string_view bytes);
    Reply replyFor(const Request& request);

    std::string home_;
    std::string socketPath_;
    bool ownsHome_ = false;
    UniqueFd listener_;
    // A byte written here wakes the server thread to stop.
    UniqueFd wakeRead_;
    UniqueFd wakeWrite_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> closeOnAccept_{false};
    std::atomic<std::size_t> connections_{0};

    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, Reply> routes_;
    Handler handler_;
    std::vector<Request> requests_;
};

} // namespace quillmarsh::test
