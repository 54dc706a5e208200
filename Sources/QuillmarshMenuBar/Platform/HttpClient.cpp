#include "Platform/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <mutex>

namespace quillmarsh {

namespace {

using Clock = std::chrono::steady_clock;

struct Transfer {
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::size_t maxBody = 0;
    bool tooLarge = false;
    std::chrono::milliseconds timeout{0};
    std::optional<std::chrono::milliseconds> deadline;
    std::optional<HttpClient::MinimumRate> minimumRate;
    Clock::time_point start = Clock::now();
    Clock::time_point lastActivity = start;
    curl_off_t lastDown = -1;
    curl_off_t lastUp = -1;
    bool timedOut = false;
    bool pastDeadline = false;
    bool tooSlow = false;
    // The body bytes and time at the moment the download was found too slow, for the message.
    curl_off_t slowBytes = 0;
    Clock::duration slowAfter{};
};

// "1.5 seconds", "1 second", "120 seconds": at most one decimal, rounded down.
std::string seconds(Clock::duration duration) {
    double value = std::floor(std::chrono::duration<double>(duration).count() * 10) / 10;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string out = text;
    if (out.ends_with(".0"))
        out.resize(out.size() - 2);
    return out + (out == "1" ? " second" : " seconds");
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    std::size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->maxBody) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->body.append(data, bytes);
    return bytes;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    std::size_t bytes = size * count;
    std::string line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.starts_with("HTTP/")) {
        transfer->headers.clear();  // a new answer (after a redirect or 100 Continue)
    } else if (auto colon = line.find(':'); colon != std::string::npos) {
        std::string value = line.substr(colon + 1);
        auto first = value.find_first_not_of(" \t");
        transfer->headers.emplace_back(line.substr(0, colon), first == std::string::npos ? "" : value.substr(first));
    }
    return bytes;
}

// Whether `bytes` in `elapsed` average at least `rate`; always true during its grace period.
bool fastEnough(const HttpClient::MinimumRate& rate, curl_off_t bytes, Clock::duration elapsed) {
    if (elapsed < rate.after)
        return true;
    double needed = static_cast<double>(rate.bytesPerSecond) * std::chrono::duration<double>(elapsed).count();
    return static_cast<double>(bytes) >= needed;
}

// libcurl calls this about once a second, and on every change: any byte moved resets the
// inactivity clock; the deadline and the average rate count from the start of the request.
int onProgress(void* context, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
    auto* transfer = static_cast<Transfer*>(context);
    auto now = Clock::now();
    auto elapsed = now - transfer->start;
    if (transfer->deadline && elapsed >= *transfer->deadline) {
        transfer->pastDeadline = true;
        return 1;
    }
    if (transfer->minimumRate && !fastEnough(*transfer->minimumRate, downloaded, elapsed)) {
        transfer->tooSlow = true;
        transfer->slowBytes = downloaded;
        transfer->slowAfter = elapsed;
        return 1;
    }
    if (downloaded != transfer->lastDown || uploaded != transfer->lastUp) {
        transfer->lastDown = downloaded;
        transfer->lastUp = uploaded;
        transfer->lastActivity = now;
        return 0;
    }
    if (now - transfer->lastActivity > transfer->timeout) {
        transfer->timedOut = true;
        return 1;
    }
    return 0;
}

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// For libcurl's millisecond options: at least 1 (0 would mean no limit), plus `extra`, saturating.
long curlMilliseconds(std::chrono::milliseconds duration, std::chrono::milliseconds extra = {}) {
    constexpr auto most = std::numeric_limits<long>::max();
    auto value = std::max<std::chrono::milliseconds::rep>(1, duration.count());
    return value >= most - extra.count() ? most : static_cast<long>(value + extra.count());
}

} // namespace

HttpClient::Request HttpClient::Request::archive(std::string address,
                                                 std::vector<std::pair<std::string, std::string>> fields,
                                                 MinimumRate rate) {
    Request request(std::move(address), std::move(fields), std::chrono::milliseconds(60'000), archiveBodyLimit);
    request.deadline.reset();
    request.minimumRate = rate;
    return request;
}

HttpClient::Response HttpClient::get(const Request& request) {
    initialiseOnce();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy)
        throw HttpError("The network library could not start a request.");
    CURL* e = easy.get();

    Transfer transfer;
    transfer.maxBody = request.maxBodyBytes;
    transfer.timeout = request.inactivityTimeout;
    transfer.deadline = request.deadline;
    transfer.minimumRate = request.minimumRate;

    std::unique_ptr<curl_slist, ListDeleter> headers;
    for (const auto& [name, value] : request.headers) {
        std::string line = name + ": " + value;
        curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
        if (!extended)
            throw HttpError("The network library is out of memory.");
        headers.release();
        headers.reset(extended);
    }

    char errorText[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, curlMilliseconds(request.inactivityTimeout));
    // The progress callback holds the deadline (libcurl calls it at least once a second in every
    // phase); libcurl's own timer, a second later, only backs it up. So a time-out from libcurl
    // after the deadline is the deadline, and one before it is the connection's inactivity.
    if (request.deadline)
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, curlMilliseconds(*request.deadline, std::chrono::seconds(1)));
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    if (headers)
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());

    transfer.start = Clock::now();
    transfer.lastActivity = transfer.start;
    CURLcode code = curl_easy_perform(e);
    if (transfer.tooLarge)
        throw HttpError("The answer from " + request.url + " is larger than " + std::to_string(request.maxBodyBytes) +
                        " bytes.");
    if (transfer.pastDeadline ||
        (code == CURLE_OPERATION_TIMEDOUT && request.deadline && Clock::now() - transfer.start >= *request.deadline))
        throw HttpError("The request to " + request.url + " did not finish within " + seconds(*request.deadline) + ".");
    if (transfer.tooSlow)
        throw HttpError("The download from " + request.url + " is too slow: " + std::to_string(transfer.slowBytes) +
                        " bytes in " + seconds(transfer.slowAfter) + ".");
    if (transfer.timedOut || code == CURLE_OPERATION_TIMEDOUT)
        throw HttpError("The request timed out.");
    if (code != CURLE_OK) {
        std::string detail = errorText[0] ? errorText : curl_easy_strerror(code);
        throw HttpError("The request to " + request.url + " failed: " + detail);
    }

    Response response;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &response.status);
    response.body = std::move(transfer.body);
    response.headers = std::move(transfer.headers);
    return response;
}

} // namespace quillmarsh
