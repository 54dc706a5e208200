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
// read to the end of the stream (its Content-Length is never trusted), chunked answers undone, a
// non-success status turned into an AgentError, a success body decoded into the caller's record.
// No state is kept between calls. Every failure is an AgentError; nothing else escapes, except
// the serialiser's own error for a POST body that cannot be written as JSON.
//
// Plain BSD sockets and std only: the fuzzers build this file without Qt.
class AgentClient {
public:
    // Bytes on the wire; std::string is used as a byte buffer.
    using Bytes = std::string;

    // Each send and each receive waits at most this long.
    static constexpr std::chrono::milliseconds defaultTimeout{60'000};
    // The longest socket path, in bytes, that the client connects to.
    static constexpr std::size_t maxPathBytes = 103;

    explicit AgentClient(std::string socketPath, std::chrono::milliseconds timeout = defaultTimeout);

    // $QUILLMARSH_HOME + "/agent.sock" when that variable is set and not empty, else
    // $HOME + "/.quillmarsh/agent.sock". Read at each call; no slash is added or removed.
    static std::string defaultSocketPath();

    const std::string& socketPath() const { return socketPath_; }
    std::chrono::milliseconds timeout() const { return timeout_; }

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
    // adds the two body headers. Throws only AgentError::notRunning.
    Bytes raw(std::string_view method, std::string_view path, std::optional<Bytes> body) const;

    // The body of a success answer, de-chunked when the head says so. Throws AgentError
    // (badResponse, missingRoute or http).
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

private:
    static nlohmann::json parseJSON(std::string_view body);

    std::string socketPath_;
    std::chrono::milliseconds timeout_;
};

} // namespace quillmarsh
