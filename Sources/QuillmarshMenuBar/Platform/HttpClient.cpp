#include "Platform/HttpClient.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace quillmarsh {

namespace {

struct Transfer {
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::size_t maxBody = 0;
    bool tooLarge = false;
    std::chrono::milliseconds timeout{0};
    std::chrono::steady_clock::time_point lastActivity = std::chrono::steady_clock::now();
    curl_off_t lastDown = -1;
    curl_off_t lastUp = -1;
    bool timedOut = false;
};

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

// libcurl calls this about once a second, and on every change: any byte moved resets the clock.
int onProgress(void* context, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
    auto* transfer = static_cast<Transfer*>(context);
    auto now = std::chrono::steady_clock::now();
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

} // namespace

HttpClient::Response HttpClient::get(const Request& request) {
    initialiseOnce();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy)
        throw HttpError("The network library could not start a request.");
    CURL* e = easy.get();

    Transfer transfer;
    transfer.maxBody = request.maxBodyBytes;
    transfer.timeout = request.inactivityTimeout;

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
    long connectMs = static_cast<long>(std::max<std::chrono::milliseconds::rep>(1, request.inactivityTimeout.count()));
    curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
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

    CURLcode code = curl_easy_perform(e);
    if (transfer.tooLarge)
        throw HttpError("The answer from " + request.url + " is larger than " + std::to_string(request.maxBodyBytes) +
                        " bytes.");
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
