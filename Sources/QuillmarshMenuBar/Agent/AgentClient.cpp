#include "Agent/AgentClient.h"

#include "Foundation/FileIO.h"
#include "Foundation/IntegerText.h"
#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"
#include "Foundation/Text.h"
#include "Foundation/UniqueFd.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
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

// The agent's error body {"error": {"code", "message", "next"?}}; none when the body is not one.
std::optional<AgentError> errorEnvelope(std::int64_t status, std::string_view body) {
    try {
        nlohmann::json value = JsonText::parse(body);
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

bool waitConnected(int fd, std::chrono::milliseconds timeout) {
    pollfd entry{fd, POLLOUT, 0};
    const int ms = static_cast<int>(std::min<std::int64_t>(timeout.count(), std::numeric_limits<int>::max()));
    for (;;) {
        int ready = ::poll(&entry, 1, ms);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return false;
        return error == 0;
    }
}

} // namespace

AgentClient::AgentClient(std::string socketPath, std::chrono::milliseconds timeout)
    : socketPath_(std::move(socketPath)), timeout_(timeout) {}

std::string AgentClient::defaultSocketPath() {
    const char* home = std::getenv("QUILLMARSH_HOME");
    if (home && *home) return std::string(home) + "/agent.sock";
    const char* user = std::getenv("HOME");
    return std::string(user ? user : "") + "/.quillmarsh" + "/agent.sock";
}

AgentClient::Bytes AgentClient::raw(std::string_view method, std::string_view path,
                                    std::optional<Bytes> body) const {
    if (!FileIO::exists(socketPath_)) throw AgentError::notRunning();

    // Closed on every way out.
    const UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket) throw AgentError::notRunning();

    timeval limit{};
    limit.tv_sec = static_cast<time_t>(timeout_.count() / 1000);
    limit.tv_usec = static_cast<suseconds_t>((timeout_.count() % 1000) * 1000);
    (void)::setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    (void)::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    static_assert(sizeof address.sun_path > maxPathBytes);
    if (socketPath_.size() > maxPathBytes) throw AgentError::notRunning();
    std::memcpy(address.sun_path, socketPath_.data(), socketPath_.size());
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // An interrupted connect goes on in the background; wait for its outcome.
        if (errno != EINTR || !waitConnected(socket.get(), timeout_)) throw AgentError::notRunning();
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

    // A peer that has gone away fails the send instead of raising SIGPIPE.
    if (!FileIO::sendAll(socket.get(), request)) throw AgentError::notRunning();

    // Read until the agent closes. A read error or time-out ends the answer quietly.
    Bytes answer;
    // One buffer per exchange, reused for every read; never zero-filled.
    auto buffer = std::make_unique_for_overwrite<char[]>(kReadBuffer);
    for (;;) {
        ssize_t n = ::recv(socket.get(), buffer.get(), kReadBuffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        answer.append(buffer.get(), static_cast<std::size_t>(n));
    }
    return answer;
}

AgentClient::Bytes AgentClient::parse(std::string_view answer) {
    std::size_t headEnd = answer.find(kHeadEnd);
    if (headEnd == std::string_view::npos) throw AgentError::badResponse();
    std::string_view head = answer.substr(0, headEnd);
    std::string_view rawBody = answer.substr(headEnd + kHeadEnd.size());

    std::size_t firstEnd = head.find(kLineEnd);
    std::string_view firstLine = head.substr(0, firstEnd);
    std::optional<std::int64_t> status = statusOfLine(firstLine);
    if (!status) throw AgentError::badResponse();

    bool chunked = false;
    std::size_t at = firstEnd == std::string_view::npos ? head.size() : firstEnd + kLineEnd.size();
    while (at < head.size()) {
        std::size_t end = head.find(kLineEnd, at);
        if (end == std::string_view::npos) end = head.size();
        std::string line = Text::lowercasedASCII(head.substr(at, end - at));
        if (line.starts_with("transfer-encoding:")) chunked = line.find("chunked") != std::string::npos;
        at = end + kLineEnd.size();
    }

    Bytes body = chunked ? dechunk(rawBody) : Bytes(rawBody);
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
        auto parts = pieces(rest.substr(0, lineEnd), ';');
        std::string_view size = parts.empty() ? std::string_view{} : parts.front();
        while (!size.empty() && (size.front() == ' ' || size.front() == '\t')) size.remove_prefix(1);
        while (!size.empty() && (size.back() == ' ' || size.back() == '\t')) size.remove_suffix(1);
        if (size.empty()) break;
        std::optional<std::int64_t> length = IntegerText::parse(size, 16);
        // Zero is the last chunk; a negative size is never used as a length.
        if (!length || *length <= 0) break;
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

nlohmann::json AgentClient::parseJSON(std::string_view body) { return JsonText::parse(body); }

} // namespace quillmarsh
