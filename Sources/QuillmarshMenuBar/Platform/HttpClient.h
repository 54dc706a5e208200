#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
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

    // The longest a request for a small file may take from start to end, however the bytes trickle.
    static constexpr std::chrono::milliseconds smallFileDeadline{120'000};

    // The least a download must average, in bytes per second counted from the start of the request,
    // once `after` has passed (the grace period covers the connection and a slow start).
    struct MinimumRate {
        std::size_t bytesPerSecond;
        std::chrono::milliseconds after;

        bool operator==(const MinimumRate&) const = default;
    };

    // For the release archive, which has no overall deadline: 8 KiB/s takes a 1 GiB archive a day
    // and a half, so any honest link, however slow, still finishes, while a server that drips a byte
    // now and then (never quiet long enough for the inactivity time-out) is cut off after two minutes.
    static constexpr MinimumRate archiveMinimumRate{8 * 1024, std::chrono::milliseconds(120'000)};

    struct Request {
        Request(std::string address = {}, std::vector<std::pair<std::string, std::string>> fields = {},
                std::chrono::milliseconds timeout = std::chrono::milliseconds(60'000),
                std::size_t maxBytes = smallBodyLimit)
            : url(std::move(address)), headers(std::move(fields)), inactivityTimeout(timeout),
              maxBodyBytes(maxBytes) {}

        // The release archive: no overall deadline, 60 s inactivity time-out, the least rate
        // (archiveMinimumRate unless a test gives another), archiveBodyLimit.
        static Request archive(std::string address, std::vector<std::pair<std::string, std::string>> fields = {},
                               MinimumRate rate = archiveMinimumRate);

        std::string url;
        // Extra head lines, e.g. {"User-Agent", "quillmarsh-mac"}. Without one, libcurl sends
        // no User-Agent.
        std::vector<std::pair<std::string, std::string>> headers;
        // The longest wait for the connection or for any further byte; on its own it never cuts
        // off a download that keeps moving, however slowly.
        std::chrono::milliseconds inactivityTimeout{60'000};
        // The longest the whole request may take: connection, redirects and body. None: no limit.
        std::optional<std::chrono::milliseconds> deadline = smallFileDeadline;
        // None: any rate is enough (the inactivity time-out and the deadline still apply).
        std::optional<MinimumRate> minimumRate;
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
