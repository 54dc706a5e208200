#pragma once

#include "Agent/AgentError.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quillmarsh {

// The app's one link to the local agent: each call is one blocking HTTP/1.1 exchange over the
// agent's Unix-domain stream socket. A fresh connection per call, "Connection: close", the answer
// read to the end of the stream (its Content-Length is never trusted, but once the answer is
// complete by its own framing the client waits only lingerAfterComplete for the close), chunked
// answers undone, a non-success status turned into an AgentError, a success body decoded into the
// caller's record. No state is kept between calls. Every failure is an AgentError; nothing else
// escapes, except the serialiser's own error for a POST body that cannot be written as JSON.
//
// An agent that misbehaves costs bounded time and memory: every exchange ends within its
// deadline, an answer is at most maxAnswerBytes, its JSON at most maxAnswerValues values, and
// running out of memory over an answer is a badResponse like any other bad answer.
//
// Plain BSD sockets and std only: the fuzzers build this file without Qt.
class AgentClient {
public:
    // Bytes on the wire; std::string is used as a byte buffer.
    using Bytes = std::string;

    // Each send and each receive waits at most this long.
    static constexpr std::chrono::milliseconds defaultTimeout{60'000};
    // A whole exchange, from the connect to the last byte read, takes at most this long.
    static constexpr std::chrono::milliseconds defaultDeadline{120'000};
    // How long an answer complete by its own framing waits for the close or more bytes.
    static constexpr std::chrono::milliseconds lingerAfterComplete{250};
    // The longest answer, head included, that is read; a longer one is a badResponse.
    static constexpr std::size_t maxAnswerBytes = std::size_t{64} << 20;
    // The most JSON values (JsonText's count) an answer's body may build.
    static constexpr std::size_t maxAnswerValues = 1'000'000;
    // The longest socket path, in bytes, that the client connects to.
    static constexpr std::size_t maxPathBytes = 103;

    explicit AgentClient(std::string socketPath, std::chrono::milliseconds timeout = defaultTimeout,
                         std::chrono::milliseconds deadline = defaultDeadline);

    // $QUILLMARSH_HOME + "/agent.sock" when that variable is set and not empty, else
    // $HOME + "/.quillmarsh/agent.sock"; when HOME is unset or empty, the account's home from the
    // password database takes its place (and the empty text when there is none). Read at each
    // call; no slash is added or removed.
    static std::string defaultSocketPath();

    const std::string& socketPath() const { return socketPath_; }
    std::chrono::milliseconds timeout() const { return timeout_; }
    std::chrono::milliseconds deadline() const { return deadline_; }

    // GET path, then parse(), then decode with decode(const nlohmann::json&), which throws
    // (DecodeError or anything else) when the value is not the record; that becomes badResponse.
    template <class Decode>
    auto get(std::string_view path, Decode&& decode) const {
        return decodeBody(parse(raw("GET", path, std::nullopt)), std::forward<Decode>(decode));
    }

    // The same for a record with a static Record::decode(const nlohmann::json&).
    template <class Record>
    Record get(std::string_view path) const {
        return get(path, [](const nlohmann::json& value) { return Record::decode(value); });
    }

    // POST path with body, a JSON object, written compactly. A body that cannot be serialised
    // (invalid UTF-8 in a text, a number that is not finite) throws the serialiser's error and
    // sends nothing.
    template <class Decode>
    auto post(std::string_view path, const nlohmann::json& body, Decode&& decode) const {
        Bytes bytes = serialise(body);
        return decodeBody(parse(raw("POST", path, std::move(bytes))), std::forward<Decode>(decode));
    }

    template <class Record>
    Record post(std::string_view path, const nlohmann::json& body) const {
        return post(path, body, [](const nlohmann::json& value) { return Record::decode(value); });
    }

    // One exchange; returns every byte the agent sent, head included. A body, even an empty one,
    // adds the two body headers. A time-out or the deadline ends the answer quietly: the bytes read
    // so far are the answer. Throws AgentError::notRunning when no agent takes the whole request
    // (no socket, no connection, or the sending not done within a time-out or the deadline), and
    // AgentError::badResponse for an answer longer than maxAnswerBytes or no memory to hold it.
    Bytes raw(std::string_view method, std::string_view path, std::optional<Bytes> body) const;

    // The body of a success answer, de-chunked when the head says so. Throws AgentError
    // (badResponse, missingRoute or http); no memory to hold the body is a badResponse.
    static Bytes parse(std::string_view answer);
    // Chunked transfer coding undone; stops quietly at the first thing that is not a chunk.
    static Bytes dechunk(std::string_view body);
    // The status of a whole answer, or none when its first line has no decimal second word.
    static std::optional<std::int64_t> statusCode(std::string_view answer);

    // A body decoded as JSON and then by decode; any failure becomes badResponse.
    template <class Decode>
    static auto decodeBody(std::string_view body, Decode&& decode) {
        using Record = decltype(decode(std::declval<const nlohmann::json&>()));
        std::optional<Record> record;
        try {
            nlohmann::json value = parseJSON(body);
            record.emplace(decode(static_cast<const nlohmann::json&>(value)));
        } catch (const std::exception&) {
            throw AgentError::badResponse();
        }
        return std::move(*record);
    }

    // The compact JSON text of a request body.
    static Bytes serialise(const nlohmann::json& body);

    // Follows an answer's framing as its bytes arrive, to tell when the answer is complete by its
    // own account: the head has ended and either a Content-Length's count of body bytes has
    // arrived, or the chunked coding's last (zero-size) chunk line has, or the status is one
    // without a body (204, 304). An answer framed only by the close (no Content-Length, or one
    // that is not a single decimal count, or chunks that dechunk() would stop at) never is.
    class Framing {
    public:
        // answer: every byte read so far, the bytes of the previous call and maybe more. Each
        // call looks only at what it has not seen yet. Once true, true for good.
        bool complete(std::string_view answer);

    private:
        enum class Body { unknown, length, chunked, none, untilClose };
        Body body_ = Body::unknown;
        // Where the next search starts: the head end while unknown, the chunk line otherwise.
        std::size_t searched_ = 0;
        // length: the answer's whole size; chunked: where the next chunk line starts.
        std::size_t at_ = 0;
    };

private:
    Bytes exchange(std::string_view method, std::string_view path, const std::optional<Bytes>& body) const;
    static Bytes parseAnswer(std::string_view answer);
    static nlohmann::json parseJSON(std::string_view body);

    std::string socketPath_;
    std::chrono::milliseconds timeout_;
    std::chrono::milliseconds deadline_;
};

} // namespace quillmarsh
