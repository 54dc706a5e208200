#include "Support/HttpTestServer.h"

#include "Foundation/FileIO.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <cctype>
#include <stdexcept>
#include <string_view>

namespace quillmarsh::test {

HttpTestServer::Reply HttpTestServer::Reply::text(std::string body, int status) {
    Reply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

HttpTestServer::Reply HttpTestServer::Reply::stalled(std::string body, std::size_t after) {
    Reply reply;
    reply.body = std::move(body);
    reply.stall = true;
    reply.stallAfter = after;
    return reply;
}

HttpTestServer::Reply HttpTestServer::Reply::dripping(std::string body, std::chrono::milliseconds every,
                                                     std::size_t bytes) {
    Reply reply;
    reply.body = std::move(body);
    reply.dripEvery = every;
    reply.dripBytes = std::max<std::size_t>(1, bytes);
    return reply;
}

HttpTestServer::HttpTestServer() {
    listenFd_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listenFd_)
        throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listenFd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_.get(), 64) != 0)
        throw std::runtime_error("bind or listen failed");
    socklen_t length = sizeof address;
    ::getsockname(listenFd_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    wakeRead_.reset(pipeFds[0]);
    wakeWrite_.reset(pipeFds[1]);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
    (void)!::write(wakeWrite_.get(), "x", 1);
    acceptor_.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto& worker : workers)
        worker.join();
}

std::string HttpTestServer::baseURL() const { return "http://127.0.0.1:" + std::to_string(port_); }

void HttpTestServer::route(const std::string& target, Reply reply) {
    std::lock_guard lock(mutex_);
    routes_[target] = std::move(reply);
}

std::vector<HttpTestServer::Request> HttpTestServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::string> HttpTestServer::targets() const {
    std::vector<std::string> out;
    for (const auto& request : requests())
        out.push_back(request.target);
    return out;
}

void HttpTestServer::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_.get(), POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        UniqueFd connection(::accept4(listenFd_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!connection)
            continue;
        std::lock_guard lock(mutex_);
        workers_.emplace_back([this, connection = std::move(connection)]() mutable { serve(std::move(connection)); });
    }
}

bool HttpTestServer::waitUntil(int fd, std::chrono::steady_clock::time_point until) const {
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(std::min<std::int64_t>(left.count(), std::numeric_limits<int>::max()))) < 0)
            continue;
        if (fds[1].revents)
            return false;
        if (fds[0].revents && ::recv(fd, buffer, sizeof buffer, 0) <= 0)
            return false;
    }
}

void HttpTestServer::serve(UniqueFd connection) {
    const int fd = connection.get();
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 64 * 1024) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
        ::poll(fds, 2, -1);
        if (fds[1].revents)
            return;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    Request request;
    auto lineEnd = head.find("\r\n");
    std::string requestLine = head.substr(0, lineEnd);
    auto space1 = requestLine.find(' ');
    auto space2 = requestLine.find(' ', space1 + 1);
    request.method = requestLine.substr(0, space1);
    request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
    std::size_t at = lineEnd + 2;
    while (at < head.size()) {
        auto end = head.find("\r\n", at);
        if (end == std::string::npos || end == at)
            break;
        std::string line = head.substr(at, end - at);
        auto colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            request.headers[name] = value;
        }
        at = end + 2;
    }
    Reply reply;
    bool found = false;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        auto route = routes_.find(request.target);
        if (route != routes_.end()) {
            reply = route->second;
            found = true;
        }
    }
    if (!found)
        reply = Reply::text("not found\n", 404);
    std::string answer = "HTTP/1.1 " + std::to_string(reply.status) + (reply.status < 300 ? " OK" : " Error") + "\r\n";
    for (const auto& [name, value] : reply.headers)
        answer += name + ": " + value + "\r\n";
    answer += "Content-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    if (reply.stall) {
        FileIO::sendAll(fd, answer + reply.body.substr(0, reply.stallAfter));
        // Hold the connection, silent, until the client gives up or the server ends.
        (void)waitUntil(fd, std::chrono::steady_clock::time_point::max());
    } else if (reply.dripEvery.count() > 0) {
        // Never quiet for long, never quick: each piece after its interval, until the client or
        // the server gives up.
        bool connected = FileIO::sendAll(fd, answer);
        auto next = std::chrono::steady_clock::now();
        for (std::size_t sent = 0; connected && sent < reply.body.size(); sent += reply.dripBytes) {
            next += reply.dripEvery;
            connected = waitUntil(fd, next) && FileIO::sendAll(fd, std::string_view(reply.body).substr(sent, reply.dripBytes));
        }
    } else {
        FileIO::sendAll(fd, answer + reply.body);
    }
    // The answer is ended before the descriptor goes (with the connection, on return).
    ::shutdown(fd, SHUT_WR);
}

} // namespace quillmarsh::test
