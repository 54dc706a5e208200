#include "Agent/AgentClient.h"

#include "Foundation/FileIO.h"
#include "Foundation/HomeFolder.h"
#include "Foundation/IntegerText.h"
#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"
#include "Foundation/Text.h"
#include "Foundation/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>

namespace quillmarsh {

namespace {

constexpr std::string_view kHeadEnd = "\r\n\r\n";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kReadBuffer = 65536;

using Clock = std::chrono::steady_clock;

// Text pieces between separators, empty pieces dropped.
std::vector<std::string_view> pieces(std::string_view text, char separator) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::optional<std::int64_t> statusOfLine(std::string_view line) {
    auto words = pieces(line, ' ');
    if (words.size() < 2) return std::nullopt;
    return IntegerText::parse(words[1]);
}

std::string_view trimmedBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The head's lines after the status line, each given to line() lower-cased.
template <class Line>
void eachHeaderLine(std::string_view head, Line line) {
    std::size_t firstEnd = head.find(kLineEnd);
    std::size_t at = firstEnd == std::string_view::npos ? head.size() : firstEnd + kLineEnd.size();
    while (at < head.size()) {
        std::size_t end = head.find(kLineEnd, at);
        if (end == std::string_view::npos) end = head.size();
        line(Text::lowercasedASCII(head.substr(at, end - at)));
        at = end + kLineEnd.size();
    }
}

// Whether the body is chunked: the last Transfer-Encoding line decides.
bool isChunked(std::string_view head) {
    bool chunked = false;
    eachHeaderLine(head, [&](const std::string& line) {
        if (line.starts_with("transfer-encoding:")) chunked = line.find("chunked") != std::string::npos;
    });
    return chunked;
}

// The length of the chunk whose size line (without its line end) is given; none for a line
// that is not a chunk's. Zero is the last chunk; a negative size is never a length.
std::optional<std::int64_t> chunkSize(std::string_view line) {
    auto parts = pieces(line, ';');
    std::string_view size = trimmedBlanks(parts.empty() ? std::string_view{} : parts.front());
    if (size.empty()) return std::nullopt;
    std::optional<std::int64_t> length = IntegerText::parse(size, 16);
    if (!length || *length < 0) return std::nullopt;
    return length;
}

// The body length the head gives: one Content-Length of decimal digits (repeated lines must
// agree); none otherwise.
std::optional<std::uint64_t> contentLength(std::string_view head) {
    std::optional<std::uint64_t> length;
    bool valid = true;
    eachHeaderLine(head, [&](const std::string& line) {
        if (!line.starts_with("content-length:")) return;
        std::string_view value = trimmedBlanks(std::string_view(line).substr(15));
        std::uint64_t count = 0;
        bool digits = !value.empty() && value.size() <= 18;
        for (char c : value) {
            if (c < '0' || c > '9') digits = false;
            else count = count * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (!digits || (length && *length != count)) valid = false;
        length = count;
    });
    return valid ? length : std::nullopt;
}

// Running out of memory over the agent's answer is a bad answer: it ends the call, not the app.
template <class Step>
auto allocationAsBadResponse(Step step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        throw AgentError::badResponse();
    }
}

// Milliseconds for poll() until the earliest of the limits; 0 once the first has passed.
int millisecondsUntil(Clock::time_point limit) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(limit - Clock::now()).count();
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, std::numeric_limits<int>::max()));
}

// poll() for one socket: true when it is ready (or failed; the next call says which), false at
// the limit. An interrupted wait goes on for the time left.
bool waitReady(int fd, short events, Clock::time_point limit) {
    for (;;) {
        const int ms = millisecondsUntil(limit);
        if (ms == 0) return false;
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, ms);
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0;
    }
}

// Sends every byte, each wait for room at most timeout and all of it before end.
bool sendWithin(int fd, std::string_view bytes, std::chrono::milliseconds timeout, Clock::time_point end) {
    while (!bytes.empty()) {
        // A peer that has gone away fails the send instead of raising SIGPIPE.
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitReady(fd, POLLOUT, std::min(end, Clock::now() + timeout))) return false;
            continue;
        }
        return false;
    }
    return true;
}

// The agent's error body {"error": {"code", "message", "next"?}}; none when the body is not one.
std::optional<AgentError> errorEnvelope(std::int64_t status, std::string_view body) {
    try {
        nlohmann::json value = JsonText::parse(body, AgentClient::maxAnswerValues);
        JsonObject envelope(value, "error body");
        return envelope.object("error", [&](const nlohmann::json& inner) {
            JsonObject err(inner, "error");
            (void)err.string("code");
            std::string message = err.string("message");
            return AgentError::http(status, std::move(message), err.optionalString("next"));
        });
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Refuses what the JSON writer would silently turn into null.
void checkFinite(const nlohmann::json& value) {
    if (value.is_number_float() && !std::isfinite(value.get<double>()))
        throw std::invalid_argument("a request body holds a number that is not finite");
    if (value.is_structured())
        for (const auto& element : value) checkFinite(element);
}

bool waitConnected(int fd, Clock::time_point limit) {
    if (!waitReady(fd, POLLOUT, limit)) return false;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return false;
    return error == 0;
}

} // namespace

AgentClient::AgentClient(std::string socketPath, std::chrono::milliseconds timeout,
                         std::chrono::milliseconds deadline)
    : socketPath_(std::move(socketPath)), timeout_(timeout), deadline_(deadline) {}

std::string AgentClient::defaultSocketPath() {
    const char* home = std::getenv("QUILLMARSH_HOME");
    if (home && *home) return std::string(home) + "/agent.sock";
    return HomeFolder::path() + "/.quillmarsh" + "/agent.sock";
}

AgentClient::Bytes AgentClient::raw(std::string_view method, std::string_view path,
                                    std::optional<Bytes> body) const {
    return allocationAsBadResponse([&] { return exchange(method, path, body); });
}

AgentClient::Bytes AgentClient::exchange(std::string_view method, std::string_view path,
                                         const std::optional<Bytes>& body) const {
    const Clock::time_point end = Clock::now() + deadline_;
    if (!FileIO::exists(socketPath_)) throw AgentError::notRunning();

    // Closed on every way out.
    const UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket) throw AgentError::notRunning();

    // A blocking connect waits for room in the agent's backlog at most this long; sends and
    // receives wait in poll() below.
    const std::chrono::milliseconds first = std::min(timeout_, deadline_);
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(first.count() / 1000);
    limit.tv_usec = static_cast<suseconds_t>((first.count() % 1000) * 1000);
    (void)::setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    (void)::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    static_assert(sizeof address.sun_path > maxPathBytes);
    if (socketPath_.size() > maxPathBytes) throw AgentError::notRunning();
    std::memcpy(address.sun_path, socketPath_.data(), socketPath_.size());
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // An interrupted connect goes on in the background; wait for its outcome.
        if (errno != EINTR || !waitConnected(socket.get(), std::min(end, Clock::now() + timeout_)))
            throw AgentError::notRunning();
    }

    std::string request;
    request.reserve(160 + path.size() + (body ? body->size() : 0));
    request.append(method).append(" ").append(path).append(" HTTP/1.1\r\n");
    request.append("Host: agent\r\nAccept: application/json\r\nConnection: close\r\n");
    if (body) {
        request.append("Content-Type: application/json\r\nContent-Length: ");
        request.append(std::to_string(body->size())).append("\r\n");
    }
    request.append("\r\n");
    if (body) request.append(*body);

    if (!sendWithin(socket.get(), request, timeout_, end)) throw AgentError::notRunning();

    // Read until the agent closes, or lingerAfterComplete after the answer is complete by its
    // framing. A read error, a time-out or the deadline ends the answer quietly.
    Bytes answer;
    Framing framing;
    std::optional<Clock::time_point> lingerEnd;
    // One buffer per exchange, reused for every read; never zero-filled.
    auto buffer = std::make_unique_for_overwrite<char[]>(kReadBuffer);
    for (;;) {
        Clock::time_point until = std::min(end, Clock::now() + timeout_);
        if (lingerEnd) until = std::min(until, *lingerEnd);
        if (!waitReady(socket.get(), POLLIN, until)) break;
        ssize_t n = ::recv(socket.get(), buffer.get(), kReadBuffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) break;
        // The answer so far stays whole; the socket closes as the error leaves.
        if (static_cast<std::size_t>(n) > maxAnswerBytes - answer.size()) throw AgentError::badResponse();
        answer.append(buffer.get(), static_cast<std::size_t>(n));
        if (!lingerEnd && framing.complete(answer)) lingerEnd = Clock::now() + lingerAfterComplete;
    }
    return answer;
}

AgentClient::Bytes AgentClient::parse(std::string_view answer) {
    return allocationAsBadResponse([&] { return parseAnswer(answer); });
}

AgentClient::Bytes AgentClient::parseAnswer(std::string_view answer) {
    std::size_t headEnd = answer.find(kHeadEnd);
    if (headEnd == std::string_view::npos) throw AgentError::badResponse();
    std::string_view head = answer.substr(0, headEnd);
    std::string_view rawBody = answer.substr(headEnd + kHeadEnd.size());

    std::size_t firstEnd = head.find(kLineEnd);
    std::string_view firstLine = head.substr(0, firstEnd);
    std::optional<std::int64_t> status = statusOfLine(firstLine);
    if (!status) throw AgentError::badResponse();

    Bytes body = isChunked(head) ? dechunk(rawBody) : Bytes(rawBody);
    if (*status >= 200 && *status <= 299) return body;
    if (auto error = errorEnvelope(*status, body)) throw *error;
    if (*status == 404) throw AgentError::missingRoute();
    throw AgentError::http(*status, "The Quillmarsh agent answered " + std::to_string(*status) + ".");
}

AgentClient::Bytes AgentClient::dechunk(std::string_view rest) {
    Bytes out;
    for (;;) {
        std::size_t lineEnd = rest.find(kLineEnd);
        if (lineEnd == std::string_view::npos) break;
        std::optional<std::int64_t> length = chunkSize(rest.substr(0, lineEnd));
        if (!length || *length == 0) break;
        rest.remove_prefix(lineEnd + kLineEnd.size());
        std::size_t take = static_cast<std::uint64_t>(*length) < rest.size()
                               ? static_cast<std::size_t>(*length)
                               : rest.size();
        out.append(rest.substr(0, take));
        rest.remove_prefix(take);
        if (rest.size() < 2) break;
        rest.remove_prefix(2);
    }
    return out;
}

std::optional<std::int64_t> AgentClient::statusCode(std::string_view answer) {
    std::size_t end = answer.find(kLineEnd);
    if (end == std::string_view::npos) return std::nullopt;
    return statusOfLine(answer.substr(0, end));
}

AgentClient::Bytes AgentClient::serialise(const nlohmann::json& body) {
    if (!body.is_object()) throw std::invalid_argument("a request body is a JSON object");
    checkFinite(body);
    return body.dump();
}

nlohmann::json AgentClient::parseJSON(std::string_view body) { return JsonText::parse(body, maxAnswerValues); }

bool AgentClient::Framing::complete(std::string_view answer) {
    if (body_ == Body::unknown) {
        // The head end may straddle the bytes seen before and the new ones.
        const std::size_t from = searched_ >= kHeadEnd.size() ? searched_ - (kHeadEnd.size() - 1) : 0;
        const std::size_t headEnd = answer.find(kHeadEnd, from);
        if (headEnd == std::string_view::npos) {
            searched_ = answer.size();
            return false;
        }
        const std::string_view head = answer.substr(0, headEnd);
        const std::size_t bodyStart = headEnd + kHeadEnd.size();
        const std::optional<std::int64_t> status = statusOfLine(head.substr(0, head.find(kLineEnd)));
        if (status == 204 || status == 304) {
            body_ = Body::none;
        } else if (isChunked(head)) {
            body_ = Body::chunked;
            at_ = searched_ = bodyStart;
        } else if (auto length = contentLength(head); length && *length <= maxAnswerBytes) {
            body_ = Body::length;
            at_ = bodyStart + static_cast<std::size_t>(*length);
        } else {
            body_ = Body::untilClose;
        }
    }
    switch (body_) {
    case Body::none: return true;
    case Body::length: return answer.size() >= at_;
    case Body::chunked: break;
    case Body::unknown:
    case Body::untilClose: return false;
    }
    // Each chunk: its size line, its data and two closing bytes, as dechunk() reads them.
    for (;;) {
        if (at_ >= answer.size()) return false;
        const std::size_t lineEnd = answer.find(kLineEnd, std::max(at_, searched_));
        if (lineEnd == std::string_view::npos) {
            // A line end may straddle the bytes seen and the next ones.
            searched_ = answer.size() - 1;
            return false;
        }
        const std::optional<std::int64_t> length = chunkSize(answer.substr(at_, lineEnd - at_));
        if (!length || static_cast<std::uint64_t>(*length) > maxAnswerBytes) {
            body_ = Body::untilClose;
            return false;
        }
        if (*length == 0) {
            body_ = Body::none;
            return true;
        }
        at_ = lineEnd + kLineEnd.size() + static_cast<std::size_t>(*length) + kLineEnd.size();
        searched_ = at_;
    }
}

} // namespace quillmarsh
