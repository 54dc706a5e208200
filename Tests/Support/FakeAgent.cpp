#include "Support/FakeAgent.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillmarsh::test {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error("fake agent: " + what + ": " + std::strerror(errno));
}

std::string hex(std::size_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[value % 16]);
        value /= 16;
    } while (value);
    return out;
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string reasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 409: return "Conflict";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

} // namespace

FakeAgent::Reply FakeAgent::Reply::json(std::string body, int status) {
    Reply reply;
    reply.status = status;
    reply.reason = reasonPhrase(status);
    reply.body = std::move(body);
    return reply;
}

FakeAgent::Reply FakeAgent::Reply::text(int status, std::string body) {
    Reply reply = json(std::move(body), status);
    reply.headers.emplace_back("Content-Type", "text/plain");
    return reply;
}

FakeAgent::Reply FakeAgent::Reply::error(int status, std::string code, std::string message,
                                         std::optional<std::string> next) {
    auto quoted = [](const std::string& text) {
        std::string out = "\"";
        for (char c : text) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        return out + "\"";
    };
    std::string body = "{\"error\":{\"code\":" + quoted(code) + ",\"message\":" + quoted(message);
    if (next) body += ",\"next\":" + quoted(*next);
    body += "}}";
    return json(std::move(body), status);
}

FakeAgent::Reply FakeAgent::Reply::chunked(std::vector<std::string> pieces, int status) {
    Reply reply = json({}, status);
    reply.mode = Mode::chunked;
    reply.pieces = std::move(pieces);
    return reply;
}

FakeAgent::Reply FakeAgent::Reply::raw(std::vector<std::string> writes) {
    Reply reply;
    reply.rawWrites = std::move(writes);
    return reply;
}

FakeAgent::Reply FakeAgent::Reply::silent() {
    Reply reply;
    reply.mode = Mode::silent;
    return reply;
}

FakeAgent::Reply FakeAgent::Reply::half(std::string body) {
    Reply reply = json(std::move(body));
    reply.mode = Mode::half;
    return reply;
}

FakeAgent::Reply FakeAgent::Reply::endless(std::string piece) {
    // An empty piece would never fill anything.
    Reply reply = json(piece.empty() ? std::string(65536, ' ') : std::move(piece));
    reply.mode = Mode::endless;
    return reply;
}

FakeAgent::Reply FakeAgent::Reply::drip(std::string body, std::chrono::milliseconds interval) {
    Reply reply = json(std::move(body));
    reply.mode = Mode::drip;
    reply.interval = interval;
    return reply;
}

FakeAgent::Reply FakeAgent::Reply::held(Reply reply) {
    reply.hold = true;
    return reply;
}

std::vector<std::string> FakeAgent::Reply::writes() const {
    if (rawWrites) return *rawWrites;
    if (mode == Mode::silent) return {};
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
    bool hasType = false;
    for (const auto& [name, value] : headers) {
        if (lowered(name) == "content-type") hasType = true;
        head += name + ": " + value + "\r\n";
    }
    if (!hasType) head += "Content-Type: application/json\r\n";
    head += "Connection: close\r\n";
    if (mode == Mode::endless) return {head + "\r\n"};
    if (mode == Mode::chunked) {
        head += "Transfer-Encoding: chunked\r\n\r\n";
        std::vector<std::string> out{head};
        for (const auto& piece : pieces) out.push_back(hex(piece.size()) + "\r\n" + piece + "\r\n");
        out.push_back("0\r\n\r\n");
        return out;
    }
    head += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    std::string whole = head + body;
    if (mode == Mode::half) return {whole.substr(0, whole.size() / 2)};
    return {whole};
}

FakeAgent::FakeAgent() {
    char folder[] = "/tmp/qm-XXXXXX";
    if (!::mkdtemp(folder)) fail("mkdtemp");
    home_ = folder;
    ownsHome_ = true;
    socketPath_ = home_ + "/agent.sock";
    start();
}

FakeAgent::FakeAgent(std::string socketPath) : socketPath_(std::move(socketPath)) {
    auto slash = socketPath_.rfind('/');
    home_ = slash == std::string::npos ? "." : socketPath_.substr(0, slash);
    start();
}

FakeAgent::~FakeAgent() { stop(); }

void FakeAgent::start() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        fail("socket path " + socketPath_);
    }
    std::memcpy(address.sun_path, socketPath_.data(), socketPath_.size());
    ::unlink(socketPath_.c_str());
    listener_.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener_) fail("socket");
    if (::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) fail("bind");
    if (::listen(listener_.get(), 64) != 0) fail("listen");
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) fail("pipe");
    wakeRead_.reset(wake[0]);
    wakeWrite_.reset(wake[1]);
    thread_ = std::thread([this] { serve(); });
}

void FakeAgent::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    char byte = 1;
    (void)!::write(wakeWrite_.get(), &byte, 1);
    thread_.join();
    // Closed before the socket file goes, so no client connects in between.
    listener_.reset();
    wakeRead_.reset();
    wakeWrite_.reset();
    ::unlink(socketPath_.c_str());
    if (ownsHome_) ::rmdir(home_.c_str());
}

void FakeAgent::route(const std::string& method, const std::string& target, Reply reply) {
    std::lock_guard lock(mutex_);
    routes_[{method, target}] = std::move(reply);
}

void FakeAgent::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void FakeAgent::setCloseOnAccept(bool close) { closeOnAccept_ = close; }

std::vector<FakeAgent::Request> FakeAgent::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool FakeAgent::waitReadable(int fd) { return waitFor(fd, POLLIN); }

bool FakeAgent::waitWritable(int fd) { return waitFor(fd, POLLOUT); }

bool FakeAgent::waitFor(int fd, short events) {
    pollfd entries[2] = {{fd, events, 0}, {wakeRead_.get(), POLLIN, 0}};
    for (;;) {
        int ready = ::poll(entries, 2, -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || entries[1].revents) return false;
        return entries[0].revents != 0;
    }
}

bool FakeAgent::pause(std::chrono::milliseconds pause) {
    pollfd entry{wakeRead_.get(), POLLIN, 0};
    const auto end = std::chrono::steady_clock::now() + pause;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready != 0) return false;
    }
}

void FakeAgent::holdOpen(int fd) {
    char sink[4096];
    while (waitReadable(fd)) {
        ssize_t n = ::recv(fd, sink, sizeof sink, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
    }
}

bool FakeAgent::send(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        if (!waitWritable(fd)) return false;
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void FakeAgent::serve() {
    while (!stopping_) {
        if (!waitReadable(listener_.get())) break;
        const UniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!connection) continue;
        ++connections_;
        if (!closeOnAccept_) handle(connection.get());
    }
}

std::optional<FakeAgent::Request> FakeAgent::readRequest(int fd) {
    Request request;
    char buffer[16384];
    std::size_t headEnd = std::string::npos;
    std::size_t need = 0;
    for (;;) {
        if (headEnd != std::string::npos && request.bytes.size() >= need) break;
        if (!waitReadable(fd)) return std::nullopt;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        request.bytes.append(buffer, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos) {
            headEnd = request.bytes.find("\r\n\r\n");
            if (headEnd == std::string::npos) continue;
            std::size_t length = 0;
            std::string head = lowered(request.bytes.substr(0, headEnd));
            auto at = head.find("\r\ncontent-length:");
            if (at != std::string::npos) length = std::strtoull(head.c_str() + at + 17, nullptr, 10);
            need = headEnd + 4 + length;
        }
    }
    if (headEnd == std::string::npos) {
        if (request.bytes.empty()) return std::nullopt;
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        return std::nullopt;
    }
    std::string line = request.bytes.substr(0, request.bytes.find("\r\n"));
    auto first = line.find(' ');
    auto second = line.find(' ', first == std::string::npos ? first : first + 1);
    if (first != std::string::npos) {
        request.method = line.substr(0, first);
        request.target = line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    }
    request.body = request.bytes.substr(headEnd + 4);
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    return request;
}

FakeAgent::Reply FakeAgent::replyFor(const Request& request) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        auto found = routes_.find({request.method, request.target});
        if (found != routes_.end()) return found->second;
        handler = handler_;
    }
    if (handler)
        if (auto reply = handler(request)) return *reply;
    return Reply::text(404, "404 page not found\n");
}

void FakeAgent::handle(int fd) {
    std::optional<Request> request = readRequest(fd);
    if (!request) return;
    Reply reply = replyFor(*request);
    if (reply.mode == Reply::Mode::silent) {
        // Hold the connection until the client gives up and closes it, or the agent stops.
        holdOpen(fd);
        return;
    }
    auto writes = reply.writes();
    if (reply.mode == Reply::Mode::endless) {
        if (!send(fd, writes.front())) return;
        while (send(fd, reply.body)) {
        }
        return;
    }
    if (reply.mode == Reply::Mode::drip) {
        for (const auto& write : writes)
            for (char byte : write)
                if (!pause(reply.interval) || !send(fd, std::string_view(&byte, 1))) return;
    } else {
        for (std::size_t i = 0; i < writes.size(); ++i) {
            // Separate writes reach the client as separate reads.
            if (i > 0) ::usleep(1000);
            if (!send(fd, writes[i])) return;
        }
    }
    if (reply.hold) holdOpen(fd);
}

} // namespace quillmarsh::test
