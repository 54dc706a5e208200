#pragma once

#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quillmarsh {

// A transport failure of an HTTP request (no connection, time-out, body over its cap, …);
// what() is the description shown to the user.
class HttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Blocking HTTP(S) GET over libcurl, for background threads (never the main thread).
// http and https only, redirects followed (at most 5, http and https only), the whole body in
// memory up to a cap. Any HTTP status is an answer; only transport failures throw HttpError.
// Safe to call from several threads at once.
class HttpClient {
public:
    static constexpr std::size_t smallBodyLimit = 64 * 1024;           // text files, JSON records
    static constexpr std::size_t archiveBodyLimit = 1024 * 1024 * 1024; // release archives

    struct Request {
        Request(std::string address = {}, std::vector<std::pair<std::string, std::string>> fields = {},
                std::chrono::milliseconds timeout = std::chrono::milliseconds(60'000),
                std::size_t maxBytes = smallBodyLimit)
            : url(std::move(address)), headers(std::move(fields)), inactivityTimeout(timeout),
              maxBodyBytes(maxBytes) {}

        std::string url;
        // Extra head lines, e.g. {"User-Agent", "quillmarsh-mac"}. Without one, libcurl sends
        // no User-Agent.
        std::vector<std::pair<std::string, std::string>> headers;
        // The longest wait for the connection or for any further byte; a large download that
        // keeps moving is never cut off.
        std::chrono::milliseconds inactivityTimeout{60'000};
        // A body longer than this fails the request instead of filling memory.
        std::size_t maxBodyBytes = smallBodyLimit;
    };

    struct Response {
        long status = 0;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;  // of the final answer, names as sent
    };

    static Response get(const Request& request);
};

} // namespace quillmarsh
